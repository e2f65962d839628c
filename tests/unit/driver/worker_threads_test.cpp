// The run's background tasks on real threads (the fake's concurrent mode) while the main thread
// does what the pages do meanwhile: the progress pages' timer ticks (numbers, file name, the
// "Extracting" text through the defines) and a cancel that waits for the task. The outcomes are
// checked here; the absence of data races is what the ThreadSanitizer build of these tests
// checks.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "driver/configuration_stage.h"
#include "driver/install_log.h"
#include "driver/install_worker.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"
#include "support/sample_product.h"
#include "ui/abort_confirmation.h"
#include "ui/progress_animation.h"

namespace vorlax {
namespace {

constexpr char16_t kLevel[] = u"C:\\Games\\Demo\\Data\\level1.dat";
constexpr char16_t kBig[] = u"C:\\Games\\Demo\\Data\\big.dat";

// A product file large enough that the extraction is still running while the page ticks.
std::string BigText() {
  std::string text;
  for (int i = 0; text.size() < 600000; ++i) text += "row " + std::to_string(i * 7919 % 100003) + " of the level\n";
  return text;
}

class WorkerThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    InstallerState& state = State();
    state.system = &fake;
    SampleProduct product;
    CabinetInputFile big;
    big.name = "Data\\big.dat";
    big.data = BigText();
    product.files.push_back(big);
    PlaceSampleCabinet(&fake, product);
    fake.AddFile(state.tempDir + u"\\props.xml", "texts");  // copied beside the log
    state.defines.Set(u"InstallName", u"Demo 1.0");
    state.defines.Set(u"InstallPath", kSampleInstallPath);
    state.defines.Set(u"INSTALL_DIALOG_EXTRACTING", u"Extracting %InstallName%:");
    state.defines.Set(u"ABORT_POPUP_TEXT", u"Stop installing %InstallName%?");
    state.defines.Set(u"ABORT_POPUP_TITLE", u"Cancel");
    state.config.InstallLog = u"%InstallPath%\\Install.log";
    fake.threadsRunConcurrently = true;
  }
  void TearDown() override {
    JoinFakeThreads();
    State().system = nullptr;
  }
  void UseProductPrefixes() {
    State().sourcePrefix = u"files\\";
    State().destinationPrefix = std::u16string(kSampleInstallPath) + u"\\";
  }
  void UseConfigurationPrefixes() {
    State().sourcePrefix = u"cfg\\";
    State().destinationPrefix = std::u16string(kSampleTempDir) + u"\\";
  }

  // The install page's timer until the page closes; answers the texts it showed.
  std::vector<std::u16string> TickInstallPage() {
    std::vector<std::u16string> shown;
    ProgressDisplay display;
    InstallerState& state = State();
    for (;;) {
      InstallProgressTick tick = TickInstallProgress(&display, state.progress.overallPercent,
                                                     state.progress.currentFilePercent,
                                                     CurrentFileName(state.progress), state.workerDone);
      if (tick.setName) shown.push_back(ExtractingText(display.shownName));
      if (tick.close) return shown;
      std::this_thread::yield();
    }
  }

  // The small progress page's timer until the page closes.
  void TickSmallPage() {
    ProgressDisplay display;
    InstallerState& state = State();
    while (!TickSmallProgress(&display, state.progress.overallPercent, state.workerDone,
                              state.extractionFailed).close) {
      std::this_thread::yield();
    }
  }

  FakeSystem fake;
};

auto AnswerYes = [](const std::u16string&, const std::u16string&, uint32_t) { return kIdYes; };

TEST_F(WorkerThreadsTest, InstallWorkerAlongsideTheInstallPage) {
  UseProductPrefixes();
  StartInstallWorker();
  std::vector<std::u16string> shown = TickInstallPage();
  JoinFakeThreads();
  EXPECT_FALSE(State().installFailed);
  EXPECT_EQ(fake.FileData(kLevel), "level one");
  EXPECT_TRUE(fake.FileData(kBig) == BigText());
  for (const std::u16string& text : shown) {
    EXPECT_EQ(text.rfind(u"Extracting Demo 1.0: ", 0), 0u) << ToUtf8(text);
  }
  CloseInstallLog();
  EXPECT_NE(fake.FileData(u"C:\\Games\\Demo\\Install.log").size(), 0u);
}

TEST_F(WorkerThreadsTest, CancelOnTheInstallPageWaitsForTheWorker) {
  UseProductPrefixes();
  StartInstallWorker();
  EXPECT_TRUE(CancelWhileWorking(AnswerYes));
  EXPECT_TRUE(State().workerDone);  // the wait ended only once the worker was done
  JoinFakeThreads();
  EXPECT_TRUE(fake.FileData(kBig) == BigText());  // the worker is never cut short
  CloseInstallLog();
}

TEST_F(WorkerThreadsTest, ConfigurationExtractionAlongsideTheSmallPage) {
  UseConfigurationPrefixes();
  StartConfigExtraction();
  TickSmallPage();
  JoinFakeThreads();
  EXPECT_FALSE(State().extractionFailed);
  EXPECT_EQ(State().progress.overallPercent.load(), 100);
  EXPECT_TRUE(fake.HasFile(std::u16string(kSampleTempDir) + u"\\install.xml"));
}

TEST_F(WorkerThreadsTest, CancelOnTheSmallPageWaitsForTheExtraction) {
  UseConfigurationPrefixes();
  StartConfigExtraction();
  EXPECT_TRUE(CancelWhileWorking(AnswerYes));
  EXPECT_TRUE(State().workerDone);
  EXPECT_TRUE(State().installFailed);
  JoinFakeThreads();
}

}  // namespace
}  // namespace vorlax
