// The progress pages' animation: how the bars follow the extraction's numbers from one timer tick
// to the next, and when a page closes itself.
//
// Small progress page (50 ms ticks): the bar climbs at most kSmallStep points per tick towards
// the overall percent and never moves down; the page closes once the task is done and the bar
// shows at least 100, or at once when the extraction failed.
//
// Install page (40 ms ticks): the overall bar shows the overall percent scaled to at most 90; the
// current-file bar climbs at most kFileStep points per tick and falls back at once when the value
// drops; at each new file name it restarts from 0 when it stood above 75, otherwise it is set to
// 100 for one tick. The page closes as soon as the worker is done.
//
// The display state (`ProgressDisplay`) lives for the whole run and is shared by both pages, so
// the install page starts from what the small page last showed.
#pragma once

#include <cstdint>
#include <string>

#include "cabinet/extraction_progress.h"

namespace vorlax {

struct ProgressDisplay {
  int32_t shownOverall = 0;
  int32_t shownFile = 0;
  std::u16string shownName;
};

// The run's display state.
ProgressDisplay& SharedProgressDisplay();

// What one tick of the small progress page does.
struct SmallProgressTick {
  bool setBar = false;  // put `bar` into the progress bar
  int32_t bar = 0;
  bool close = false;   // end the page with "done"
};

SmallProgressTick TickSmallProgress(ProgressDisplay* display, int32_t overallPercent,
                                    bool workerDone, bool extractionFailed);

// What one tick of the install page does.
struct InstallProgressTick {
  bool setName = false;  // the current file changed: show ExtractingText(display's name)
  bool setFileBar = false;
  int32_t fileBar = 0;
  bool setOverallBar = false;
  int32_t overallBar = 0;
  bool close = false;  // end the page with "done"
};

InstallProgressTick TickInstallProgress(ProgressDisplay* display, int32_t overallPercent,
                                        int32_t filePercent, const std::u16string& fileName,
                                        bool workerDone);

// The current file name of the extraction, widened byte by byte (bytes above 127 become U+0080
// to U+00FF), up to its terminating zero.
std::u16string CurrentFileName(const ExtractionProgress& progress);

// The text of the install page's file line: the expanded "%INSTALL_DIALOG_EXTRACTING% " (with
// its space), then the name as it is, then " ...". The name itself is not expanded: a file name
// with a "%" in it is shown as it is.
std::u16string ExtractingText(const std::u16string& fileName);

}  // namespace vorlax
