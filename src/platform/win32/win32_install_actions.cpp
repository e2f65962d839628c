// Win32System's operations for the install actions: registry writes, the access descriptor made
// with the security functions of "advapi32.dll", and file searches.
//
// The security functions are looked up at run time (Windows 95, 98 and Me lack some of them), so
// the descriptor handed to the core is a small record that keeps the looked-up functions beside
// the SID, the access list and the descriptor they made; SetFileSecurityNarrow, SetKeySecurity and
// FreeAccessDescriptor call through it. The library stays loaded for the rest of the run.
//
// Trap: an absolute security descriptor is SECURITY_DESCRIPTOR_MIN_LENGTH bytes: 20 on 32-bit
// Windows, 40 on x86-64 (its four pointers grow). A fixed 20-byte buffer would be overrun by
// InitializeSecurityDescriptor on x86-64, so the size is the system's constant.
#include "platform/win32/win32_system.h"

#include <windows.h>
#include <aclapi.h>

#include <cstring>

namespace vorlax {

namespace {

static_assert(kKeyAllAccess == KEY_ALL_ACCESS, "KEY_ALL_ACCESS");
static_assert(kRegOptionNonVolatile == REG_OPTION_NON_VOLATILE, "REG_OPTION_NON_VOLATILE");
static_assert(kDaclSecurityInformation == DACL_SECURITY_INFORMATION, "DACL_SECURITY_INFORMATION");
static_assert(sizeof(SecurityDescriptor) == sizeof(void*), "a record pointer must fit");

constexpr wchar_t kSecurityLibrary[] = L"advapi32.dll";
constexpr DWORD kDescriptorRevision = SECURITY_DESCRIPTOR_REVISION;  // 1

using AllocateAndInitializeSidFunction = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD,
                                                       DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                                                       DWORD, PSID*);
using SetEntriesInAclAFunction = DWORD(WINAPI*)(ULONG, PEXPLICIT_ACCESS_A, PACL, PACL*);
using InitializeSecurityDescriptorFunction = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, DWORD);
using SetSecurityDescriptorDaclFunction = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
using SetFileSecurityAFunction = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
using RegSetKeySecurityFunction = LONG(WINAPI*)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
using FreeSidFunction = PVOID(WINAPI*)(PSID);

struct SecurityFunctions {
  AllocateAndInitializeSidFunction allocateAndInitializeSid = nullptr;
  SetEntriesInAclAFunction setEntriesInAcl = nullptr;
  InitializeSecurityDescriptorFunction initializeSecurityDescriptor = nullptr;
  SetSecurityDescriptorDaclFunction setSecurityDescriptorDacl = nullptr;
  SetFileSecurityAFunction setFileSecurity = nullptr;
  RegSetKeySecurityFunction regSetKeySecurity = nullptr;
  FreeSidFunction freeSid = nullptr;
};

// What a SecurityDescriptor handle points to.
struct DescriptorRecord {
  SecurityFunctions functions;
  PSID sid = nullptr;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
};

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

HKEY AsKey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

DescriptorRecord* AsRecord(SecurityDescriptor descriptor) {
  return reinterpret_cast<DescriptorRecord*>(descriptor);
}

