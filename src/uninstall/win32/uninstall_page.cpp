// The uninstaller's progress page: title and line from the texts, a bar that follows the
// removal's counters, polled by a timer; the page ends by itself when the removal has finished
// and cannot be closed before (a half-done removal cannot be taken back).
#include "uninstall/win32/uninstall_win32_system.h"

// After uninstall_win32_system.h on purpose (see the trap noted there).
#include <windows.h>
#include <commctrl.h>

#include "uninstall/uninstall_page_ids.h"
#include "uninstall/uninstall_texts.h"
#include "uninstall/uninstaller.h"

namespace vorlax {

namespace {

constexpr UINT kPollMs = 50;
constexpr uint32_t kBarScale = 1000;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

void ShowProgress(HWND page) {
  const RemovalProgress& progress = CurrentUninstall().progress;
  uint32_t total = progress.total;
  uint32_t done = progress.done;
  uint32_t position = total == 0 ? 0 : static_cast<uint32_t>(uint64_t{done} * kBarScale / total);
  SendDlgItemMessageW(page, IDC_UNINSTALL_PROGRESS, PBM_SETPOS, position, 0);
}

INT_PTR CALLBACK UninstallPageProcedure(HWND page, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextW(page, Wide(UninstallText(kTextTitle)));
      SetDlgItemTextW(page, IDC_UNINSTALL_TEXT, Wide(UninstallText(kTextProgress)));
      SendDlgItemMessageW(page, IDC_UNINSTALL_PROGRESS, PBM_SETRANGE32, 0, kBarScale);
      SetTimer(page, IDT_UNINSTALL_PROGRESS, kPollMs, nullptr);
      return TRUE;
    case WM_TIMER:
      ShowProgress(page);
      if (CurrentUninstall().progress.finished) {
        KillTimer(page, IDT_UNINSTALL_PROGRESS);
        EndDialog(page, IDC_UNINSTALL_FINISHED);
      }
      return TRUE;
    case WM_CLOSE:
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int UninstallWin32System::RunPage(int dialogId) {
  if (dialogId != IDD_UNINSTALL_PAGE) return Win32System::RunPage(dialogId);
  InitCommonControls();
  return static_cast<int>(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialogId),
                                          nullptr, UninstallPageProcedure, 0));
}

}  // namespace vorlax
