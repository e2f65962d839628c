// Win32System's operations for the uninstaller: registry values and keys removed, sub-keys
// listed, file attributes, deletion at the next system start, shell folders, the command line.
//
// Each is the one Win32 call it names; the core decides what to remove and in which order.
#include "platform/win32/win32_system.h"

// After win32_system.h on purpose (see the trap noted there).
#include <windows.h>
#include <shlobj.h>

namespace vorlax {

namespace {

// RegEnumKeyExW's name buffer: the longest key name (255 characters) and the terminator.
constexpr DWORD kKeyNameBuffer = 256;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

HKEY AsKey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

bool Win32System::DeleteValue(RegistryKey key, const std::u16string& name) {
  return RegDeleteValueW(AsKey(key), Wide(name)) == ERROR_SUCCESS;
}

bool Win32System::DeleteKey(RegistryKey parent, const std::u16string& subkey) {
  return RegDeleteKeyW(AsKey(parent), Wide(subkey)) == ERROR_SUCCESS;
}

bool Win32System::EnumerateSubkey(RegistryKey key, uint32_t index, std::u16string* name) {
  wchar_t buffer[kKeyNameBuffer];
  DWORD length = kKeyNameBuffer;
  if (RegEnumKeyExW(AsKey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  name->assign(reinterpret_cast<const char16_t*>(buffer), length);
  return true;
}

bool Win32System::IsReparsePoint(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool Win32System::SetFileAttributesWide(const std::u16string& path, uint32_t attributes) {
  return SetFileAttributesW(Wide(path), attributes) != 0;
}

bool Win32System::DeleteFileAtRestart(const std::u16string& path) {
  return MoveFileExW(Wide(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

std::u16string Win32System::ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {0};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return std::u16string();
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::u16string Win32System::CommandLine() {
  return std::u16string(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}

}  // namespace vorlax
