// Folder listings and file contents for the robot's folder checks (see folder_watch.h).
#include "folder_watch.h"

#include <windows.h>

namespace robot {

std::set<std::wstring> SubFolders(const std::wstring& folder, const std::wstring& prefix) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && name.size() >= prefix.size() &&
        _wcsnicmp(name.c_str(), prefix.c_str(), prefix.size()) == 0) {
      names.insert(name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  bytes->clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  for (;;) {
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

}  // namespace robot
