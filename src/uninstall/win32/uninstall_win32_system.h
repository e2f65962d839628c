// UninstallWin32System: the real seam for the uninstaller, which shows its own progress page.
//
// Everything but RunPage is the installer's Win32System. Trap: like win32_system.h, this header
// does not include <windows.h> (its macros would rename the seam's methods).
#pragma once

#include "platform/win32/win32_system.h"

namespace vorlax {

class UninstallWin32System : public Win32System {
 public:
  // The uninstaller's progress page (IDD_UNINSTALL_PAGE) from this program's resources; any
  // other id goes to the installer's pages.
  int RunPage(int dialogId) override;
};

}  // namespace vorlax
