// The configuration stage on the fake system: the unpacked files loaded in order, every failure
// box of the stage, the attached defines texts, the DirectX check with its exit, and "%PreEval%".
#include "driver/configuration_stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "actions/directx_check.h"
#include "base/text.h"
#include "driver/entry.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"
#include "support/sample_product.h"
#include "ui/page_ids.h"

namespace vorlax {
namespace {

class ConfigurationStage : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(SampleProduct()); }
  void TearDown() override { State().system = nullptr; }
  void Prepare(const SampleProduct& product) {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    PlaceSampleCabinet(&fake, product);
    fake.defaultPageResult = IDC_NEXT;
  }
  // How often the DirectX check asked the provider.
  int DirectXQueries() const {
    return static_cast<int>(std::count(fake.calls.begin(), fake.calls.end(), "QueryDxDiagVersion"));
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
  bool Called(const std::string& call) const {
    return std::find(fake.calls.begin(), fake.calls.end(), call) != fake.calls.end();
  }
  FakeSystem fake;
};

TEST_F(ConfigurationStage, LoadsTheConfigurationInOrder) {
  SampleProduct product;
  product.defines += u"<Define><Name>ERROR</Name><Value>Defined error</Value></Define>"
                     u"<Define><Name>PreEval</Name><Value>#PreEvalProbe</Value></Define>";
  Prepare(product);
  State().attachedDefines = {
      u"<Defines><Define><Name>InstallGroup</Name><Value>Attached</Value></Define></Defines>"};
  EXPECT_EQ(RunConfigurationStage(), IDC_NEXT);
  InstallerState& state = State();
  EXPECT_EQ(fake.pagesShown, std::vector<int>{IDD_SMALL_PROGRESS_PAGE});
  EXPECT_EQ(state.sourcePrefix, u"cfg\\");
  EXPECT_EQ(state.destinationPrefix, std::u16string(kSampleTempDir) + u"\\");
  EXPECT_TRUE(fake.HasFile(std::u16string(kSampleTempDir) + u"\\install.xml"));
  EXPECT_FALSE(fake.HasFile(u"C:\\Games\\Demo\\demo.exe"));
  EXPECT_TRUE(Called("LoadPageBitmaps C:\\users\\player\\Temp\\vorcfg1.tmp\\logo.bmp "
                     "C:\\users\\player\\Temp\\vorcfg1.tmp\\product.bmp"));
  EXPECT_EQ(state.defines.Get(u"SPEC_PATH_LOCAL"), u"Not a local path");  // a property
  EXPECT_EQ(state.defines.Get(u"ERROR"), u"Defined error");  // defines.xml replaces it
  EXPECT_EQ(state.defines.Get(u"MinDXVer"), u"3.0");
  EXPECT_EQ(state.config.RunExe, u"%InstallPath%\\demo.exe");
  EXPECT_EQ(state.savedInstallPath, u"C:\\Games\\Demo");
  EXPECT_EQ(state.savedInstallGroup, u"Attached");
  EXPECT_EQ(DirectXQueries(), 1);
  // "%PreEval%" is expanded last: its define command runs (this one is unknown, so it is reported).
  EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Invalid define command: 'PreEvalProbe'"});
  EXPECT_EQ(state.immediateExitCode, kNoImmediateExit);
}

TEST_F(ConfigurationStage, FailureBoxes) {
  struct Case {
    const char* name;
    std::function<void(SampleProduct*)> damage;
    bool cancelDuringExtraction;
    std::u16string text;     // expected last message; empty: none
    std::u16string caption;
    bool suppressAbortPage;
  };
  const Case cases[] = {
      {"CabinetUnreadable", nullptr, false, u"Failed to decompress setup files!", u"Setup Error", false},
      {"CabinetUnreadableAfterCancel", nullptr, true, u"", u"", false},
      {"PropertiesMissing", [](SampleProduct* p) { p->omitProps = true; }, false,
       u"Properties file error: '", u"Fatal Error!", true},
      {"InstallConfigBroken", [](SampleProduct* p) { p->install = u"<RunExe>x</Wrong>"; }, false,
       u"", u"Setup failed", false},
      {"DefinesBroken", [](SampleProduct* p) { p->defines = u"<Define><Name>A</Oops>"; }, false,
       u"", u"Setup failed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SampleProduct product;
    if (c.damage) c.damage(&product);
    Prepare(product);
    if (!c.damage) fake.AddFile(State().cabinetPath, "MSCF but not a cabinet");
    if (c.cancelDuringExtraction) {
      fake.pageHandler = [](int) {
        State().installFailed = true;  // the page's confirmed cancel
        return IDC_CANCEL;
      };
    }
    RunConfigurationStage();
    EXPECT_TRUE(State().installFailed);
    EXPECT_EQ(State().suppressAbortPage, c.suppressAbortPage);
    EXPECT_EQ(DirectXQueries(), 0);
    if (c.caption.empty()) {
      EXPECT_TRUE(fake.messages.empty());
      continue;
    }
    ASSERT_EQ(fake.messages.size(), 1u);
    const FakeSystem::Message& m = fake.messages[0];
    EXPECT_EQ(m.caption, c.caption);
    EXPECT_EQ(m.style, kMbIconError);
    EXPECT_EQ(m.text.substr(0, c.text.size()), c.text);
    EXPECT_FALSE(m.text.empty());
  }
}

TEST_F(ConfigurationStage, ReaderErrorTextsAreShown) {
  struct Case {
    const char* name;
    bool brokenInstall;
  };
  for (const Case& c : {Case{"InstallConfig", true}, Case{"Defines", false}}) {
    SCOPED_TRACE(c.name);
    SampleProduct product;
    (c.brokenInstall ? product.install : product.defines) = u"<Define><Name>A</Oops>";
    Prepare(product);
    RunConfigurationStage();
    const SectionReader& reader = c.brokenInstall ? static_cast<const SectionReader&>(State().config)
                                                  : State().defines;
    ASSERT_TRUE(reader.HasError());
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, reader.GetErrorText());
  }
}

TEST_F(ConfigurationStage, FailingAttachedDefinesSkipTheRestButTheStageGoesOn) {
  SampleProduct product;
  product.defines += u"<Define><Name>PreEval</Name><Value>#PreEvalProbe</Value></Define>";
  Prepare(product);
  State().attachedDefines = {
      u"<Defines><Define><Name>A</Name><Value>1</Value></Define></Defines>",
      u"<NotDefines/>",
      u"<Defines><Define><Name>C</Name><Value>3</Value></Define></Defines>"};
  RunConfigurationStage();
  EXPECT_EQ(State().defines.Get(u"A"), u"1");
  EXPECT_FALSE(State().defines.Has(u"C"));
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(DirectXQueries(), 1);
  std::vector<std::u16string> texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].substr(0, 18), u"Attached Defines: ");
  EXPECT_GT(texts[0].size(), 18u);
  EXPECT_EQ(texts[1], u"Invalid define command: 'PreEvalProbe'");
  EXPECT_EQ(State().savedInstallPath, u"C:\\Games\\Demo");
}

