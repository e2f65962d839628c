// The entry point of vorlax-uninstall.exe: hands the portable run the real Win32 seam.
//
// Everything the uninstaller does happens in RunUninstaller (uninstall/uninstaller.h) through
// State().system; this file only chooses the implementation. The command line is read through
// the seam (GetCommandLineW), not from wWinMain's arguments.
#include "driver/installer_state.h"
#include "uninstall/uninstaller.h"
#include "uninstall/win32/uninstall_win32_system.h"

// After the seam's headers on purpose (see the trap noted in win32_system.h).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static vorlax::UninstallWin32System system;
  vorlax::State().system = &system;
  return vorlax::RunUninstaller();
}
