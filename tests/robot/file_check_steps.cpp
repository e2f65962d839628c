// The robot's checks of what the installer left on disk and of the prefix around it:
// expect-file, expect-no-file, expect-no-process, make-folder, remove-folder, unlock-file and
// set-windows-version.
#include "scenario_runner.h"

#include <tlhelp32.h>

#include <cwchar>

#include "folder_watch.h"
#include "output.h"
#include "step_arguments.h"

namespace robot {

namespace {

// Wine's per-program settings; "Version" makes the program see that Windows version.
constexpr wchar_t kWineAppDefaults[] = L"Software\\Wine\\AppDefaults\\";
// The shortest path remove-folder accepts: never a drive's root ("C:\").
constexpr size_t kShortestRemovablePath = 4;

bool SameFileName(const wchar_t* a, const std::wstring& b) { return _wcsicmp(a, b.c_str()) == 0; }

std::wstring BaseName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The file's last-write time as local DOS date and time, the form a cabinet stores.
bool DosStamp(const std::wstring& path, WORD* date, WORD* time) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  FILETIME local = {};
  return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
         FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToDosDateTime(&local, date, time);
}

std::wstring TwoDigits(unsigned value) { return (value < 10 ? L"0" : L"") + std::to_wstring(value); }

std::wstring DateText(WORD date) {
  return std::to_wstring(1980 + (date >> 9)) + L"-" + TwoDigits((date >> 5) & 15) + L"-" + TwoDigits(date & 31);
}

std::wstring TimeText(WORD time) {
  return TwoDigits(time >> 11) + L":" + TwoDigits((time >> 5) & 63) + L":" + TwoDigits((time & 31) * 2);
}

bool RemoveTree(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != FALSE;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  bool ok = true;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") ok = RemoveTree(path + L"\\" + name) && ok;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryW(path.c_str()) && ok;
}

}  // namespace

// Waits (bounded) for the file to exist, since programs the installer starts write theirs
// after it has gone; then checks every property the step names.
bool ScenarioRunner::ExpectFile(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  DWORD started = GetTickCount();
  DWORD attributes;
  while ((attributes = GetFileAttributesW(path.c_str())) == INVALID_FILE_ATTRIBUTES ||
         (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (GetTickCount() - started >= timeoutMs_) return Fail(step, L"no file " + path);
    Sleep(kPollMs);
  }
  std::wstring seen;
  if (const std::wstring* reference = Named(step, L"same-as")) {
    std::string bytes, expected;
    if (!ReadWholeFile(path, &bytes)) return Fail(step, L"cannot read " + path);
    if (!ReadWholeFile(ExpandPath(*reference), &expected)) return Fail(step, L"cannot read " + ExpandPath(*reference));
    if (bytes != expected) {
      size_t at = 0;
      while (at < bytes.size() && at < expected.size() && bytes[at] == expected[at]) ++at;
      return Fail(step, path + L" (" + std::to_wstring(bytes.size()) + L" bytes) differs from " +
                            ExpandPath(*reference) + L" (" + std::to_wstring(expected.size()) +
                            L" bytes) from byte " + std::to_wstring(at) + L" on");
    }
    seen += L" same as " + ExpandPath(*reference);
  }
  if (const std::wstring* text = Named(step, L"text")) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return Fail(step, L"cannot read " + path);
    std::wstring content(bytes.begin(), bytes.end());
    if (content != ExpandText(*text)) return Fail(step, path + L" holds " + Quoted(content) + L", expected " + Quoted(ExpandText(*text)));
    seen += L" " + Quoted(content);
  }
  const std::wstring* date = Named(step, L"date");
  const std::wstring* time = Named(step, L"time");
  if (date || time) {
    WORD dosDate = 0, dosTime = 0;
    if (!DosStamp(path, &dosDate, &dosTime)) return Fail(step, L"cannot read the time of " + path);
    if ((date && *date != DateText(dosDate)) || (time && *time != TimeText(dosTime))) {
      return Fail(step, path + L" is dated " + DateText(dosDate) + L" " + TimeText(dosTime) + L", expected " +
                            (date ? *date : L"any date") + L" " + (time ? *time : L"any time"));
    }
    seen += L" dated " + DateText(dosDate) + L" " + TimeText(dosTime);
  }
  if (const std::wstring* readOnly = Named(step, L"read-only")) {
    if (*readOnly != L"yes" && *readOnly != L"no") return Fail(step, L"read-only= takes yes or no");
    bool isReadOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (isReadOnly != (*readOnly == L"yes")) {
      return Fail(step, path + (isReadOnly ? L" is read-only, expected writable" : L" is writable, expected read-only"));
    }
    seen += isReadOnly ? L" read-only" : L" writable";
  }
  PrintLine(L"file " + path + seen);
  return true;
}

bool ScenarioRunner::ExpectNoFile(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Fail(step, L"found " + path + L", expected none");
  PrintLine(L"no " + path);
  return true;
}

bool ScenarioRunner::ExpectNoProcess(const Step& step) {
  const std::wstring& name = step.positional[0];
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return Fail(step, L"cannot list the processes");
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok && !found; ok = Process32NextW(snapshot, &entry)) {
    found = SameFileName(entry.szExeFile, name);
  }
  CloseHandle(snapshot);
  if (found) return Fail(step, L"a process named " + name + L" is running");
  PrintLine(L"no process named " + name);
  return true;
}

bool ScenarioRunner::MakeFolder(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  for (size_t slash = path.find_first_of(L"\\/", 3); ; slash = path.find_first_of(L"\\/", slash + 1)) {
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    if (slash == std::wstring::npos) break;
  }
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Fail(step, L"cannot make the folder " + path);
  }
  PrintLine(L"made the folder " + path);
  return true;
}

bool ScenarioRunner::CopyFileStep(const Step& step) {
  std::wstring from = ExpandPath(step.positional[0]);
  std::wstring to = ExpandPath(step.positional[1]);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    return Fail(step, L"cannot copy " + from + L" to " + to + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  PrintLine(L"copied " + from + L" to " + to);
  return true;
}

bool ScenarioRunner::RemoveFolder(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  if (path.size() < kShortestRemovablePath) return Fail(step, L"refusing to remove " + path);
  if (!RemoveTree(path)) return Fail(step, L"cannot remove " + path + L" whole");
  PrintLine(L"removed " + path);
  return true;
}

bool ScenarioRunner::UnlockFile(const Step& step) {
  std::wstring path = ExpandPath(step.positional[0]);
  for (auto lock = locks_.begin(); lock != locks_.end(); ++lock) {
    if (_wcsicmp(lock->first.c_str(), path.c_str()) == 0) {
      CloseHandle(lock->second);
      locks_.erase(lock);
      PrintLine(L"unlocked " + path);
      return true;
    }
  }
  return Fail(step, path + L" is not locked by 'lock-file'");
}

// Wine's per-program Windows version for the program 'start' will start; removed again when the
// robot ends, so later scenarios in the same prefix see the normal version.
bool ScenarioRunner::SetWindowsVersion(const Step& step) {
  std::wstring program = BaseName(defaultProgram_);
  if (program.empty()) return Fail(step, L"no program named on the command line");
  std::wstring key = kWineAppDefaults + program;
  HKEY opened = nullptr;
  const std::wstring& version = step.positional[0];
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS) {
    return Fail(step, L"cannot open HKCU\\" + key);
  }
  LONG status = RegSetValueExW(opened, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                               static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return Fail(step, L"cannot set HKCU\\" + key + L"\\Version");
  versionKey_ = key;
  PrintLine(L"Windows version " + version + L" for " + program);
  return true;
}

}  // namespace robot
