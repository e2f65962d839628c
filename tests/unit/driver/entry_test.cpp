// RunInstaller through the fake system: exit codes, the early messages with their fallback texts,
// the temporary folder's life (deleted on every exit after it was named), the install log closed
// at cleanup, and the defines the entry sets.
#include "driver/entry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/payload_writer.h"
#include "support/fake_system.h"
#include "support/sample_product.h"
#include "ui/page_ids.h"

namespace vorlax {
namespace {

constexpr char16_t kTempFolder[] = u"C:\\users\\player\\Temp";
constexpr char16_t kTempDir[] = u"C:\\users\\player\\Temp\\vorcfg1.tmp";
constexpr char16_t kCabinet[] = u"C:\\users\\player\\Temp\\vorcfg1.tmp\\files.cab";
constexpr char16_t kExePath[] = u"C:\\Games\\Setup\\setup.exe";

constexpr char16_t kAttachedDefines[] = u"<Defines/>";

std::string ValidInstaller(const SampleProduct& product = SampleProduct()) {
  return BuildInstaller(std::string(4096, 'S'), BuildSampleCabinet(product), {kAttachedDefines},
                        false);
}

// Page results of a run through every page without the options page.
const int kFinishingPages[] = {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_LAUNCH_NO};

class Entry : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void Reset() {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    fake.AddFolder(kTempFolder);
    fake.moduleFileName = kExePath;
    fake.pageResults.assign(std::begin(kFinishingPages), std::end(kFinishingPages));
  }
  bool Called(const std::string& call) const {
    return std::find(fake.calls.begin(), fake.calls.end(), call) != fake.calls.end();
  }
  std::ptrdiff_t IndexOf(const std::string& call) const {
    return std::find(fake.calls.begin(), fake.calls.end(), call) - fake.calls.begin();
  }
  bool AnyCallStartsWith(const std::string& prefix) const {
    for (const std::string& call : fake.calls) {
      if (call.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }
  FakeSystem fake;
};

TEST_F(Entry, NoAdministratorRightsExitsOneBeforeAnyFolder) {
  struct Case {
    const char* name;
    bool textsLoaded;
    std::u16string text;
    std::u16string caption;
  };
  const Case cases[] = {
      {"FallbackTexts", false, u"This installer must be run by an administrator.", u"Setup Error"},
      {"LoadedTextsWin", true, u"Please log on as an administrator.", u"Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    fake.writeDeniedKeys.insert(u"HKLM\\SOFTWARE");
    fake.AddFile(kExePath, ValidInstaller());
    if (c.textsLoaded) {
      State().defines.Set(u"ADMIN_INSTALL", u"Please log on as an administrator.");
      State().defines.Set(u"ERROR", u"Error");
    }
    EXPECT_EQ(RunInstaller(), kExitNotAdministrator);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, c.text);
    EXPECT_EQ(fake.messages[0].caption, c.caption);
    EXPECT_EQ(fake.messages[0].style, kMbIconError);
    EXPECT_FALSE(AnyCallStartsWith("CreateFolder"));
    EXPECT_FALSE(AnyCallStartsWith("CreateFile"));
    EXPECT_TRUE(State().exePath.empty());
    EXPECT_TRUE(fake.pagesShown.empty());
  }
}

TEST_F(Entry, ExecutableNotOpenableExitsFour) {
  EXPECT_EQ(RunInstaller(), kExitExeNotReadable);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Unable to Open Installer Exe 'C:\\Games\\Setup\\setup.exe'");
  EXPECT_EQ(fake.messages[0].caption, u"Setup Error");
  EXPECT_TRUE(State().installFailed);
  EXPECT_FALSE(Called("CreateUiResources"));
  EXPECT_TRUE(fake.pagesShown.empty());
}

TEST_F(Entry, PayloadUnreadableExitsFive) {
  std::string valid = ValidInstaller();
  std::string typeThree;
  AppendPayloadRecord(&typeThree, kRecordSkipped, std::string(100, 'S'));
  AppendPayloadRecord(&typeThree, 3, "unknown");
  AppendPayloadRecord(&typeThree, kRecordCabinet, "MSCF");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"StubWithoutPayload", "MZ" + std::string(3000, '\0')},
      {"CabinetRecordCutOff", valid.substr(0, valid.size() - 30)},
      {"TypeThreeRecordAfterTheCabinetWasCopied", typeThree},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    fake.AddFile(kExePath, c.bytes);
    EXPECT_EQ(RunInstaller(), kExitPayloadNotReadable);
    ASSERT_FALSE(fake.messages.empty());
    EXPECT_EQ(fake.messages.back().text, u"Unable to Read Installer Data");
    EXPECT_EQ(fake.messages.back().caption, u"Setup Error");
    EXPECT_TRUE(State().installFailed);
    EXPECT_FALSE(fake.HasFile(kCabinet));
    EXPECT_FALSE(fake.HasFolder(kTempDir));
    EXPECT_FALSE(Called("CreateUiResources"));
    EXPECT_FALSE(Called("DestroyUiResources"));
    EXPECT_TRUE(fake.pagesShown.empty());
  }
}

TEST_F(Entry, NoTemporaryNameFailsWithoutWritingAtTheDriveRoot) {
  fake.AddFile(kExePath, ValidInstaller());
  fake.tempFolder.clear();
  EXPECT_EQ(RunInstaller(), kExitPayloadNotReadable);
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, u"Unable to Create Cab '\\files.cab'");
  EXPECT_EQ(fake.messages[1].text, u"Unable to Read Installer Data");
  EXPECT_FALSE(AnyCallStartsWith("CreateFile"));
  EXPECT_FALSE(AnyCallStartsWith("CreateFolder"));
}

