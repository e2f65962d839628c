// The uninstaller's run: `vorlax-uninstall.exe LOGPATH`, from the command line to the final
// message.
//
// 1. Started as LOGPATH alone (as the uninstall entry's UninstallString does), the program copies
//    itself to the temporary folder and starts the copy with "--original <own path> <LOGPATH>",
//    its working folder the temporary folder, then ends at once. The copy does the work, so the
//    uninstaller's own file and the install folder holding it can be deleted while nothing runs
//    from there. The copy marks its own file for deletion at the next system start (Windows
//    95/98/Me cannot; the copy then stays in the temporary folder). When the copy cannot be made
//    or started, the program works in place and marks its own file for deletion at the next start.
// 2. The texts come from the properties copy beside the log; the log is read whole before
//    anything is changed: a log that cannot be read or is malformed changes nothing and says so.
// 3. One confirmation ("%UNINSTALL_TITLE%", "%UNINSTALL_CONFIRM_TEXT%", Yes and No); when the log
//    names user data, one question whether to keep it (Yes keeps, the default button).
// 4. The plan (uninstall_plan.h) is carried out on a worker thread behind the progress page.
// 5. A final message: done, or what was left, refused or kept.
#pragma once

#include "uninstall/uninstall_plan.h"
#include "uninstall/uninstall_removal.h"

namespace vorlax {

// Exit codes of the uninstaller.
constexpr int kUninstallDone = 0;        // everything removed (or the temporary copy started)
constexpr int kUninstallDeclined = 1;    // the player answered No to the confirmation
constexpr int kUninstallIncomplete = 6;  // removed, but something was left or refused
constexpr int kUninstallBadLog = 10;     // no usable log (or no log named): nothing changed

// The option that tells the temporary copy which uninstaller it was started from.
constexpr char16_t kOriginalOption[] = u"--original";
// Prefix of the temporary copy's file name.
constexpr char16_t kTemporaryCopyPrefix[] = u"vun";
constexpr char16_t kTemporaryCopyExtension[] = u".exe";
// Items shown per list in the final message; more are summed up as "...".
constexpr std::size_t kMaxListedItems = 20;

// The run in progress: its plan, its report and the counters the progress page polls.
struct UninstallRun {
  UninstallPlan plan;
  UninstallReport report;
  RemovalProgress progress;
};
UninstallRun& CurrentUninstall();

// The whole run; answers the exit code.
int RunUninstaller();

// The final message's text for report (exposed for tests).
std::u16string FinalMessageText(const UninstallReport& report);

}  // namespace vorlax
