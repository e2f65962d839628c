// InstallWorker on the fake system (threads run inline): the log and properties copy, the File
// lines after the extraction whether or not it succeeded, the retry prompt (OK then success,
// Cancel, a second failure without asking again), failed early steps, the permission grants
// before the log and the registry step after the files, the programs before installing first
// (a failure there still leaves the log's header), the shortcuts and the programs after
// installing last (a failing link reported without failing the installation, a cancel while a
// program runs), a Fail define command inside a step, and the final stores.
#include "driver/install_worker.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"
#include "support/sample_product.h"

namespace vorlax {
namespace {

constexpr char16_t kLog[] = u"C:\\Games\\Demo\\Install.log";
constexpr char16_t kExe[] = u"C:\\Games\\Demo\\demo.exe";
constexpr char16_t kLevel[] = u"C:\\Games\\Demo\\Data\\level1.dat";

class InstallWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeSystem();
    ResetInstallerState();
    InstallerState& state = State();
    state.system = &fake;
    PlaceSampleCabinet(&fake, SampleProduct());
    fake.AddFile(state.tempDir + u"\\props.xml", "texts");
    state.defines.Set(u"InstallName", u"Demo 1.0");
    state.defines.Set(u"InstallPath", kSampleInstallPath);
    state.defines.Set(u"UNINSTALL_ENSURE_NOT_RUNNING_TEXT", u"Close %InstallName%");
    state.defines.Set(u"UNINSTALL_ENSURE_NOT_RUNNING_TITLE", u"In use");
    state.config.InstallLog = u"%InstallPath%\\Install.log";
    state.config.UninstallDeltree = {u"%InstallPath%"};
    state.sourcePrefix = u"files\\";
    state.destinationPrefix = std::u16string(kSampleInstallPath) + u"\\";
  }
  void TearDown() override { State().system = nullptr; }

  // The log as the main sequence would close it, as text.
  std::u16string ClosedLog() {
    CloseInstallLog();
    const std::string& bytes = fake.FileData(kLog);
    return FromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }
  // A file of an earlier installation that a running program holds open.
  void LockLevelFile() {
    fake.AddFile(kLevel, "old level");
    fake.FindFile(kLevel)->locked = true;
  }
  FakeSystem fake;
};

const std::u16string kHeader =
    u"<InstallLog>\r\r\n\t<InstallName>Demo 1.0</InstallName>\r\r\n"
    u"\t<UninstallDeltree>C:\\Games\\Demo</UninstallDeltree>\r\n";
const std::u16string kFileLines =
    u"\t<File>C:\\Games\\Demo\\demo.exe</File>\r\n"
    u"\t<File>C:\\Games\\Demo\\Data\\level1.dat</File>\r\n";
// The registry block of a configuration without registry values and uninstall command.
const std::u16string kEmptyRegistry = u"\t<Registry>\r\n\t</Registry>\r\n";
const std::u16string kEnd = u"</InstallLog>\r\n";

TEST_F(InstallWorkerTest, InstallsTheProductAndLogsEveryFile) {
  State().installFailed = true;  // a cancel's value is overwritten by the final store
  StartInstallWorker();
  EXPECT_TRUE(State().workerDone);
  EXPECT_FALSE(State().installFailed);
  EXPECT_FALSE(State().extractionFailed);
  EXPECT_EQ(fake.FileData(kExe), "MZ demo");
  EXPECT_EQ(fake.FileData(kLevel), "level one");
  EXPECT_EQ(fake.FileData(u"C:\\Games\\Demo\\Install_props.xml"), "texts");
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_NE(State().installLogFile, kNoFile);  // the worker leaves the log open
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + kEmptyRegistry + kEnd);
}

