// win32-system-check.exe: runs every Win32System operation that needs no person against the real
// system (under Wine in the end-to-end run) and checks what it answers.
//
// Each check prints "ok" or "FAILED" with what was seen; the last line is "N passed, N failed" and
// the exit code is 0 only when nothing failed. Everything is done inside a fresh "vorcheck" folder
// in the user's temporary folder, removed again at the end. Message boxes need an answer from a
// person and are checked by the robot's scenarios instead.
#include "actions/directx_check.h"
#include "base/text.h"
#include "driver/installer_state.h"
#include "platform/win32/win32_system.h"

#include <windows.h>
#include <aclapi.h>
#include "ui/page_ids.h"
#include "ui/win32/page_procedures.h"
// This file calls the seam's DeleteFile and CopyFile (see the trap in win32_system.h).
#undef DeleteFile
#undef CopyFile

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using vorlax::FileAccess;
using vorlax::FileHandle;
using vorlax::SeekOrigin;

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what, const std::string& seen = std::string()) {
  if (ok) {
    ++passed;
    std::printf("ok      %s\n", what);
  } else {
    ++failed;
    std::printf("FAILED  %s%s%s\n", what, seen.empty() ? "" : ": ", seen.c_str());
  }
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

constexpr char kContent[] = "0123456789";
constexpr uint32_t kContentSize = sizeof kContent - 1;
constexpr int64_t kBeyondFourGiB = 5LL * 1024 * 1024 * 1024;

std::string ReadAll(vorlax::System& system, FileHandle file) {
  std::string bytes;
  char buffer[64];
  int64_t got;
  while ((got = system.ReadFile(file, buffer, sizeof buffer)) > 0) bytes.append(buffer, got);
  return bytes;
}

// RunPage's dispatch: every installer page has its own procedure, and a template id that is no
// page has none (RunPage then ends such a dialog at its first command).
void CheckPageProcedures() {
  const int pages[] = {IDD_LICENCE_PAGE, IDD_OPTIONS_PAGE, IDD_WELCOME_PAGE, IDD_INSTALL_PAGE,
                       IDD_ABORT_PAGE, IDD_SMALL_PROGRESS_PAGE, IDD_LAUNCH_PAGE};
  std::vector<DLGPROC> seen;
  for (int page : pages) {
    DLGPROC procedure = vorlax::PageProcedureFor(page);
    bool unique = procedure != nullptr;
    for (DLGPROC other : seen) unique = unique && other != procedure;
    seen.push_back(procedure);
    Check(unique, "RunPage has a procedure of its own for the page", std::to_string(page));
  }
  Check(vorlax::PageProcedureFor(105) == nullptr, "RunPage has no page procedure for template 105");
}

void CheckTempNames(vorlax::Win32System& system, std::u16string* folder) {
  std::u16string first = system.UniqueTempName(u"vorcheck");
  std::u16string second = system.UniqueTempName(u"vorcheck");
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  std::u16string expected = std::u16string(reinterpret_cast<char16_t*>(temp), length) + u"vorcheck";
  Check(first.compare(0, expected.size(), expected) == 0, "temporary name in the temporary folder with the prefix", Utf8(first));
  Check(first.size() == expected.size() + 12, "temporary name: prefix, 8 + 4 hexadecimal digits", Utf8(first));
  Check(first != second, "two temporary names differ", Utf8(second));
  Check(GetFileAttributesW(Wide(first)) == INVALID_FILE_ATTRIBUTES, "temporary name not created");
  *folder = first;
}

void CheckFiles(vorlax::Win32System& system, const std::u16string& folder) {
  Check(system.CreateFolder(folder), "CreateFolder makes the folder");
  Check(!system.CreateFolder(folder), "CreateFolder on an existing folder fails");
  std::u16string path = folder + u"\\data.bin";
  FileHandle out = system.OpenFile(path, FileAccess::kCreateWrite);
  Check(out != vorlax::kNoFile, "OpenFile kCreateWrite");
  Check(system.WriteFile(out, kContent, kContentSize) == kContentSize, "WriteFile writes every byte");
  Check(system.SeekFile(out, 0, SeekOrigin::kEnd) == kContentSize, "SeekFile to the end gives the size");
  Check(system.CloseFile(out), "CloseFile");

  FileHandle in = system.OpenFile(path, FileAccess::kRead);
  Check(system.SeekFile(in, 4, SeekOrigin::kBegin) == 4, "SeekFile from the start");
  Check(system.SeekFile(in, 2, SeekOrigin::kCurrent) == 6, "SeekFile from the current position");
  Check(system.SeekFile(in, kBeyondFourGiB, SeekOrigin::kBegin) == kBeyondFourGiB, "SeekFile past 4 GiB keeps 64 bits");
  char byte = 0;
  Check(system.ReadFile(in, &byte, 1) == 0, "ReadFile past the end reads nothing");
  system.SeekFile(in, 0, SeekOrigin::kBegin);
  Check(ReadAll(system, in) == kContent, "ReadFile reads the content back");
  system.CloseFile(in);
  Check(system.OpenFile(folder + u"\\missing", FileAccess::kRead) == vorlax::kNoFile, "OpenFile of a missing file fails");
  Check(system.OpenFile(folder + u"\\missing", FileAccess::kReadWriteExisting) == vorlax::kNoFile,
        "OpenFile kReadWriteExisting does not create");

  std::string narrow = vorlax::Narrow(path);
  FileHandle narrowIn = system.OpenFileNarrow(narrow, FileAccess::kRead);
  Check(narrowIn != vorlax::kNoFile && ReadAll(system, narrowIn) == kContent, "OpenFileNarrow reads the same file");
  if (narrowIn != vorlax::kNoFile) system.CloseFile(narrowIn);

  std::u16string copy = folder + u"\\copy.bin";
  Check(system.CopyFile(path, copy), "CopyFile");
  Check(system.CopyFile(path, copy), "CopyFile replaces an existing file");
  FileHandle copied = system.OpenFile(copy, FileAccess::kRead);
  Check(ReadAll(system, copied) == kContent, "the copy holds the same bytes");
  system.CloseFile(copied);
}

void CheckProperties(vorlax::Win32System& system, const std::u16string& folder) {
  std::string path = vorlax::Narrow(folder + u"\\data.bin");
  constexpr uint16_t kDate = (2001 - 1980) << 9 | 7 << 5 | 15;  // 15 July 2001
  constexpr uint16_t kTime = 13 << 11 | 45 << 5 | 30 / 2;       // 13:45:30
  Check(system.SetFileDosTime(path, kDate, kTime), "SetFileDosTime");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME created, written, local;
  GetFileTime(file, &created, nullptr, &written);
  CloseHandle(file);
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&written, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  Check(date == kDate && time == kTime, "the last-write time is the DOS date and time (local)",
        std::to_string(date) + " " + std::to_string(time));
  FileTimeToLocalFileTime(&created, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  Check(date == kDate && time == kTime, "the creation time is the DOS date and time (local)");
  Check(!system.SetFileDosTime(path + ".missing", kDate, kTime), "SetFileDosTime on a missing file fails");

  Check(system.SetFileAttributesNarrow(path, FILE_ATTRIBUTE_READONLY), "SetFileAttributesNarrow");
  Check((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, "the file is read-only");
  system.SetFileAttributesNarrow(path, FILE_ATTRIBUTE_NORMAL);
  Check(system.CreateFolderNarrow(vorlax::Narrow(folder + u"\\sub")), "CreateFolderNarrow");
}

bool Listed(const std::vector<vorlax::FolderEntry>& entries, const std::u16string& name, bool isFolder) {
  for (const vorlax::FolderEntry& entry : entries) {
    if (entry.name == name) return entry.isFolder == isFolder;
  }
  return false;
}

void CheckListingAndRemoval(vorlax::Win32System& system, const std::u16string& folder) {
  std::vector<vorlax::FolderEntry> entries;
  Check(system.ListFolder(folder, &entries), "ListFolder");
  Check(entries.size() == 5, "ListFolder: ., .., two files, one folder", std::to_string(entries.size()));
  Check(Listed(entries, u".", true) && Listed(entries, u"..", true), "ListFolder reports . and ..");
  Check(Listed(entries, u"data.bin", false) && Listed(entries, u"sub", true), "ListFolder tells files from folders");
  Check(!system.ListFolder(folder + u"\\missing", &entries), "ListFolder of a missing folder fails");
  Check(!system.RemoveFolder(folder), "RemoveFolder of a folder with files fails");
  Check(system.DeleteFile(folder + u"\\data.bin") && system.DeleteFile(folder + u"\\copy.bin"), "DeleteFile");
  Check(!system.DeleteFile(folder + u"\\data.bin"), "DeleteFile of a missing file fails");
  Check(system.RemoveFolder(folder + u"\\sub") && system.RemoveFolder(folder), "RemoveFolder of empty folders");
}

void CheckRegistry(vorlax::Win32System& system) {
  const wchar_t* subkey = L"Software\\vorlax-check";
  HKEY created = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
  const wchar_t value[] = L"C:\\Games";
  RegSetValueExW(created, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
  RegCloseKey(created);

  vorlax::RegistryKey key = vorlax::kNoRegistryKey;
  Check(system.OpenKey(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check", vorlax::kKeyRead, &key), "OpenKey");
  uint32_t type = 0;
  std::string data;
  Check(system.QueryValue(key, u"Path", 256, &type, &data) && type == vorlax::kRegSz &&
            data == std::string(reinterpret_cast<const char*>(value), sizeof value),
        "QueryValue answers the type and the bytes with the terminator");
  Check(!system.QueryValue(key, u"Path", 4, &type, &data), "QueryValue larger than the buffer fails");
  Check(!system.QueryValue(key, u"Missing", 256, &type, &data), "QueryValue of a missing value fails");
  system.CloseKey(key);
  Check(!system.OpenKey(vorlax::kHkeyCurrentUser, u"Software\\vorlax-missing", vorlax::kKeyRead, &key),
        "OpenKey of a missing key fails");
  RegDeleteKeyW(HKEY_CURRENT_USER, subkey);
}

// The value's type and bytes read back with RegQueryValueExW, independently of the seam.
bool StoredValue(HKEY key, const wchar_t* name, DWORD expectedType, const std::string& expected) {
  BYTE buffer[64];
  DWORD type = 0;
  DWORD size = sizeof buffer;
  if (RegQueryValueExW(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return false;
  return type == expectedType && std::string(reinterpret_cast<char*>(buffer), size) == expected;
}

void CheckRegistryWrites(vorlax::Win32System& system) {
  vorlax::RegistryKey key = vorlax::kNoRegistryKey;
  Check(system.CreateKey(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check-actions\\Values", u"Key",
                         vorlax::kRegOptionNonVolatile, vorlax::kKeyAllAccess, &key),
        "CreateKey creates a key and its missing parent");
  const std::string text("a\0b\0\0\0", 6), dword("\xF4\xFF\xFF\xFF", 4), binary("\xDE\xAD\xBE", 3);
  Check(system.SetValue(key, u"Text", vorlax::kRegSz, text) &&
            system.SetValue(key, u"Number", vorlax::kRegDword, dword) &&
            system.SetValue(key, u"Bytes", vorlax::kRegBinary, binary) &&
            system.SetValue(key, u"Empty", vorlax::kRegBinary, std::string()),
        "SetValue of each type");
  system.CloseKey(key);
  HKEY check = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\vorlax-check-actions\\Values", 0, KEY_READ, &check);
  Check(StoredValue(check, L"Text", REG_SZ, text) && StoredValue(check, L"Number", REG_DWORD, dword) &&
            StoredValue(check, L"Bytes", REG_BINARY, binary) &&
            StoredValue(check, L"Empty", REG_BINARY, std::string()),
        "the values are stored with their types and bytes");
  RegCloseKey(check);

  Check(system.OpenKeyDefaultAccess(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check-actions\\Values", &key),
        "OpenKeyDefaultAccess of an existing key");
  uint32_t type = 0;
  std::string data;
  Check(system.QueryValue(key, u"Number", 4095, &type, &data) && type == vorlax::kRegDword && data == dword,
        "QueryValue through a key opened with default access");
  system.CloseKey(key);
  Check(!system.OpenKeyDefaultAccess(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check-actions\\Missing", &key),
        "OpenKeyDefaultAccess of a missing key fails");
  Check(system.CreateKeyDefaultAccess(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check-actions\\Granted", &key),
        "CreateKeyDefaultAccess creates a key");
  system.CloseKey(key);
}

bool IsEveryone(PSID sid) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  bool same = EqualSid(sid, everyone) != FALSE;
  FreeSid(everyone);
  return same;
}

// The entries of the item's discretionary list, and the allowed Everyone entry's rights and
// inheritance flags (0 and 0 without one).
struct DaclFacts {
  int entries = -1;
  DWORD everyoneMask = 0;
  int everyoneFlags = 0;
  std::string Text() const {
    char text[80];
    std::snprintf(text, sizeof text, "%d entries, Everyone mask %lx flags %d", entries,
                  static_cast<unsigned long>(everyoneMask), everyoneFlags);
    return text;
  }
};

DaclFacts ReadDacl(PSECURITY_DESCRIPTOR descriptor) {
  DaclFacts facts;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return facts;
  facts.entries = acl->AceCount;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (!IsEveryone(&ace->SidStart)) continue;
    facts.everyoneMask = ace->Mask;
    facts.everyoneFlags = ace->Header.AceFlags;
  }
  return facts;
}

constexpr DWORD kAllRights = 0x1FFFFF;
constexpr int kInheritedBySubFoldersAndFiles = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr DWORD kReadWriteRun = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;

// Windows keeps the folder's new list as set: one entry, Everyone with all rights. Wine keeps a
// file's list as Unix permissions and reports its own three entries, Everyone then allowed to
// read, write and run; both count, the folder's earlier list (Everyone reading only) does not.
void CheckAccessDescriptor(vorlax::Win32System& system, const std::u16string& folder) {
  vorlax::System::AccessEntry entry;
  entry.identifierAuthority[5] = 1;
  entry.accessRights = kAllRights;
  entry.accessMode = SET_ACCESS;
  entry.inheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  entry.trusteeForm = TRUSTEE_IS_SID;
  entry.trusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  vorlax::SecurityDescriptor descriptor = system.CreateAccessDescriptor(entry);
  Check(descriptor != vorlax::kNoDescriptor, "CreateAccessDescriptor through advapi32's looked-up functions");
  if (descriptor == vorlax::kNoDescriptor) return;
  std::string narrow = vorlax::Narrow(folder);
  Check(system.SetFileSecurityNarrow(narrow, vorlax::kDaclSecurityInformation, descriptor), "SetFileSecurityNarrow");
  BYTE buffer[1024];
  DWORD needed = 0;
  DaclFacts seen;
  if (GetFileSecurityA(narrow.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed)) seen = ReadDacl(buffer);
  bool asSet = seen.entries == 1 && seen.everyoneMask == kAllRights;
  bool asUnixPermissions = (seen.everyoneMask & kReadWriteRun) == kReadWriteRun;
  Check((asSet || asUnixPermissions) && seen.everyoneFlags == kInheritedBySubFoldersAndFiles,
        "the folder's list: Everyone may do everything, inherited", seen.Text());
  vorlax::RegistryKey key = vorlax::kNoRegistryKey;
  system.CreateKeyDefaultAccess(vorlax::kHkeyCurrentUser, u"Software\\vorlax-check-actions\\Granted", &key);
  Check(system.SetKeySecurity(key, vorlax::kDaclSecurityInformation, descriptor), "SetKeySecurity");
  DWORD size = sizeof buffer;
  seen = DaclFacts();
  if (RegGetKeySecurity(reinterpret_cast<HKEY>(key), DACL_SECURITY_INFORMATION, buffer, &size) == ERROR_SUCCESS) {
    seen = ReadDacl(buffer);
  }
  Check(seen.entries == 1 && seen.everyoneMask == kAllRights && seen.everyoneFlags == kInheritedBySubFoldersAndFiles,
        "the key's list: one entry, Everyone with all rights, inherited", seen.Text());
  system.CloseKey(key);
  system.FreeAccessDescriptor(descriptor);
}

void CheckFileCreationAndSearch(vorlax::Win32System& system, const std::u16string& folder) {
  const std::u16string created = folder + u"\\created.ini", kept = folder + u"\\kept.ini";
  FileHandle out = system.OpenFile(kept, FileAccess::kCreateWrite);
  system.WriteFile(out, kContent, kContentSize);
  system.CloseFile(out);
  Check(system.CreateFileIfMissing(created) && system.CreateFileIfMissing(kept), "CreateFileIfMissing");
  FileHandle in = system.OpenFile(created, FileAccess::kRead);
  Check(in != vorlax::kNoFile && ReadAll(system, in).empty(), "a missing file is created empty");
  system.CloseFile(in);
  in = system.OpenFile(kept, FileAccess::kRead);
  Check(ReadAll(system, in) == kContent, "an existing file keeps its content");
  system.CloseFile(in);
  Check(system.FindFirstMatch(folder) && system.FindFirstMatch(folder + u"\\*.ini") &&
            system.FindFirstMatch(kept),
        "FindFirstMatch finds a folder, a pattern and a file");
  Check(!system.FindFirstMatch(folder + u"\\*.none"), "FindFirstMatch without a match");
  system.DeleteFile(created);
  system.DeleteFile(kept);
}

void CheckInstallActionOperations(vorlax::Win32System& system) {
  CheckRegistryWrites(system);
  std::u16string folder = system.UniqueTempName(u"vorsec");
  system.CreateFolder(folder);
  CheckFileCreationAndSearch(system, folder);
  CheckAccessDescriptor(system, folder);
  system.RemoveFolder(folder);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vorlax-check-actions\\Values");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vorlax-check-actions\\Granted");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vorlax-check-actions");
}

void CheckSystemFacts(vorlax::Win32System& system) {
  std::u16string module = system.ModuleFileName();
  constexpr DWORD kLongPathRoom = 32768;
  std::vector<wchar_t> full(kLongPathRoom);
  DWORD fullLength = GetModuleFileNameW(nullptr, full.data(), kLongPathRoom);
  constexpr DWORD kMaxModuleChars = 255;
  if (fullLength > kMaxModuleChars) {
    Check(module.empty(), "ModuleFileName of a path over 255 characters is empty, not cut", Utf8(module));
  } else {
    Check(module == std::u16string(reinterpret_cast<char16_t*>(full.data()), fullLength),
          "ModuleFileName names this program", Utf8(module));
  }
  wchar_t buffer[MAX_PATH];
  GetWindowsDirectoryW(buffer, MAX_PATH);
  Check(!system.WindowsFolder().empty() && system.WindowsFolder() == reinterpret_cast<char16_t*>(buffer),
        "WindowsFolder", Utf8(system.WindowsFolder()));
  GetSystemDirectoryW(buffer, MAX_PATH);
  Check(!system.SystemFolder().empty() && system.SystemFolder() == reinterpret_cast<char16_t*>(buffer),
        "SystemFolder", Utf8(system.SystemFolder()));
  vorlax::SystemVersion version;
  Check(system.QueryVersion(vorlax::VersionRecord::kExtended, &version) && version.major >= 4 && (version.platformId == 1 || version.platformId == 2),
        "GetVersion", std::to_string(version.major) + "." + std::to_string(version.minor));
}

// The DxDiag provider either answers (Wine has one, as has every Windows with DirectX 9 or later)
// or obtains nothing; what it answers is printed for the record.
void CheckDirectX(vorlax::Win32System& system) {
  vorlax::System::DxDiagVersion dx;
  system.QueryDxDiagVersion(&dx);
  std::printf("        DxDiag: major %s%u, minor %s%u, letter %s'%s'\n", dx.hasMajor ? "" : "(none) ",
              dx.major, dx.hasMinor ? "" : "(none) ", dx.minor, dx.hasLetter ? "" : "(none) ",
              Utf8(std::u16string(1, dx.letter)).c_str());
  bool complete = dx.hasMajor && dx.hasMinor && dx.hasLetter;
  bool nothing = !dx.hasMajor && !dx.hasMinor && !dx.hasLetter;
  Check(nothing || (complete && dx.major >= 9), "QueryDxDiagVersion answers DirectX 9 or later, or nothing");

  uint32_t packed = 0;
  char16_t text[16] = {};
  int32_t result = vorlax::GetDirectXVersion(&packed, text, 16);
  std::printf("        GetDirectXVersion: %s (0x%08X)\n", Utf8(text).c_str(), static_cast<unsigned>(packed));
  Check(result == vorlax::kResultOk && packed >= vorlax::kMinimumDirectXVersion,
        "GetDirectXVersion finds at least DirectX 3.0", Utf8(text));
  if (complete) {
    Check(packed >> 16 == dx.major && (packed >> 8 & 0xFF) == (dx.minor & 0xFF),
          "GetDirectXVersion takes the provider's major and minor");
  }

  uint32_t major = 0, minor = 0;
  char16_t letter = u'?';
  vorlax::DirectXVersionViaFiles(&major, &minor, &letter);
  std::printf("        DirectX from the file table: %u.%u '%s'\n", static_cast<unsigned>(major),
              static_cast<unsigned>(minor), Utf8(std::u16string(1, letter)).c_str());
  Check(major == 9 && minor == 0 && letter == u' ', "the file table finds DirectX 9.0 by d3d9.dll");

  std::u16string kernel = system.SystemFolder() + u"\\kernel32.dll";
  uint64_t version = 0;
  result = system.ReadFileVersion(kernel.c_str(), &version);
  unsigned parts[4] = {unsigned(version >> 48), unsigned(version >> 32 & 0xFFFF),
                       unsigned(version >> 16 & 0xFFFF), unsigned(version & 0xFFFF)};
  char seen[64];
  std::snprintf(seen, sizeof seen, "%u.%u.%u.%u (result 0x%08X)", parts[0], parts[1], parts[2],
                parts[3], static_cast<unsigned>(result));
  std::printf("        kernel32.dll: %s\n", seen);
  Check(result == vorlax::kResultOk && parts[0] >= 4 && parts[0] <= 20, "ReadFileVersion of kernel32.dll", seen);

  std::u16string missing = system.SystemFolder() + u"\\vorlax-missing.dll";
  Check(system.ReadFileVersion(missing.c_str(), &version) == vorlax::kResultFail,
        "ReadFileVersion of a missing file answers E_FAIL");
  std::u16string plain = system.UniqueTempName(u"vordx");
  FileHandle file = system.OpenFile(plain, FileAccess::kCreateWrite);
  system.WriteFile(file, kContent, kContentSize);
  system.CloseFile(file);
  Check(system.ReadFileVersion(plain.c_str(), &version) == vorlax::kResultFail,
        "ReadFileVersion of a file without version information answers E_FAIL");
  system.DeleteFile(plain);
  Check(system.ReadFileVersion(nullptr, &version) == vorlax::kResultInvalidArgument &&
            system.ReadFileVersion(kernel.c_str(), nullptr) == vorlax::kResultInvalidArgument,
        "ReadFileVersion without a path or an output answers E_INVALIDARG");
}

std::atomic<bool> threadRan{false};
void MarkThreadRan() { threadRan = true; }

void CheckThreadsAndUi(vorlax::Win32System& system) {
  Check(system.StartThread(MarkThreadRan), "StartThread");
  constexpr int kWaitSteps = 100;  // x 50 ms
  for (int i = 0; i < kWaitSteps && !threadRan; ++i) system.Sleep(50);
  Check(threadRan, "the thread ran");

  system.CreateUiResources();
  vorlax::UiResources& ui = vorlax::State().ui;
  LOGFONTW body = {}, header = {};
  Check(ui.backgroundBrush && ui.bodyFont && ui.headerFont, "CreateUiResources makes the brush and two fonts");
  GetObjectW(static_cast<HFONT>(ui.bodyFont), sizeof body, &body);
  GetObjectW(static_cast<HFONT>(ui.headerFont), sizeof header, &header);
  Check(body.lfHeight < 0 && body.lfWeight == FW_NORMAL && body.lfCharSet == DEFAULT_CHARSET, "body font");
  Check(header.lfHeight < body.lfHeight && header.lfWeight == FW_BOLD && lstrcmpW(header.lfFaceName, L"Arial") == 0,
        "header font: bold Arial, larger than the body font");
  LOGBRUSH brush = {};
  GetObjectW(static_cast<HBRUSH>(ui.backgroundBrush), sizeof brush, &brush);
  Check((brush.lbColor & 0x00FFFFFF) == 0x00DADADA, "background brush colour");
  system.DestroyUiResources();
  Check(ui.backgroundBrush == nullptr, "DestroyUiResources releases the brush");
  constexpr int kNoSuchTemplate = 999;
  Check(system.RunPage(kNoSuchTemplate) == -1, "RunPage without a template answers DialogBoxParamW's -1");
  CheckPageProcedures();
}

}  // namespace

int wmain() {
  static vorlax::Win32System system;
  vorlax::State().system = &system;
  std::u16string folder;
  CheckTempNames(system, &folder);
  CheckFiles(system, folder);
  CheckProperties(system, folder);
  CheckListingAndRemoval(system, folder);
  CheckRegistry(system);
  CheckInstallActionOperations(system);
  CheckSystemFacts(system);
  CheckDirectX(system);
  CheckThreadsAndUi(system);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
