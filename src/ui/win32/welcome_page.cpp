// The welcome page: shows the install folder and group; Next, Change settings or Cancel.
#include "ui/page_ids.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

INT_PTR CALLBACK WelcomePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  if (message == WM_INITDIALOG) {
    SendPageFonts(page, {IDC_NEXT, IDC_CHANGE_SETTINGS, IDC_CANCEL, IDC_WELCOME_DIRECTORY_LABEL,
                        IDC_WELCOME_INSTALL_PATH, IDC_WELCOME_GROUP_LABEL,
                        IDC_WELCOME_INSTALL_GROUP, IDC_WELCOME_LINE2});
    SubstituteWindowTexts(page);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  if (id == IDC_NEXT || id == IDC_CHANGE_SETTINGS) {
    EndDialog(page, id);
  } else if (id == IDC_CANCEL && ConfirmAbort(PageQuestion(page))) {
    EndDialog(page, IDC_CANCEL);
  }
  return 1;
}

}  // namespace vorlax
