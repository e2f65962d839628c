// The abort page, shown after a failed or cancelled run: Exit (also Esc and the close box) ends
// it; ConfirmAbort does not ask because the run has already failed.
#include "ui/page_ids.h"
#include "ui/readme.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

INT_PTR CALLBACK AbortPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  if (message == WM_INITDIALOG) {
    SendPageFonts(page, {IDC_CANCEL, IDC_ABORT_LINE2, IDC_ABORT_LINE3});
    SubstituteWindowTexts(page);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  if (id == IDC_VIEW_README) {
    OpenReadme();
  } else if (id == IDC_CANCEL && ConfirmAbort(PageQuestion(page))) {
    EndDialog(page, IDC_CANCEL);
  }
  return 1;
}

}  // namespace vorlax
