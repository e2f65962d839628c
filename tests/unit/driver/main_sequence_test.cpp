// RunMainSequence on the fake system with a complete sample product (threads run inline): the
// transition rule with every page result, the location checks on every arrival at the licence
// page, page 4's preparation, the launch page, and "%PostEval%".
#include "driver/main_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"
#include "support/sample_product.h"
#include "ui/page_ids.h"

namespace vorlax {
namespace {

constexpr char16_t kLog[] = u"C:\\Games\\Demo\\Install.log";
constexpr char16_t kPostEvalMessage[] = u"Invalid define command: 'PostEvalProbe'";

class MainSequence : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(SampleProduct()); }
  void TearDown() override { State().system = nullptr; }
  // With postEvalProbe, "%PostEval%" holds an unknown define command, so its expansion shows in
  // the messages (and, being a fatal message, sets installFailed after the loop).
  void Prepare(SampleProduct product, bool postEvalProbe = false) {
    if (postEvalProbe) {
      product.defines += u"<Define><Name>PostEval</Name><Value>#PostEvalProbe</Value></Define>";
    }
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    PlaceSampleCabinet(&fake, product);
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
  int DiskQueries() const {
    int n = 0;
    for (const std::string& call : fake.calls) n += call.rfind("GetDiskFreeSpace", 0) == 0;
    return n;
  }
  FakeSystem fake;
};

TEST_F(MainSequence, TransitionRule) {
  constexpr int kCfg = IDD_SMALL_PROGRESS_PAGE, kWelcome = IDD_WELCOME_PAGE,
                kOptions = IDD_OPTIONS_PAGE, kLicence = IDD_LICENCE_PAGE,
                kInstall = IDD_INSTALL_PAGE, kLaunch = IDD_LAUNCH_PAGE;
  struct Case {
    const char* name;
    std::vector<int> results;
    std::vector<int> pages;
    bool failed;
    int locationChecks;
  };
  const Case cases[] = {
      {"NextSkipsOptions", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_LAUNCH_NO},
       {kCfg, kWelcome, kLicence, kInstall, kLaunch}, false, 1},
      {"ChangeSettings", {IDC_NEXT, IDC_CHANGE_SETTINGS, IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_LAUNCH_NO},
       {kCfg, kWelcome, kOptions, kLicence, kInstall, kLaunch}, false, 1},
      {"BackFromOptionsRunsNoCheck",
       {IDC_NEXT, IDC_CHANGE_SETTINGS, IDC_BACK, IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_LAUNCH_NO},
       {kCfg, kWelcome, kOptions, kWelcome, kLicence, kInstall, kLaunch}, false, 1},
      {"UnknownResultStays", {IDC_NEXT, IDC_CHANGE_SETTINGS, 999, IDC_NEXT, IDC_NEXT, IDC_NEXT, 6},
       {kCfg, kWelcome, kOptions, kOptions, kLicence, kInstall, kLaunch}, false, 1},
      {"CancelOnConfiguration", {IDC_CANCEL}, {kCfg}, true, 0},
      {"CancelOnWelcome", {IDC_NEXT, IDC_CANCEL}, {kCfg, kWelcome}, true, 0},
      {"CancelOnOptions", {IDC_NEXT, IDC_CHANGE_SETTINGS, IDC_CANCEL}, {kCfg, kWelcome, kOptions}, true, 0},
      {"DontAgree", {IDC_NEXT, IDC_NEXT, IDC_CANCEL}, {kCfg, kWelcome, kLicence}, true, 1},
      {"CancelDuringInstall", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_CANCEL},
       {kCfg, kWelcome, kLicence, kInstall}, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.pageResults.assign(c.results.begin(), c.results.end());
    RunMainSequence();
    EXPECT_EQ(fake.pagesShown, c.pages);
    EXPECT_EQ(State().installFailed, c.failed);
    EXPECT_EQ(DiskQueries(), c.locationChecks);
    EXPECT_TRUE(fake.messages.empty());
  }
}

TEST_F(MainSequence, PostEvalOnlyAfterARunWithoutFailure) {
  struct Case {
    const char* name;
    std::vector<int> results;
    bool expanded;
  };
  const Case cases[] = {
      {"Finished", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_LAUNCH_YES}, true},
      {"DontAgree", {IDC_NEXT, IDC_NEXT, IDC_CANCEL}, false},
      {"CancelledInstall", {IDC_NEXT, IDC_NEXT, IDC_NEXT, IDC_CANCEL}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(SampleProduct(), true);
    fake.pageResults.assign(c.results.begin(), c.results.end());
    RunMainSequence();
    std::vector<std::u16string> expected;
    if (c.expanded) expected.push_back(kPostEvalMessage);
    EXPECT_EQ(Texts(), expected);
    // Only the finished run reached the launch page and started the program.
    EXPECT_EQ(fake.shellExecutes.size(), c.expanded ? 1u : 0u);
  }
}

TEST_F(MainSequence, LocationChecksRunOnEveryArrivalAtTheLicencePage) {
  SampleProduct product;
  product.defines += u"<Define><Name>InstallPath</Name><Value>C:</Value></Define>";
  Prepare(product);
  fake.pageHandler = [this](int page) {
    InstallerState& state = State();
    switch (page) {
      case IDD_OPTIONS_PAGE:
        // First visit: a path on a missing drive; second: a good one with a trailing backslash.
        state.defines.Set(u"InstallPath", fake.pagesShown.size() == 3 ? u"Q:\\Games" : u"D:\\Games\\");
        return IDC_NEXT;
      case IDD_LAUNCH_PAGE: return IDC_LAUNCH_NO;
      default: return IDC_NEXT;
    }
  };
  fake.drives[u"d:"] = DiskFreeSpace{8, 512, 0x100000, 0x200000};
  RunMainSequence();
  EXPECT_EQ(fake.pagesShown,
            (std::vector<int>{IDD_SMALL_PROGRESS_PAGE, IDD_WELCOME_PAGE, IDD_OPTIONS_PAGE,
                              IDD_OPTIONS_PAGE, IDD_LICENCE_PAGE, IDD_INSTALL_PAGE, IDD_LAUNCH_PAGE}));
  EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"No drive letter", u"Error with GetDiskFreeSpace",
                                                  u"Choose another drive"}));
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(State().defines.Get(u"InstallPath"), u"D:\\Games");
  EXPECT_EQ(State().destinationPrefix, u"D:\\Games\\");
  EXPECT_TRUE(fake.HasFile(u"D:\\Games\\demo.exe"));
}

