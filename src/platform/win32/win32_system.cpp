// Win32System: each seam operation mapped onto the Win32 call it names.
//
// Traps: <windows.h> defines DeleteFile, CopyFile, GetDiskFreeSpace and ShellExecute as macros;
// they are undefined right after the includes so the seam's methods keep their names, and the W
// functions are called by their full names. File handles are HANDLEs held as intptr_t; INVALID_HANDLE_VALUE is kNoFile (-1).
#include <windows.h>
#undef DeleteFile
#undef CopyFile

#include <commctrl.h>
#include <shellapi.h>
#undef GetDiskFreeSpace
#undef ShellExecute
#include <process.h>

#include <cwchar>
#include <string>

#include "platform/win32/win32_system.h"

#include "driver/installer_state.h"
#include "ui/win32/page_procedures.h"

namespace vorlax {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be 16 bits on Windows");
static_assert(sizeof(HANDLE) == sizeof(FileHandle), "a HANDLE must fit a FileHandle");
static_assert(sizeof(HKEY) == sizeof(RegistryKey), "an HKEY must fit a RegistryKey");

namespace {

// Room GetModuleFileNameW, GetWindowsDirectoryW and GetSystemDirectoryW get: 255 characters and
// the terminator.
constexpr DWORD kShortPathBuffer = 256;
// The shared background colour of every page (the top byte selects a palette-relative colour).
constexpr COLORREF kBackgroundColour = 0x02DADADA;
constexpr int kBodyFontPoints = 10;
constexpr int kBodyFontWeight = FW_NORMAL;
constexpr int kHeaderFontPoints = 16;
constexpr int kHeaderFontWeight = FW_BOLD;
constexpr int kPointsPerInch = 72;
// Per-process counter values tried for one temporary name before giving up.
constexpr uint32_t kTempNameTries = 0x10000;
constexpr int kProcessIdDigits = 8;
constexpr int kCounterDigits = 4;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string FromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

HANDLE AsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
HKEY AsKey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

// CreateFile's access, sharing and disposition for each FileAccess. Readers share reading and
// writing with others, as the runtime library's open does (the running executable is opened so).
struct OpenMode {
  DWORD access;
  DWORD share;
  DWORD disposition;
};

OpenMode ModeFor(FileAccess access) {
  switch (access) {
    case FileAccess::kRead:
      return {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING};
    case FileAccess::kCreateWrite:
      return {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
    case FileAccess::kReadWriteExisting:
      return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING};
  }
  return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
}

FileHandle FromHandle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return kNoFile;
  return reinterpret_cast<FileHandle>(handle);
}

bool NameExists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

// Appends value as exactly digits upper-case hexadecimal digits (the stub carries no printf).
void AppendHex(std::u16string* text, uint32_t value, int digits) {
  constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    text->push_back(kHexDigits[(value >> shift) & 0xF]);
  }
}