TEST_F(InstallWorkerTest, ExtractionRetry) {
  // What happens while the prompt is open, before the user answers.
  enum class Meanwhile { kNothing, kLevelUnlocked, kExeLockedToo };
  struct Case {
    const char* name;
    int answer;
    Meanwhile meanwhile;
    bool installed;
  };
  const Case cases[] = {
      {"OkThenSuccess", kIdOk, Meanwhile::kLevelUnlocked, true},
      {"Cancel", kIdCancel, Meanwhile::kNothing, false},
      {"OkThenSecondFailure", kIdOk, Meanwhile::kNothing, false},
      {"OkThenEarlierSecondFailure", kIdOk, Meanwhile::kExeLockedToo, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    LockLevelFile();
    fake.messageHandler = [&](const FakeSystem::Message&) {
      if (c.meanwhile == Meanwhile::kLevelUnlocked) fake.FindFile(kLevel)->locked = false;
      if (c.meanwhile == Meanwhile::kExeLockedToo) fake.FindFile(kExe)->locked = true;
      return c.answer;
    };
    StartInstallWorker();
    ASSERT_EQ(fake.messages.size(), 1u);  // asked once, never a second time
    EXPECT_EQ(fake.messages[0].text, u"Close Demo 1.0");
    EXPECT_EQ(fake.messages[0].caption, u"In use");
    EXPECT_EQ(fake.messages[0].style, kMbOkCancel | kMbIconExclamation);
    EXPECT_TRUE(State().workerDone);
    EXPECT_EQ(State().installFailed, !c.installed);
    EXPECT_EQ(State().extractionFailed, !c.installed);
    EXPECT_EQ(fake.FileData(kLevel), c.installed ? "level one" : "old level");
    // Every file whose creation either attempt tried, once each, whatever the outcome; the
    // registry step only after a successful extraction.
    EXPECT_EQ(ClosedLog(), kHeader + kFileLines + (c.installed ? kEmptyRegistry : u"") + kEnd);
  }
}

// The position of the first call that starts with prefix, or calls.size().
std::size_t FirstCall(const std::vector<std::string>& calls, const std::string& prefix) {
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].compare(0, prefix.size(), prefix) == 0) return i;
  }
  return calls.size();
}

TEST_F(InstallWorkerTest, GrantsPermissionsFirstAndWritesTheRegistryAfterTheFiles) {
  InstallConfig& config = State().config;
  config.GrantAllFilePermissions = {u"%InstallPath%\\"};
  config.GrantAllRegistryPermissions = {u"HKLM\\SOFTWARE\\Vendor\\Demo", u"hklm\\bad"};
  config.RegValues.resize(2);
  config.RegValues[0].Key = u"HKLM\\SOFTWARE\\Vendor\\Demo";
  config.RegValues[0].Name = u"Path";
  config.RegValues[0].Value = u"%InstallPath%";
  config.RegValues[1].Key = u"HKCU\\Software\\Demo";
  config.RegValues[1].Name = u"Runs";
  config.RegValues[1].Value = u"1";
  config.RegValues[1].TypeNum = 1;
  config.UninstallCmd = u"%InstallPath%\\uninst.exe";
  StartInstallWorker();
  // The invalid key of the permission grants is reported but does not fail the installation.
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Invalid Key 'hklm\\bad'");
  EXPECT_FALSE(State().installFailed);
  const std::vector<std::string>& calls = fake.calls;
  std::size_t grant = FirstCall(calls, "SetFileSecurity C:\\Games\\Demo 4");
  std::size_t log = FirstCall(calls, "CreateFile C:\\Games\\Demo\\Install.log");
  std::size_t extraction = FirstCall(calls, "CreateFile C:\\Games\\Demo\\demo.exe");
  std::size_t registry = FirstCall(calls, "CreateKey HKLM\\SOFTWARE\\Vendor\\Demo");
  EXPECT_LT(grant, log);
  EXPECT_LT(log, extraction);
  EXPECT_LT(extraction, registry);
  EXPECT_LT(registry, calls.size());
  const std::u16string uninstallKey =
      u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0";
  EXPECT_EQ(ClosedLog(),
            kHeader + kFileLines + u"\t<Registry>\r\n"
            u"\t\t<RegValue>\r\n\t\t\t<Key>HKLM\\SOFTWARE\\Vendor\\Demo</Key>\r\n"
            u"\t\t\t<Name>Path</Name>\r\n\t\t</RegValue>\r\n"
            u"\t\t<RegValue>\r\n\t\t\t<Key>HKCU\\Software\\Demo</Key>\r\n"
            u"\t\t\t<Name>Runs</Name>\r\n\t\t</RegValue>\r\n"
            u"\t</Registry>\r\n"
            u"\t<UninstallDelRegKey>" + uninstallKey + u"</UninstallDelRegKey>\r\n" + kEnd);
}

