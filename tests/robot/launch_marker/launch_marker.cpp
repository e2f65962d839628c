// vorlax-launch-marker.exe: the sample product's program for the launch page's scenarios. When
// started it writes its working directory (UTF-8, no line end) into "launch-marker.txt" beside its
// own executable, so a scenario can tell whether and where the installer started it.
// The text goes to a temporary name first and is then renamed, so a reader never sees half of it.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMarkerName[] = L"launch-marker.txt";
constexpr wchar_t kPartialSuffix[] = L".partial";

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L"\\/") + 1);
}

}  // namespace

int wmain() {
  wchar_t directory[MAX_PATH];
  DWORD length = GetCurrentDirectoryW(MAX_PATH, directory);
  std::wstring folder = OwnFolder();
  if (length == 0 || length >= MAX_PATH || folder.empty()) return 1;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, directory, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string text(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, directory, static_cast<int>(length), &text[0], bytes, nullptr, nullptr);

  std::wstring marker = folder + kMarkerName;
  std::wstring partial = marker + kPartialSuffix;
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  ok = CloseHandle(file) && ok;
  return ok && MoveFileExW(partial.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
