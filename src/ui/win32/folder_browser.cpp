// BrowseForInstallFolder: SHBrowseForFolderW with a callback that walks the typed path up to a
// folder the browser accepts (the rule is SelectNearestFolder in ui/options_rules).
//
// The browser's "new dialog style" needs COM initialised on the calling thread, so the call is
// bracketed with OleInitialize / OleUninitialize. The two path buffers of the search live in one
// record handed to the callback as its parameter, not in globals.
#include "driver/installer_state.h"
#include "ui/options_rules.h"
#include "ui/page_ids.h"

#include "ui/win32/folder_browser.h"

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include <string>

namespace vorlax {

namespace {

constexpr int kPathBuffer = MAX_PATH;  // 260 characters, terminator included

struct BrowseSearch {
  std::u16string startPath;
  std::u16string selectionPath;  // what the browser last reported as selected
};

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool PathOfItem(LPCITEMIDLIST item, std::u16string* path) {
  wchar_t buffer[kPathBuffer] = {};
  if (!SHGetPathFromIDListW(item, buffer)) return false;
  *path = reinterpret_cast<const char16_t*>(buffer);
  return true;
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM item, LPARAM data) {
  BrowseSearch* search = reinterpret_cast<BrowseSearch*>(data);
  if (message == BFFM_INITIALIZED) {
    SelectNearestFolder(search->startPath, [&](const std::u16string& path) {
      SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(Wide(path)));
      return search->selectionPath;
    });
  } else if (message == BFFM_SELCHANGED) {
    std::u16string path;
    if (PathOfItem(reinterpret_cast<LPCITEMIDLIST>(item), &path)) {
      search->selectionPath = path;
      SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(Wide(path)));
    }
  }
  return 0;
}

std::u16string EditText(HWND page, int id) {
  wchar_t buffer[kPathBuffer] = {};
  GetDlgItemTextW(page, id, buffer, kPathBuffer);
  return reinterpret_cast<const char16_t*>(buffer);
}

}  // namespace

void BrowseForInstallFolder(HWND page) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) return;
  BrowseSearch search;
  search.startPath = EditText(page, IDC_INSTALL_PATH_EDIT);
  const std::u16string title = ExpandDefines(State().defines, u"%SELECT_DIRECTORY%");
  BROWSEINFOW info = {};
  info.hwndOwner = page;
  info.lpszTitle = Wide(title);
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&search);
  const HRESULT ole = OleInitialize(nullptr);
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (chosen) {
    std::u16string path;
    if (PathOfItem(chosen, &path)) SetDlgItemTextW(page, IDC_INSTALL_PATH_EDIT, Wide(path));
    allocator->Free(chosen);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  allocator->Release();
}

}  // namespace vorlax