TEST_F(InstallWorkerTest, FailingRegistryValueFailsTheInstallation) {
  State().config.RegValues.resize(1);
  State().config.RegValues[0].Key = u"HKCU\\Software\\Demo";
  State().config.RegValues[0].Name = u"Odd";
  State().config.RegValues[0].TypeNum = 3;
  State().config.UninstallCmd = u"uninst.exe";
  StartInstallWorker();
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(State().workerDone);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Invalid Key Type on 'Odd'");
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + u"\t<Registry>\r\n"
                             u"\t\t<RegValue>\r\n\t\t\t<Key>HKCU\\Software\\Demo</Key>\r\n"
                             u"\t\t\t<Name>Odd</Name>\r\n\t\t</RegValue>\r\n" + kEnd);
}

TEST_F(InstallWorkerTest, FailedLogOrCopyExtractsNothingButKeepsTheHeader) {
  struct Case {
    const char* name;
    bool blockLog;
    bool removeProps;
    std::vector<std::u16string> messages;
  };
  const Case cases[] = {
      {"LogNotCreatable", true, false, {u"Failed to Create Install Log 'C:\\Games\\Demo\\Install.log'"}},
      {"PropertiesNotCopied", false, true, {u"Failed to copy properties file"}},
      {"Both", true, true,
       {u"Failed to Create Install Log 'C:\\Games\\Demo\\Install.log'", u"Failed to copy properties file"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.blockLog) fake.AddFolder(kLog);
    if (c.removeProps) fake.DeleteFile(State().tempDir + u"\\props.xml");
    StartInstallWorker();
    std::vector<std::u16string> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    EXPECT_EQ(texts, c.messages);
    EXPECT_TRUE(State().installFailed);
    EXPECT_TRUE(State().workerDone);
    EXPECT_FALSE(fake.HasFile(kExe));
    EXPECT_TRUE(State().extractedFiles.empty());
    EXPECT_EQ(State().installLog, kHeader);
    if (!c.blockLog) {
      EXPECT_EQ(ClosedLog(), kHeader + kEnd);
    }
  }
}

// A cabinet entry the extraction refuses fails the same way on every attempt: the reason is
// shown with the entry's name, instead of the prompt to close a running program and try again,
// and nothing is written.
TEST_F(InstallWorkerTest, RefusedEntryIsReportedWithoutTheRetryPrompt) {
  struct Case {
    const char* name;
    std::string entry;
    std::u16string message;
  };
  const Case cases[] = {
      {"LeavesTheInstallFolder", "..\\escaped.txt",
       u"File name leaves the destination folder 'files\\..\\escaped.txt'"},
      {"PathTooLong", std::string(245, 'n'),
       u"Destination path too long 'files\\" + std::u16string(245, u'n') + u"'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SampleProduct product;
    CabinetInputFile extra;
    extra.name = c.entry;
    extra.data = "extra";
    product.files.push_back(extra);
    PlaceSampleCabinet(&fake, product);
    fake.AddFile(State().tempDir + u"\\props.xml", "texts");
    StartInstallWorker();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, c.message);
    EXPECT_TRUE(State().installFailed);
    EXPECT_TRUE(State().extractionFailed);
    EXPECT_FALSE(fake.HasFile(kExe));
    EXPECT_EQ(ClosedLog(), kHeader + kEnd);
  }
}

TEST_F(InstallWorkerTest, DestinationWithoutAn8BitFormWritesNothing) {
  State().destinationPrefix = u"C:\\Games\\\x0141\\";
  fake.defaultMessageAnswer = kIdCancel;
  StartInstallWorker();
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(State().extractionFailed);
  EXPECT_TRUE(State().extractedFiles.empty());
  EXPECT_FALSE(fake.HasFile(u"C:\\Games\\demo.exe"));
  EXPECT_FALSE(fake.HasFile(u"C:\\Games\\Data\\level1.dat"));
}

TEST_F(InstallWorkerTest, StartClearsTheProgressAndAThreadThatCannotStartFailsAtOnce) {
  ExtractionProgress& progress = State().progress;
  progress.overallPercent = 100;
  progress.currentFilePercent = 100;
  progress.currentFileName[0] = 'x';
  fake.threadsRunInline = false;  // the thread is started but does not run here
  StartInstallWorker();
  EXPECT_FALSE(State().workerDone);
  EXPECT_EQ(progress.overallPercent.load(), 0);
  EXPECT_EQ(progress.currentFilePercent.load(), 0);
  EXPECT_EQ(progress.currentFileName[0].load(), '\0');

  SetUp();
  fake.threadStartFails = true;
  StartInstallWorker();
  EXPECT_TRUE(State().workerDone);
  EXPECT_TRUE(State().installFailed);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Unable to Start Install Thread");
  EXPECT_FALSE(fake.HasFile(kLog));
}

constexpr char16_t kPre[] = u"C:\\Games\\Old\\uninstall.exe";
constexpr char16_t kPost[] = u"C:\\Games\\Demo\\setup-done.exe";

// A configuration with a program on each side and one shortcut.
void ConfigureProgramsAndShortcut() {
  InstallConfig& config = State().config;
  config.PreExec = {ExecEntry{kPre, u"", u"/S", false}};
  config.PostExec = {ExecEntry{u"%InstallPath%\\setup-done.exe", u"%InstallPath%", u"", false}};
  config.Shortcuts = {Shortcut{u"C:\\Menu\\Demo\\Play", u"%InstallPath%\\demo.exe", u""}};
}

const std::u16string kShortcutLine = u"\t<File>C:\\Menu\\Demo\\Play.lnk</File>\r\n";

TEST_F(InstallWorkerTest, RunsProgramsFirstAndLastWithTheShortcutsBeforeTheLast) {
  ConfigureProgramsAndShortcut();
  State().config.RegValues = {RegValue{u"HKCU\\Software\\Demo", 0, u"Path", u"%InstallPath%"}};
  StartInstallWorker();
  EXPECT_FALSE(State().installFailed);
  EXPECT_TRUE(fake.messages.empty());
  const std::vector<std::string>& calls = fake.calls;
  std::size_t pre = FirstCall(calls, "StartProgram C:\\Games\\Old\\uninstall.exe");
  std::size_t log = FirstCall(calls, "CreateFile C:\\Games\\Demo\\Install.log");
  std::size_t registry = FirstCall(calls, "CreateKey HKCU\\Software\\Demo");
  std::size_t link = FirstCall(calls, "SaveLink C:\\Menu\\Demo\\Play.lnk");
  std::size_t post = FirstCall(calls, "StartProgram C:\\Games\\Demo\\setup-done.exe");
  EXPECT_LT(pre, log);
  EXPECT_LT(log, registry);
  EXPECT_LT(registry, link);
  EXPECT_LT(link, post);
  EXPECT_LT(post, calls.size());
  ASSERT_EQ(fake.programStarts.size(), 2u);
  EXPECT_EQ(fake.programStarts[1].directory, kSampleInstallPath);
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + u"\t<Registry>\r\n"
            u"\t\t<RegValue>\r\n\t\t\t<Key>HKCU\\Software\\Demo</Key>\r\n"
            u"\t\t\t<Name>Path</Name>\r\n\t\t</RegValue>\r\n\t</Registry>\r\n" +
            kShortcutLine + kEnd);
}