// The procedure of a template that is no installer page: accept the dialog, end it with the id of
// the first command.
INT_PTR CALLBACK EndOnCommand(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) {
    EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

unsigned __stdcall RunThreadEntry(void* entry) {
  reinterpret_cast<void (*)()>(entry)();
  return 0;
}

HFONT CreatePageFont(HDC dc, int points, int weight, const wchar_t* face) {
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
  return CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

}  // namespace

Win32System::Win32System() = default;

// --- Registry ------------------------------------------------------------------------------------

bool Win32System::OpenKey(RegistryKey parent, const std::u16string& subkey, uint32_t access,
                          RegistryKey* key) {
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExW(AsKey(parent), Wide(subkey), 0, access, &opened);
  if (result != ERROR_SUCCESS) return false;
  *key = reinterpret_cast<RegistryKey>(opened);
  return true;
}

bool Win32System::QueryValue(RegistryKey key, const std::u16string& name, uint32_t maxBytes,
                             uint32_t* type, std::string* data) {
  std::string buffer(maxBytes, '\0');
  DWORD valueType = REG_NONE;
  DWORD size = maxBytes;
  LONG result = RegQueryValueExW(AsKey(key), Wide(name), nullptr, &valueType,
                                 reinterpret_cast<BYTE*>(&buffer[0]), &size);
  if (result != ERROR_SUCCESS) return false;
  buffer.resize(size);
  *type = valueType;
  *data = buffer;
  return true;
}

void Win32System::CloseKey(RegistryKey key) { RegCloseKey(AsKey(key)); }

// --- Files ---------------------------------------------------------------------------------------

FileHandle Win32System::OpenFile(const std::u16string& path, FileAccess access) {
  OpenMode mode = ModeFor(access);
  return FromHandle(CreateFileW(Wide(path), mode.access, mode.share, nullptr, mode.disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle Win32System::OpenFileNarrow(const std::string& path, FileAccess access) {
  OpenMode mode = ModeFor(access);
  return FromHandle(CreateFileA(path.c_str(), mode.access, mode.share, nullptr, mode.disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

int64_t Win32System::ReadFile(FileHandle file, void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!::ReadFile(AsHandle(file), buffer, count, &done, nullptr)) return -1;
  return done;
}

int64_t Win32System::WriteFile(FileHandle file, const void* buffer, uint32_t count) {
  DWORD done = 0;
  if (!::WriteFile(AsHandle(file), buffer, count, &done, nullptr)) return -1;
  return done;
}

int64_t Win32System::SeekFile(FileHandle file, int64_t offset, SeekOrigin origin) {
  static_assert(static_cast<DWORD>(SeekOrigin::kBegin) == FILE_BEGIN, "seek origins");
  static_assert(static_cast<DWORD>(SeekOrigin::kCurrent) == FILE_CURRENT, "seek origins");
  static_assert(static_cast<DWORD>(SeekOrigin::kEnd) == FILE_END, "seek origins");
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(AsHandle(file), distance, &position, static_cast<DWORD>(origin))) {
    return -1;
  }
  return position.QuadPart;
}

bool Win32System::CloseFile(FileHandle file) { return CloseHandle(AsHandle(file)) != FALSE; }

// --- Folders and file properties -----------------------------------------------------------------

bool Win32System::CreateFolder(const std::u16string& path) {
  return CreateDirectoryW(Wide(path), nullptr) != FALSE;
}

bool Win32System::CreateFolderNarrow(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32System::RemoveFolder(const std::u16string& path) {
  return RemoveDirectoryW(Wide(path)) != FALSE;
}

bool Win32System::DeleteFile(const std::u16string& path) {
  return DeleteFileW(Wide(path)) != FALSE;
}

bool Win32System::ListFolder(const std::u16string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  std::u16string pattern = path + u"\\*.*";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(pattern), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    FolderEntry entry;
    entry.name = FromWide(found.cFileName, std::wcslen(found.cFileName));
    entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries->push_back(entry);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

bool Win32System::CopyFile(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(Wide(from), Wide(to), FALSE) != FALSE;
}

bool Win32System::SetFileAttributesNarrow(const std::string& path, uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32System::SetFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME local;
  FILETIME universal;
  bool ok = DosDateTimeToFileTime(dosDate, dosTime, &local) &&
            LocalFileTimeToFileTime(&local, &universal) &&
            SetFileTime(file, &universal, nullptr, &universal);
  CloseHandle(file);
  return ok;
}

// --- Process and system facts ----------------------------------------------------------------------

// A path longer than 255 characters does not fit; the system then fills the whole buffer with
// the cut path (without a terminator on older systems). A cut path names some other file, so the
// answer is empty instead, which no file open accepts.
std::u16string Win32System::ModuleFileName() {
  wchar_t buffer[kShortPathBuffer] = {};
  DWORD length = GetModuleFileNameW(nullptr, buffer, kShortPathBuffer);
  if (length == 0 || length >= kShortPathBuffer) return std::u16string();
  return FromWide(buffer, length);
}

// Scheme: the user's temporary folder (GetTempPathW, which ends in "\"), then the prefix, then the
// process id as 8 hexadecimal digits and a per-process counter as 4, e.g. "...\Temp\vorcfg000004D20000".
// A candidate that names an existing file or folder is skipped, so two installers running at once
// (different ids) or one asking twice (the counter) never share a name. Nothing is created. When
// the temporary folder is unknown or every counter value is taken, the answer is empty.
std::u16string Win32System::UniqueTempName(const std::u16string& prefix) {
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return std::u16string();
  std::u16string base = FromWide(folder, length) + prefix;
  for (uint32_t tried = 0; tried < kTempNameTries; ++tried) {
    std::u16string candidate = base;
    AppendHex(&candidate, GetCurrentProcessId(), kProcessIdDigits);
    AppendHex(&candidate, tempNameCounter_++ & 0xFFFF, kCounterDigits);
    if (!NameExists(candidate)) return candidate;
  }
  return std::u16string();
}

std::u16string Win32System::WindowsFolder() {
  wchar_t buffer[kShortPathBuffer] = {};
  UINT length = GetWindowsDirectoryW(buffer, kShortPathBuffer);
  if (length >= kShortPathBuffer) return std::u16string();
  return FromWide(buffer, length);
}

std::u16string Win32System::SystemFolder() {
  wchar_t buffer[kShortPathBuffer] = {};
  UINT length = GetSystemDirectoryW(buffer, kShortPathBuffer);
  if (length >= kShortPathBuffer) return std::u16string();
  return FromWide(buffer, length);
}

bool Win32System::QueryVersion(VersionRecord record, SystemVersion* version) {
  static_assert(sizeof(OSVERSIONINFOEXW) == static_cast<size_t>(VersionRecord::kExtended),
                "extended version record size");
  static_assert(sizeof(OSVERSIONINFOW) == static_cast<size_t>(VersionRecord::kBasic),
                "basic version record size");
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = static_cast<DWORD>(record);
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return false;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->build = info.dwBuildNumber;
  version->platformId = info.dwPlatformId;
  return true;
}

bool Win32System::GetDiskFreeSpace(const std::u16string& root, DiskFreeSpace* space) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!::GetDiskFreeSpaceW(Wide(root), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return false;
  }
  space->sectorsPerCluster = sectorsPerCluster;
  space->bytesPerSector = bytesPerSector;
  space->freeClusters = freeClusters;
  space->totalClusters = totalClusters;
  return true;
}

// --- User interface -------------------------------------------------------------------------------

int Win32System::ShowMessage(const std::u16string& text, const std::u16string& caption,
                             uint32_t style) {
  return MessageBoxW(nullptr, Wide(text), caption.empty() ? nullptr : Wide(caption), style);
}

void Win32System::CreateUiResources() {
  InitCommonControls();
  AddFontResourceW(L"MSGOTHIC.TTC");
  UiResources& ui = State().ui;
  ui.backgroundBrush = CreateSolidBrush(kBackgroundColour);
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDC(desktop);
  ui.bodyFont = CreatePageFont(dc, kBodyFontPoints, kBodyFontWeight, L"");
  ui.headerFont = CreatePageFont(dc, kHeaderFontPoints, kHeaderFontWeight, L"Arial");
  ReleaseDC(desktop, dc);
}

// Only the brush is deleted at the end of the run; the two fonts end with the process.
void Win32System::DestroyUiResources() {
  UiResources& ui = State().ui;
  if (ui.backgroundBrush) DeleteObject(static_cast<HGDIOBJ>(ui.backgroundBrush));
  ui.backgroundBrush = nullptr;
}

int Win32System::RunPage(int dialogId) {
  DLGPROC procedure = PageProcedureFor(dialogId);
  if (!procedure) procedure = EndOnCommand;
  INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialogId), nullptr,
                                   procedure, 0);
  return static_cast<int>(result);
}

void Win32System::LoadPageBitmaps(const std::u16string& logoPath,
                                  const std::u16string& productPath) {
  UiResources& ui = State().ui;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  ui.logoBitmap = LoadImageW(instance, Wide(logoPath), IMAGE_BITMAP, 0, 0,
                             LR_LOADFROMFILE | LR_DEFAULTSIZE);
  ui.productBitmap = LoadImageW(instance, Wide(productPath), IMAGE_BITMAP, 0, 0,
                                LR_LOADFROMFILE | LR_DEFAULTSIZE);
}

bool Win32System::ShellExecute(const std::u16string& verb, const std::u16string& file,
                               const std::u16string& parameters,
                               const std::u16string& directory) {
  HINSTANCE result = ::ShellExecuteW(nullptr, Wide(verb), Wide(file),
                                   parameters.empty() ? nullptr : Wide(parameters),
                                   directory.empty() ? nullptr : Wide(directory), SW_SHOWNORMAL);
  return reinterpret_cast<intptr_t>(result) > 32;
}

// --- Threads ---------------------------------------------------------------------------------------

bool Win32System::StartThread(void (*entry)()) {
  uintptr_t thread = _beginthreadex(nullptr, 0, RunThreadEntry, reinterpret_cast<void*>(entry), 0,
                                    nullptr);
  if (thread == 0) return false;
  CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}

void Win32System::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace vorlax