TEST_F(Entry, ValidPayloadCopiesCabinetToFreshFolderAndRemovesIt) {
  fake.AddFile(kExePath, ValidInstaller());
  ASSERT_FALSE(fake.HasFolder(kTempDir));
  EXPECT_EQ(RunInstaller(), kExitNormal);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(fake.pagesShown, (std::vector<int>{IDD_SMALL_PROGRESS_PAGE, IDD_WELCOME_PAGE,
                                               IDD_LICENCE_PAGE, IDD_INSTALL_PAGE, IDD_LAUNCH_PAGE}));
  EXPECT_EQ(State().tempDir, kTempDir);
  EXPECT_EQ(State().cabinetPath, kCabinet);
  EXPECT_EQ(State().attachedDefines, std::vector<std::u16string>{kAttachedDefines});
  EXPECT_EQ(fake.FileData(u"C:\\Games\\Demo\\demo.exe"), "MZ demo");

  const std::string folder = "CreateFolder " + ToUtf8(kTempDir);
  const std::string create = "CreateFile " + ToUtf8(kCabinet);
  const std::string remove = "DeleteFile " + ToUtf8(kCabinet);
  const std::string removeFolder = "RemoveFolder " + ToUtf8(kTempDir);
  ASSERT_TRUE(Called(folder));
  ASSERT_TRUE(Called(create));
  ASSERT_TRUE(Called(remove));
  ASSERT_TRUE(Called(removeFolder));
  EXPECT_LT(IndexOf(folder), IndexOf(create));
  EXPECT_LT(IndexOf(create), IndexOf("CreateUiResources"));
  EXPECT_LT(IndexOf("CreateUiResources"), IndexOf(remove));
  EXPECT_LT(IndexOf(remove), IndexOf(removeFolder));
  EXPECT_LT(IndexOf(removeFolder), IndexOf("DestroyUiResources"));
  EXPECT_FALSE(fake.HasFolder(kTempDir));

  // The installer's own folder is never touched.
  EXPECT_FALSE(Called("RemoveFolder C:\\Games\\Setup"));
  EXPECT_TRUE(fake.HasFile(kExePath));
}