TEST_F(MainSequence, InstallPagePreparesAndRunsTheWorker) {
  SampleProduct product;
  product.defines += u"<Define><Name>InstallGroup</Name><Value>%InstallName%\\</Value></Define>";
  Prepare(product);
  State().defines.Set(u"CommonProgramGroup", u"C:\\Menu\\Programs");
  State().extractedFiles = {u"C:\\stale.txt"};
  fake.pageHandler = [](int page) {
    if (page == IDD_INSTALL_PAGE) {
      InstallerState& state = State();
      EXPECT_TRUE(state.workerDone);  // the inline worker has finished
      EXPECT_EQ(state.sourcePrefix, u"files\\");
      EXPECT_EQ(state.destinationPrefix, u"C:\\Games\\Demo\\");
      EXPECT_EQ(state.defines.Get(u"AppFolder"), u"C:\\Menu\\Programs\\%InstallName%");
    }
    return page == IDD_LAUNCH_PAGE ? IDC_LAUNCH_NO : IDC_NEXT;
  };
  RunMainSequence();
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(State().extractedFiles,
            (std::vector<std::u16string>{u"C:\\Games\\Demo\\demo.exe", u"C:\\Games\\Demo\\Data\\level1.dat"}));
  EXPECT_EQ(fake.FileData(u"C:\\Games\\Demo\\Data\\level1.dat"), "level one");
}

TEST_F(MainSequence, LaunchPage) {
  struct Case {
    const char* name;
    std::u16string runExe;
    int result;
    bool pageShown;
    std::u16string file;  // empty: nothing started
    std::u16string directory;
  };
  const Case cases[] = {
      {"Started", u"%InstallPath%\\bin\\demo.exe", IDC_LAUNCH_YES, true, u"C:\\Games\\Demo\\bin\\demo.exe",
       u"C:\\Games\\Demo\\bin"},
      {"ForwardSlash", u"C:/Games/Demo/demo.exe", IDC_LAUNCH_YES, true, u"C:/Games/Demo/demo.exe",
       u"C:/Games/Demo"},
      {"NoFolder", u"demo.exe", IDC_LAUNCH_YES, true, u"demo.exe", u""},
      {"BoxCleared", u"%InstallPath%\\demo.exe", IDC_LAUNCH_NO, true, u"", u""},
      {"NoRunExe", u"", IDC_LAUNCH_YES, false, u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleProduct product;
    product.install = u"<InstallLog>%InstallPath%\\Install.log</InstallLog>";
    if (!c.runExe.empty()) product.install += u"<RunExe>" + c.runExe + u"</RunExe>";
    Prepare(product);
    fake.pageHandler = [&](int page) {
      if (page != IDD_LAUNCH_PAGE) return IDC_NEXT;
      // The log is closed and written before the launch page shows.
      EXPECT_EQ(State().installLogFile, kNoFile);
      const std::string& log = fake.FileData(kLog);
      EXPECT_EQ(log.substr(log.size() - 30), ToUtf16Le(u"</InstallLog>\r\n"));
      return c.result;
    };
    RunMainSequence();
    EXPECT_EQ(fake.pagesShown.back() == IDD_LAUNCH_PAGE, c.pageShown);
    EXPECT_FALSE(State().installFailed);
    EXPECT_TRUE(fake.messages.empty());
    if (c.file.empty()) {
      EXPECT_TRUE(fake.shellExecutes.empty());
    } else {
      ASSERT_EQ(fake.shellExecutes.size(), 1u);
      EXPECT_EQ(fake.shellExecutes[0].verb, u"open");
      EXPECT_EQ(fake.shellExecutes[0].file, c.file);
      EXPECT_EQ(fake.shellExecutes[0].parameters, u"");
      EXPECT_EQ(fake.shellExecutes[0].directory, c.directory);
    }
    // Without a launch page the log stays open for the entry's cleanup.
    EXPECT_EQ(State().installLogFile == kNoFile, c.pageShown);
  }
}

TEST_F(MainSequence, DirectXExitLeavesAtOnceWithoutPostEval) {
  Prepare(SampleProduct(), true);
  fake.dxDiag = FakeSystem::DxDiagAnswer(2, 0);
  fake.defaultPageResult = IDC_NEXT;
  RunMainSequence();
  EXPECT_EQ(fake.pagesShown, std::vector<int>{IDD_SMALL_PROGRESS_PAGE});
  EXPECT_EQ(State().immediateExitCode, 2);
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Install DirectX 3.0 or later"});
}

TEST_F(MainSequence, FailedInstallationStopsBeforeTheLaunchPage) {
  fake.AddFolder(kLog);  // the log file cannot be created
  fake.defaultPageResult = IDC_NEXT;
  RunMainSequence();
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(fake.pagesShown.back(), IDD_INSTALL_PAGE);
  EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Failed to Create Install Log 'C:\\Games\\Demo\\Install.log'"});
}

}  // namespace
}  // namespace vorlax