TEST_F(ConfigurationStage, DirectXCheck) {
  struct Case {
    const char* name;
    System::DxDiagVersion provider;
    int answer;
    bool exits;
    bool opensPage;
  };
  const Case cases[] = {
      {"TooOldAndOk", FakeSystem::DxDiagAnswer(2, 0), kIdOk, true, true},
      {"TooOldAndCancel", FakeSystem::DxDiagAnswer(2, 0), kIdCancel, true, false},
      // No provider and no DirectX file with a readable version: 0.0.
      {"NothingFound", FakeSystem::NoDxDiag(), kIdCancel, true, false},
      {"Exactly30", FakeSystem::DxDiagAnswer(3, 0), kIdOk, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.dxDiag = c.provider;
    fake.defaultMessageAnswer = c.answer;
    RunConfigurationStage();
    EXPECT_FALSE(State().installFailed);
    EXPECT_EQ(State().immediateExitCode, c.exits ? kExitDirectXTooOld : kNoImmediateExit);
    EXPECT_EQ(fake.messages.size(), c.exits ? 1u : 0u);
    if (c.exits) {
      EXPECT_EQ(fake.messages[0].text, u"Install DirectX 3.0 or later");
      EXPECT_EQ(fake.messages[0].caption, u"DirectX 3.0");
      EXPECT_EQ(fake.messages[0].style, kMbOkCancel);
      EXPECT_TRUE(State().savedInstallPath.empty());  // the stage ends at the prompt
    }
    ASSERT_EQ(fake.shellExecutes.size(), c.opensPage ? 1u : 0u);
    if (c.opensPage) {
      EXPECT_EQ(fake.shellExecutes[0].verb, u"open");
      EXPECT_EQ(fake.shellExecutes[0].file, State().directXDownloadPage);
      EXPECT_EQ(fake.shellExecutes[0].parameters, u"");
      EXPECT_EQ(fake.shellExecutes[0].directory, u"");
    }
  }
}

// A cabinet without configuration entries extracts nothing; the stage must still finish (the
// small page waits for a full bar) and then report the missing properties file.
TEST_F(ConfigurationStage, CabinetWithoutConfigurationFinishesAndReportsTheProperties) {
  SampleProduct product;
  product.omitConfiguration = true;
  product.files.push_back(CabinetInputFile());
  product.files.back().name = "game.exe";
  product.files.back().data = "program";
  Prepare(product);
  State().sourcePrefix = u"cfg\\";
  State().destinationPrefix = std::u16string(kSampleTempDir) + u"\\";
  StartConfigExtraction();
  EXPECT_TRUE(State().workerDone);
  EXPECT_FALSE(State().extractionFailed);
  EXPECT_EQ(State().progress.overallPercent.load(), 100);

  Prepare(product);
  RunConfigurationStage();
  EXPECT_TRUE(State().installFailed);
  EXPECT_TRUE(State().suppressAbortPage);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].caption, u"Fatal Error!");
}

TEST_F(ConfigurationStage, ThreadThatCannotStartCountsAsFailedExtraction) {
  fake.threadStartFails = true;
  RunConfigurationStage();
  EXPECT_TRUE(State().workerDone);
  EXPECT_TRUE(State().extractionFailed);
  EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Failed to decompress setup files!"});
}

}  // namespace
}  // namespace vorlax
