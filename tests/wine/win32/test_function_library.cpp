// vorlax-test-functions.dll: a library for the installer's function references ("Name@path").
//
// Its one export, Setup, takes no arguments (as the installer calls it) and leaves a trace that
// can be seen from inside the calling process and from outside it: it appends one line "called"
// to the file of the library's own path followed by ".called". Each call adds a line, so a
// scenario can also tell how often the function ran.
//
// Trap: the export is a C function with the default calling convention, so its name in the export
// table is exactly "Setup" on 32-bit Windows as well (a __stdcall export would be "Setup@0").
#include <windows.h>

namespace {

HMODULE thisLibrary = nullptr;
constexpr DWORD kPathRoom = 1024;
constexpr wchar_t kTraceSuffix[] = L".called";
constexpr char kTraceLine[] = "called\r\n";

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) thisLibrary = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) void Setup() {
  wchar_t path[kPathRoom + 8] = {};
  DWORD length = GetModuleFileNameW(thisLibrary, path, kPathRoom);
  if (length == 0 || length >= kPathRoom) return;
  lstrcatW(path, kTraceSuffix);
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, kTraceLine, sizeof kTraceLine - 1, &written, nullptr);
  CloseHandle(file);
}
