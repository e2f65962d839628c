// The options page: install folder and program-menu group; Next stores them, Back restores the
// saved values, Browse opens the folder browser.
#include "driver/installer_state.h"
#include "ui/options_rules.h"
#include "ui/page_ids.h"

#include "ui/win32/folder_browser.h"
#include "ui/win32/page_common.h"
#include "ui/win32/page_procedures.h"

#include <string>

namespace vorlax {

namespace {

constexpr int kEditBuffer = 256;  // characters, terminator included

std::u16string EditText(HWND page, int id) {
  wchar_t buffer[kEditBuffer] = {};
  GetDlgItemTextW(page, id, buffer, kEditBuffer);
  return reinterpret_cast<const char16_t*>(buffer);
}

void SetEditText(HWND page, int id, const std::u16string& text) {
  SetDlgItemTextW(page, id, reinterpret_cast<const wchar_t*>(text.c_str()));
}

}  // namespace

INT_PTR CALLBACK OptionsPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (HandleFrameMessage(page, message, wParam, lParam, &result)) return result;
  if (message == WM_INITDIALOG) {
    SendPageFonts(page, {IDC_NEXT, IDC_CANCEL, IDC_INSTALL_PATH_EDIT, IDC_BROWSE,
                        IDC_INSTALL_GROUP_EDIT, IDC_OPTIONS_DIRECTORY_LABEL,
                        IDC_OPTIONS_GROUP_LABEL, IDC_BACK});
    SetEditText(page, IDC_INSTALL_PATH_EDIT, State().defines.Get(u"InstallPath"));
    SetEditText(page, IDC_INSTALL_GROUP_EDIT, State().defines.Get(u"InstallGroup"));
    SubstituteWindowTexts(page);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  switch (LOWORD(wParam)) {
    case IDC_NEXT:
      StoreOptions(EditText(page, IDC_INSTALL_PATH_EDIT), EditText(page, IDC_INSTALL_GROUP_EDIT));
      EndDialog(page, IDC_NEXT);
      break;
    case IDC_BACK:
      RestoreSavedOptions();
      EndDialog(page, IDC_BACK);
      break;
    case IDC_BROWSE:
      BrowseForInstallFolder(page);
      break;
    case IDC_CANCEL:
      if (ConfirmAbort(PageQuestion(page))) EndDialog(page, IDC_CANCEL);
      break;
    default:
      break;
  }
  return 1;
}

}  // namespace vorlax