TEST_F(InstallWorkerTest, FailedProgramBeforeInstallingStillLeavesTheLogHeader) {
  ConfigureProgramsAndShortcut();
  fake.programs[kPre].startFails = true;
  StartInstallWorker();
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Failed to execute 'C:\\Games\\Old\\uninstall.exe'");
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(State().workerDone);
  EXPECT_FALSE(fake.HasFile(kExe));
  EXPECT_TRUE(fake.links.empty());
  EXPECT_EQ(fake.programStarts.size(), 1u);  // the programs after installing do not run
  EXPECT_EQ(fake.FileData(u"C:\\Games\\Demo\\Install_props.xml"), "texts");
  EXPECT_EQ(ClosedLog(), kHeader + kEnd);
}

TEST_F(InstallWorkerTest, SilentlyFailingProgramBeforeInstallingLetsItGoOn) {
  ConfigureProgramsAndShortcut();
  State().config.PreExec[0].SilentFail = true;
  fake.programs[kPre].startFails = true;
  StartInstallWorker();
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(fake.FileData(kExe), "MZ demo");
}

TEST_F(InstallWorkerTest, CancelWhileAProgramAfterInstallingRuns) {
  ConfigureProgramsAndShortcut();
  fake.programs[kPost].runningPolls = -1;  // never ends by itself
  fake.pollHandler = [](const std::u16string& file, int poll) {
    if (file == kPost && poll == 2) State().installFailed = true;  // the page's confirmed cancel
  };
  StartInstallWorker();
  EXPECT_TRUE(State().workerDone);
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(fake.exitCodePolls, 1 + 2);  // the program before installing ended at its first poll
  EXPECT_EQ(fake.FileData(kExe), "MZ demo");  // what was installed stays
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + kEmptyRegistry + kShortcutLine + kEnd);
}