TEST_F(Entry, SetsPathDefines) {
  struct Case {
    const char* name;
    std::u16string exePath;
    std::u16string exeDir;
  };
  const Case cases[] = {
      {"Backslash", u"C:\\Games\\Setup\\setup.exe", u"C:\\Games\\Setup"},
      {"ForwardSlash", u"C:/Games/Setup/setup.exe", u"C:/Games/Setup"},
      {"LaterSeparatorWins", u"C:\\a/b\\setup.exe", u"C:\\a/b"},
      {"NoSeparatorNothingCut", u"setup.exe", u"setup.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    fake.moduleFileName = c.exePath;
    fake.AddFile(c.exePath, ValidInstaller());
    EXPECT_EQ(RunInstaller(), kExitNormal);
    EXPECT_EQ(State().exePath, c.exePath);
    EXPECT_EQ(State().defines.Get(u"InstallerExePath"), c.exePath);
    EXPECT_EQ(State().defines.Get(u"InstallerExeDir"), c.exeDir);
    EXPECT_EQ(State().defines.Get(u"TempInstallerDir"), kTempDir);
  }
}

TEST_F(Entry, StoppedRunExitsTenWithOrWithoutAbortPage) {
  struct Case {
    const char* name;
    bool suppress;
    std::vector<int> pages;
  };
  const Case cases[] = {
      {"AbortPageShown", false, {106}},
      {"AbortPageSuppressed", true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    fake.AddFile(kExePath, ValidInstaller());
    State().installFailed = true;
    State().suppressAbortPage = c.suppress;
    EXPECT_EQ(RunInstaller(), kExitStopped);
    EXPECT_EQ(fake.pagesShown, c.pages);
    EXPECT_FALSE(fake.HasFolder(kTempDir));
    EXPECT_TRUE(Called("DestroyUiResources"));
  }
}

TEST_F(Entry, FailedFolderDeletionIsIgnored) {
  fake.AddFile(kExePath, ValidInstaller());
  fake.AddFile(std::u16string(kTempDir) + u"\\unicows.dll", "library");
  EXPECT_EQ(RunInstaller(), kExitNormal);
  EXPECT_FALSE(fake.HasFile(kCabinet));
  EXPECT_TRUE(fake.HasFolder(kTempDir));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Entry, BuiltInDefinesAreSetBeforeTheConfigurationReplacesThem) {
  fake.registry[u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"] = {
      {u"ProgramFilesDir", {kRegSz, ToUtf16Le(std::u16string(u"C:\\Program Files") + u'\0')}}};
  fake.AddFile(kExePath, ValidInstaller());
  EXPECT_EQ(RunInstaller(), kExitNormal);
  EXPECT_EQ(State().defines.Get(u"ProgramFiles"), u"C:\\Program Files");
  EXPECT_EQ(State().defines.Get(u"Windows"), u"C:\\windows");
  EXPECT_EQ(State().defines.Get(u"InstallName"), u"Demo 1.0");  // defines.xml replaced it
}

TEST_F(Entry, DirectXExitKeepsCodeTwoAndRemovesTheTemporaryFolder) {
  fake.dxDiag = FakeSystem::DxDiagAnswer(2, 0);
  fake.defaultMessageAnswer = kIdCancel;
  fake.AddFile(kExePath, ValidInstaller());
  EXPECT_EQ(RunInstaller(), kExitDirectXTooOld);
  EXPECT_EQ(fake.pagesShown, std::vector<int>{IDD_SMALL_PROGRESS_PAGE});  // no abort page
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Install DirectX 3.0 or later");
  EXPECT_TRUE(fake.HasFile(kExePath));
  EXPECT_FALSE(fake.HasFolder(kTempDir));
  EXPECT_TRUE(Called("DestroyUiResources"));
}

TEST_F(Entry, FailedVersionQueryEndsTheRunAsStopped) {
  fake.versionQueryFails = true;
  fake.AddFile(kExePath, ValidInstaller());
  EXPECT_EQ(RunInstaller(), kExitStopped);
  EXPECT_EQ(fake.pagesShown,
            (std::vector<int>{IDD_SMALL_PROGRESS_PAGE, IDD_WELCOME_PAGE, IDD_ABORT_PAGE}));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Unable to Query Windows Version");
  EXPECT_FALSE(fake.HasFolder(kTempDir));
}

TEST_F(Entry, InstallLogStillOpenIsClosedAtCleanup) {
  struct Case {
    const char* name;
    std::vector<int> pages;
    int exitCode;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {"NoLaunchPage", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_NEXT}, kExitNormal,
       {IDD_SMALL_PROGRESS_PAGE, IDD_WELCOME_PAGE, IDD_LICENCE_PAGE, IDD_INSTALL_PAGE}},
      {"CancelledDuringInstall", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_CANCEL}, kExitStopped,
       {IDD_SMALL_PROGRESS_PAGE, IDD_WELCOME_PAGE, IDD_LICENCE_PAGE, IDD_INSTALL_PAGE, IDD_ABORT_PAGE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    SampleProduct product;
    product.install = u"<InstallLog>%InstallPath%\\Install.log</InstallLog>";  // no RunExe
    fake.AddFile(kExePath, ValidInstaller(product));
    fake.pageResults.assign(c.pages.begin(), c.pages.end());
    EXPECT_EQ(RunInstaller(), c.exitCode);
    EXPECT_EQ(fake.pagesShown, c.shown);
    EXPECT_EQ(State().installLogFile, kNoFile);
    EXPECT_EQ(fake.openFiles, 1);  // only the executable, which stays open
    const std::string& log = fake.FileData(u"C:\\Games\\Demo\\Install.log");
    EXPECT_EQ(log.substr(0, 30), ToUtf16Le(u"<InstallLog>\r\r\n"));
    EXPECT_EQ(log.substr(log.size() - 30), ToUtf16Le(u"</InstallLog>\r\n"));
    EXPECT_TRUE(fake.HasFile(u"C:\\Games\\Demo\\Install_props.xml"));
    EXPECT_FALSE(fake.HasFolder(kTempDir));
  }
}

}  // namespace
}  // namespace vorlax
