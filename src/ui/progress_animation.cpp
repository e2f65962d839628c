// The progress pages' tick rules (see the header for the rules in words).
#include "ui/progress_animation.h"

#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr int32_t kSmallStep = 20;
constexpr int32_t kFileStep = 25;
constexpr int32_t kFullBar = 100;
constexpr int32_t kInstallOverallCap = 90;    // percent of the overall value shown
constexpr int32_t kFileRestartAbove = 75;     // a new file restarts the bar from 0 above this

void FollowFile(ProgressDisplay* display, int32_t filePercent, const std::u16string& fileName,
                InstallProgressTick* tick) {
  if (fileName != display->shownName) {
    display->shownName = fileName;
    tick->setName = true;
    display->shownFile = display->shownFile > kFileRestartAbove ? 0 : kFullBar;
  } else if (display->shownFile != filePercent) {
    display->shownFile += kFileStep;
    if (display->shownFile > filePercent) display->shownFile = filePercent;
  } else {
    return;
  }
  tick->setFileBar = true;
  tick->fileBar = display->shownFile;
}

}  // namespace

ProgressDisplay& SharedProgressDisplay() {
  static ProgressDisplay display;
  return display;
}

SmallProgressTick TickSmallProgress(ProgressDisplay* display, int32_t overallPercent,
                                    bool workerDone, bool extractionFailed) {
  SmallProgressTick tick;
  if (display->shownOverall < overallPercent) {
    display->shownOverall += kSmallStep;
    if (display->shownOverall > overallPercent) display->shownOverall = overallPercent;
    tick.setBar = true;
    tick.bar = display->shownOverall;
  }
  tick.close = (workerDone && display->shownOverall >= kFullBar) || extractionFailed;
  return tick;
}

InstallProgressTick TickInstallProgress(ProgressDisplay* display, int32_t overallPercent,
                                        int32_t filePercent, const std::u16string& fileName,
                                        bool workerDone) {
  InstallProgressTick tick;
  const int32_t overall = overallPercent * kInstallOverallCap / kFullBar;
  FollowFile(display, filePercent, fileName, &tick);
  if (overall != display->shownOverall) {
    display->shownOverall = overall;
    tick.setOverallBar = true;
    tick.overallBar = overall;
  }
  tick.close = workerDone;
  return tick;
}

std::u16string CurrentFileName(const ExtractionProgress& progress) {
  std::u16string name;
  for (const std::atomic<char>& slot : progress.currentFileName) {
    const char byte = slot.load(std::memory_order_relaxed);
    if (byte == 0) break;
    name.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
  }
  return name;
}

std::u16string ExtractingText(const std::u16string& fileName) {
  return ExpandDefines(State().defines, u"%INSTALL_DIALOG_EXTRACTING% ") + fileName + u" ...";
}

}  // namespace vorlax
