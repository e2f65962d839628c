// The launch page: Done (launch or not, after the check box), View readme; the close box ends it
// without a question.
#include "ui/launch_rules.h"
#include "ui/page_ids.h"
#include "ui/readme.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

INT_PTR CALLBACK LaunchPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  if (message == WM_INITDIALOG) {
    SendPageFonts(page, {IDC_LAUNCH_YES, IDC_LAUNCH_LINE2, IDC_LAUNCH_LINE3, IDC_VIEW_README,
                        IDC_LAUNCH_CHECK});
    SubstituteWindowTexts(page);
    CheckDlgButton(page, IDC_LAUNCH_CHECK, BST_CHECKED);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  switch (LOWORD(wParam)) {
    case IDC_LAUNCH_YES:
      EndDialog(page, LaunchPageResult(IsDlgButtonChecked(page, IDC_LAUNCH_CHECK) == BST_CHECKED));
      break;
    case IDC_VIEW_README:
      OpenReadme();
      break;
    case IDC_CANCEL:
      EndDialog(page, IDC_CANCEL);
      break;
    default:
      break;
  }
  return 1;
}

}  // namespace vorlax
