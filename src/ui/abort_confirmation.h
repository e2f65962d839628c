// The question asked before a page is cancelled, and the progress pages' cancel, which waits for
// the background task before the page may close.
//
// The question box belongs to the page that asks (its owner window), so the asking itself is
// handed in by the page as `AskQuestion`; the Win32 pages pass a MessageBoxW call owned by the
// page, the unit tests a recorder.
//
// Trap: the configuration stage's small progress page can be cancelled before props.xml is
// loaded, when both texts of the question expand to nothing. A Yes/No box without a word would
// let the user stop the installation without knowing it, so each text that expands to nothing is
// replaced by a fixed English one, as the error boxes do (driver/fatal_error.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorlax {

// Shows a question box (text, caption, style) and answers the id of the pressed button.
using AskQuestion =
    std::function<int(const std::u16string& text, const std::u16string& caption, uint32_t style)>;

// Style of the question: Yes and No buttons, No preselected (MB_YESNO | MB_DEFBUTTON2).
constexpr uint32_t kAbortQuestionStyle = 0x104;

// The question's texts while no properties are loaded (or where they expand to nothing).
constexpr char kFallbackAbortText[] = "Do you want to stop the installation?";
constexpr char kFallbackAbortCaption[] = "Stop Setup";

// True to cancel: at once when `installFailed` is already set, otherwise when the answer to the
// expanded "%ABORT_POPUP_TEXT%" / "%ABORT_POPUP_TITLE%" question (each with its fallback) is Yes.
bool ConfirmAbort(const AskQuestion& ask);

// Blocks the calling thread in 100 ms sleeps (through the seam) until `workerDone` is set.
void WaitForWorker();

// The progress pages' cancel: false when the user answers No (nothing changes); otherwise sets
// `installFailed`, waits for the background task to finish and answers true (end the page with 2).
bool CancelWhileWorking(const AskQuestion& ask);

}  // namespace vorlax
