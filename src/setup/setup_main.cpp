// The entry point of vorlax-setup.exe: hands the portable run the real Win32 seam.
//
// Everything the installer does happens in RunInstaller (driver/entry.h) through State().system;
// this file only chooses the implementation. The instance handle is not needed here: the seam
// finds the executable's resources through GetModuleHandleW(NULL), which names the same module.
// The command line is not read.
#include "driver/entry.h"
#include "driver/installer_state.h"
#include "platform/win32/win32_system.h"

// After win32_system.h on purpose (see the trap noted there).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static vorlax::Win32System system;
  vorlax::State().system = &system;
  return vorlax::RunInstaller();
}