TEST_F(InstallWorkerTest, FailingLinkIsReportedWithoutFailingTheInstallation) {
  ConfigureProgramsAndShortcut();
  fake.linkSaveFailures = {u"C:\\Menu\\Demo\\Play.lnk"};
  StartInstallWorker();
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Failed to Create Link to 'C:\\Games\\Demo\\demo.exe'");
  EXPECT_FALSE(State().installFailed);
  EXPECT_TRUE(State().workerDone);
  EXPECT_EQ(fake.programStarts.size(), 2u);  // the programs after installing still run
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + kEmptyRegistry + kShortcutLine + kEnd);
}

// Reports that do not fail their step leave installFailed alone, so the wait for the program
// after installing does not take them for a cancel: the program is waited for to its end.
TEST_F(InstallWorkerTest, ReportsThatDoNotFailTheirStepAreNoCancelForTheProgramsAfter) {
  ConfigureProgramsAndShortcut();
  InstallConfig& config = State().config;
  config.GrantAllRegistryPermissions = {u"hklm\\bad"};
  config.RegValues = {RegValue{u"HKCU\\Software\\Demo", 2, u"Bytes", u"A 0B"}};
  fake.linkSaveFailures = {u"C:\\Menu\\Demo\\Play.lnk"};
  fake.programs[kPost].runningPolls = 3;
  StartInstallWorker();
  std::vector<std::u16string> texts;
  for (const auto& m : fake.messages) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<std::u16string>{
                       u"Invalid Key 'hklm\\bad'", u"Binary formatting error in registry value",
                       u"Failed to Create Link to 'C:\\Games\\Demo\\demo.exe'"}));
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(fake.exitCodePolls, 1 + 4);  // the program after installing ran to its end
}

// A "#Fail" define command in a text a step expands shows its message and sets installFailed
// without failing the step by itself: the installation still fails (the final store must not
// clear it again) and stops after that step, as after any failed step.
TEST_F(InstallWorkerTest, FailCommandDuringTheInstallStopsItAfterItsStep) {
  ConfigureProgramsAndShortcut();
  State().defines.Set(u"Stop", u"#Fail Stopped by the configuration");
  State().config.RegValues = {RegValue{u"HKCU\\Software\\Demo", 0, u"Path", u"%InstallPath%%Stop%"}};
  StartInstallWorker();
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Stopped by the configuration");
  EXPECT_TRUE(State().workerDone);
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(fake.links.empty());
  EXPECT_EQ(fake.programStarts.size(), 1u);  // the programs after installing do not run
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + u"\t<Registry>\r\n"
            u"\t\t<RegValue>\r\n\t\t\t<Key>HKCU\\Software\\Demo</Key>\r\n"
            u"\t\t\t<Name>Path</Name>\r\n\t\t</RegValue>\r\n\t</Registry>\r\n" + kEnd);
}

TEST_F(InstallWorkerTest, UnreadableVersionAtTheShortcutsFailsTheInstallation) {
  ConfigureProgramsAndShortcut();
  fake.versionQueryFails = true;
  StartInstallWorker();
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(fake.links.empty());
  EXPECT_EQ(fake.programStarts.size(), 1u);
  EXPECT_EQ(ClosedLog(), kHeader + kFileLines + kEmptyRegistry + kEnd);
}

}  // namespace
}  // namespace vorlax
