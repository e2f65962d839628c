// vorlax-actions-check.exe: reads back the access lists the installer's permission step set.
//
//   vorlax-actions-check folder|file|key PATH...
//
// Each argument pair names an item: a folder or file path, or a key path "HKCU\..." or "HKLM\...".
// For each item it prints the item's discretionary list (entry count, the allowed Everyone entry's
// rights and inheritance flags) and checks that Everyone may do everything, inherited by sub-folders
// and files. Exit code 0 when every item passes, 1 otherwise, 2 for a bad command line.
//
// Trap: Wine keeps the access list of a file or folder as Unix permissions and reports its own
// entries, Everyone then allowed to read, write and run (FILE_GENERIC_*), not the 0x1FFFFF that was
// set; that answer counts as full access, and for a file it comes without inheritance flags. A
// key's list is kept as set, but only in the running wineserver's memory: the check has to run
// before the prefix's server ends.
#include <windows.h>
#include <aclapi.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr DWORD kAllRights = 0x1FFFFF;
constexpr DWORD kReadWriteRun = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;
constexpr int kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr DWORD kBufferSize = 4096;

struct DaclFacts {
  int entries = -1;
  bool everyone = false;
  DWORD mask = 0;
  int flags = 0;
};

bool IsEveryone(PSID sid) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
  bool same = EqualSid(sid, everyone) != FALSE;
  FreeSid(everyone);
  return same;
}

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
    facts.everyone = true;
    facts.mask = ace->Mask;
    facts.flags = ace->Header.AceFlags;
  }
  return facts;
}

bool ReadFileDacl(const wchar_t* path, DaclFacts* facts) {
  static BYTE buffer[kBufferSize];
  DWORD needed = 0;
  if (!GetFileSecurityW(path, DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed)) return false;
  *facts = ReadDacl(buffer);
  return true;
}

bool ReadKeyDacl(const wchar_t* path, DaclFacts* facts) {
  HKEY root = nullptr;
  if (std::wcsncmp(path, L"HKCU\\", 5) == 0) root = HKEY_CURRENT_USER;
  if (std::wcsncmp(path, L"HKLM\\", 5) == 0) root = HKEY_LOCAL_MACHINE;
  HKEY key = nullptr;
  if (!root || RegOpenKeyExW(root, path + 5, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return false;
  static BYTE buffer[kBufferSize];
  DWORD size = sizeof buffer;
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  *facts = ReadDacl(buffer);
  return true;
}

// Checks one item and prints one line about it.
bool CheckItem(const wchar_t* kind, const wchar_t* path) {
  DaclFacts facts;
  bool isKey = std::wcscmp(kind, L"key") == 0;
  bool read = isKey ? ReadKeyDacl(path, &facts) : ReadFileDacl(path, &facts);
  bool isFolder = std::wcscmp(kind, L"folder") == 0;
  DWORD attributes = isKey ? 0 : GetFileAttributesW(path);
  bool rightKind = isKey || (attributes != INVALID_FILE_ATTRIBUTES &&
                             ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == isFolder);
  bool fullAccess = facts.mask == kAllRights || (!isKey && (facts.mask & kReadWriteRun) == kReadWriteRun);
  // Wine's Unix-permission answer for a file carries no inheritance flags (a file has nothing to
  // pass them on to); everywhere else the flags must be as set.
  bool wineFileAnswer = !isKey && !isFolder && facts.mask != kAllRights;
  bool inherited = facts.flags == kInherited || (wineFileAnswer && facts.flags == 0);
  bool ok = read && rightKind && facts.everyone && fullAccess && inherited;
  std::wprintf(L"actions-check: %ls %ls %ls: %d entries, Everyone %ls, mask %lx, flags %d\n", ok ? L"PASS" : L"FAIL",
               kind, path, facts.entries, facts.everyone ? L"present" : L"absent",
               static_cast<unsigned long>(facts.mask), facts.flags);
  if (!read) std::wprintf(L"actions-check:   the access list could not be read\n");
  if (!rightKind) std::wprintf(L"actions-check:   not a %ls\n", kind);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::wprintf(L"usage: vorlax-actions-check folder|file|key PATH...\n");
    return 2;
  }
  bool ok = true;
  for (int i = 1; i + 1 < argc; i += 2) {
    const wchar_t* kind = argv[i];
    if (std::wcscmp(kind, L"folder") != 0 && std::wcscmp(kind, L"file") != 0 && std::wcscmp(kind, L"key") != 0) {
      std::wprintf(L"actions-check: unknown kind '%ls' (folder, file or key)\n", kind);
      return 2;
    }
    if (!CheckItem(kind, argv[i + 1])) ok = false;
  }
  return ok ? 0 : 1;
}
