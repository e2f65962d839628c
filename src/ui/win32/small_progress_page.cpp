// The small progress page of the configuration stage: one bar, no painting or fonts of its own
// (the system's dialog background stays). Closes when the task is done and the bar is full, or
// when the extraction failed. Esc and the close box ask, then wait for the task.
#include "driver/installer_state.h"
#include "ui/page_ids.h"
#include "ui/progress_animation.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

namespace {

constexpr UINT kTickMilliseconds = 50;

void Tick(HWND page) {
  InstallerState& state = State();
  const SmallProgressTick tick = TickSmallProgress(
      &SharedProgressDisplay(), state.progress.overallPercent, state.workerDone,
      state.extractionFailed);
  if (tick.setBar) SetBar(page, IDC_SMALL_PROGRESS, tick.bar);
  if (tick.close) {
    KillTimer(page, IDT_PROGRESS);
    EndDialog(page, IDC_NEXT);
  }
}

}  // namespace

INT_PTR CALLBACK SmallProgressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SubstituteWindowTexts(page);
      SetTimer(page, IDT_PROGRESS, kTickMilliseconds, nullptr);
      SetPercentRange(page, IDC_SMALL_PROGRESS);
      return 0;
    case WM_TIMER:
      if (wParam == IDT_PROGRESS) Tick(page);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CANCEL && CancelWhileWorking(PageQuestion(page))) {
        KillTimer(page, IDT_PROGRESS);
        EndDialog(page, IDC_CANCEL);
      }
      return 1;
    default:
      return 0;
  }
}

}  // namespace vorlax