template <typename Function>
bool LookUp(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

// LoadLibraryW("advapi32.dll") and GetProcAddress of the seven functions; false when any is
// missing.
bool LookUpSecurityFunctions(SecurityFunctions* f) {
  HMODULE library = LoadLibraryW(kSecurityLibrary);
  if (library == nullptr) return false;
  return LookUp(library, "AllocateAndInitializeSid", &f->allocateAndInitializeSid) &&
         LookUp(library, "SetEntriesInAclA", &f->setEntriesInAcl) &&
         LookUp(library, "InitializeSecurityDescriptor", &f->initializeSecurityDescriptor) &&
         LookUp(library, "SetSecurityDescriptorDacl", &f->setSecurityDescriptorDacl) &&
         LookUp(library, "SetFileSecurityA", &f->setFileSecurity) &&
         LookUp(library, "RegSetKeySecurity", &f->regSetKeySecurity) &&
         LookUp(library, "FreeSid", &f->freeSid);
}

// Frees what the record holds (each part only when it was made), then the record.
void FreeRecord(DescriptorRecord* record) {
  if (record->acl != nullptr) LocalFree(record->acl);
  if (record->descriptor != nullptr) LocalFree(record->descriptor);
  if (record->sid != nullptr) record->functions.freeSid(record->sid);
  delete record;
}

bool MakeSid(const System::AccessEntry& entry, DescriptorRecord* record) {
  SID_IDENTIFIER_AUTHORITY authority;
  std::memcpy(authority.Value, entry.identifierAuthority, sizeof authority.Value);
  return record->functions.allocateAndInitializeSid(&authority, 1, entry.subAuthority, 0, 0, 0, 0,
                                                    0, 0, 0, &record->sid) != FALSE;
}

bool MakeAccessList(const System::AccessEntry& entry, DescriptorRecord* record) {
  EXPLICIT_ACCESS_A access = {};
  access.grfAccessPermissions = entry.accessRights;
  access.grfAccessMode = static_cast<ACCESS_MODE>(entry.accessMode);
  access.grfInheritance = entry.inheritance;
  access.Trustee.pMultipleTrustee = nullptr;
  access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  access.Trustee.TrusteeForm = static_cast<TRUSTEE_FORM>(entry.trusteeForm);
  access.Trustee.TrusteeType = static_cast<TRUSTEE_TYPE>(entry.trusteeType);
  access.Trustee.ptstrName = static_cast<LPSTR>(record->sid);
  return record->functions.setEntriesInAcl(1, &access, nullptr, &record->acl) == ERROR_SUCCESS;
}

bool MakeDescriptor(DescriptorRecord* record) {
  record->descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
  if (record->descriptor == nullptr) return false;
  return record->functions.initializeSecurityDescriptor(record->descriptor, kDescriptorRevision) &&
         record->functions.setSecurityDescriptorDacl(record->descriptor, TRUE, record->acl, FALSE);
}

}  // namespace

// --- Registry writes -------------------------------------------------------------------------------

bool Win32System::CreateKey(RegistryKey parent, const std::u16string& subkey,
                            const std::u16string& keyClass, uint32_t options, uint32_t access,
                            RegistryKey* key) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  LONG result = RegCreateKeyExW(AsKey(parent), Wide(subkey), 0,
                                const_cast<wchar_t*>(Wide(keyClass)), options, access, nullptr,
                                &created, &disposition);
  if (result != ERROR_SUCCESS) return false;
  *key = reinterpret_cast<RegistryKey>(created);
  return true;
}

bool Win32System::CreateKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                         RegistryKey* key) {
  HKEY created = nullptr;
  if (RegCreateKeyW(AsKey(parent), Wide(subkey), &created) != ERROR_SUCCESS) return false;
  *key = reinterpret_cast<RegistryKey>(created);
  return true;
}

bool Win32System::OpenKeyDefaultAccess(RegistryKey parent, const std::u16string& subkey,
                                       RegistryKey* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyW(AsKey(parent), Wide(subkey), &opened) != ERROR_SUCCESS) return false;
  *key = reinterpret_cast<RegistryKey>(opened);
  return true;
}

bool Win32System::SetValue(RegistryKey key, const std::u16string& name, uint32_t type,
                           const std::string& data) {
  return RegSetValueExW(AsKey(key), Wide(name), 0, type,
                        reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// --- Files -----------------------------------------------------------------------------------------

bool Win32System::CreateFileIfMissing(const std::u16string& path) {
  HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool Win32System::FindFirstMatch(const std::u16string& pattern) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(pattern), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// --- Access descriptor -----------------------------------------------------------------------------

SecurityDescriptor Win32System::CreateAccessDescriptor(const AccessEntry& entry) {
  DescriptorRecord* record = new DescriptorRecord;
  if (!LookUpSecurityFunctions(&record->functions)) {
    delete record;
    return kNoDescriptor;
  }
  if (!MakeSid(entry, record) || !MakeAccessList(entry, record) || !MakeDescriptor(record)) {
    FreeRecord(record);
    return kNoDescriptor;
  }
  return reinterpret_cast<SecurityDescriptor>(record);
}

bool Win32System::SetFileSecurityNarrow(const std::string& path, uint32_t information,
                                        SecurityDescriptor descriptor) {
  DescriptorRecord* record = AsRecord(descriptor);
  return record->functions.setFileSecurity(path.c_str(), information, record->descriptor) !=
         FALSE;
}

bool Win32System::SetKeySecurity(RegistryKey key, uint32_t information,
                                 SecurityDescriptor descriptor) {
  DescriptorRecord* record = AsRecord(descriptor);
  return record->functions.regSetKeySecurity(AsKey(key), information, record->descriptor) ==
         ERROR_SUCCESS;
}

void Win32System::FreeAccessDescriptor(SecurityDescriptor descriptor) {
  FreeRecord(AsRecord(descriptor));
}

}  // namespace vorlax
