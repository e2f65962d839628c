// The licence page: the licence text in a read-only edit on the window colour; Agree or Don't
// agree (which is Cancel).
#include "ui/licence_text.h"
#include "ui/page_ids.h"

#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

namespace {

void FillLicence(HWND page) {
  std::u16string text;
  LoadLicenseText(LicenceFilePath(), &text);
  SetDlgItemTextW(page, IDC_LICENCE_TEXT, reinterpret_cast<const wchar_t*>(text.c_str()));
}

}  // namespace

INT_PTR CALLBACK LicencePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC &&
      GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_LICENCE_TEXT) {
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
  }
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  if (message == WM_INITDIALOG) {
    SendPageFonts(page, {IDC_LICENCE_TEXT, IDC_CANCEL, IDC_NEXT});
    FillLicence(page);
    SubstituteWindowTexts(page);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  if (id == IDC_LICENCE_TEXT) {
    if (HIWORD(wParam) == EN_SETFOCUS) SendDlgItemMessageW(page, IDC_LICENCE_TEXT, EM_SETSEL, 0, 0);
  } else if (id == IDC_NEXT) {
    EndDialog(page, IDC_NEXT);
  } else if (id == IDC_CANCEL && ConfirmAbort(PageQuestion(page))) {
    EndDialog(page, IDC_CANCEL);
  }
  return 1;
}

}  // namespace vorlax
