// The install page: two progress bars and the current file's name following the install worker;
// closes itself when the worker is done. Cancel asks, then waits for the worker.
#include "driver/installer_state.h"
#include "ui/page_ids.h"
#include "ui/progress_animation.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

namespace {

constexpr UINT kTickMilliseconds = 40;

void Tick(HWND page) {
  InstallerState& state = State();
  ProgressDisplay& display = SharedProgressDisplay();
  const InstallProgressTick tick = TickInstallProgress(
      &display, state.progress.overallPercent, state.progress.currentFilePercent,
      CurrentFileName(state.progress), state.workerDone);
  if (tick.setName) {
    const std::u16string text = ExtractingText(display.shownName);
    SetDlgItemTextW(page, IDC_EXTRACTING_TEXT, reinterpret_cast<const wchar_t*>(text.c_str()));
  }
  if (tick.setFileBar) SetBar(page, IDC_FILE_PROGRESS, tick.fileBar);
  if (tick.setOverallBar) SetBar(page, IDC_OVERALL_PROGRESS, tick.overallBar);
  if (tick.close) {
    KillTimer(page, IDT_PROGRESS);
    EndDialog(page, IDC_NEXT);
  }
}

}  // namespace

INT_PTR CALLBACK InstallPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      SendPageFonts(page, {IDC_CANCEL, IDC_EXTRACTING_TEXT, IDC_TOTAL_PROGRESS_TEXT});
      SubstituteWindowTexts(page);
      SetTimer(page, IDT_PROGRESS, kTickMilliseconds, nullptr);
      SetPercentRange(page, IDC_FILE_PROGRESS);
      SetPercentRange(page, IDC_OVERALL_PROGRESS);
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
