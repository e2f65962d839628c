// GrantPermissions: the access descriptor is made once through the seam, applied to each listed
// item and freed again.
//
// Sound choices where the listed texts could name the wrong thing:
// - A file entry without any "\" or "/" has no parent folder to create (taking the whole entry as
//   its folder would create a folder of the file's own name, and then no file).
// - A folder entry naming a drive root ("C:\") keeps its separator when its access list is set:
//   without it "C:" names the current folder of drive C, not its root.
// - The access list is set through the system's 8-bit path form. A path with a character that
//   has no 8-bit form, or longer than 255 characters, would be cut into the path of some other
//   item (a parent folder), so such an item is created but its access list is left alone.
// - The descriptor is freed on every way out, also after an invalid registry key path.
#include "actions/permissions.h"

#include <string>

#include "actions/registry_key_path.h"
#include "base/text.h"
#include "config/define_table.h"
#include "driver/fatal_error.h"
#include "driver/folders.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

// The entry of the new access list: Everyone (authority SECURITY_WORLD_SID_AUTHORITY, one
// sub-authority 0) as a well-known group given by SID, all standard and specific rights, set (not
// merged), inherited by sub-folders and files.
constexpr uint8_t kWorldAuthority[6] = {0, 0, 0, 0, 0, 1};
constexpr uint32_t kWorldSubAuthority = 0;
constexpr uint32_t kAllRights = 0x1FFFFF;
constexpr uint32_t kSetAccess = 2;                     // SET_ACCESS
constexpr uint32_t kSubContainersAndObjectsInherit = 3;
constexpr uint32_t kTrusteeIsSid = 0;                  // TRUSTEE_IS_SID
constexpr uint32_t kTrusteeIsWellKnownGroup = 5;       // TRUSTEE_IS_WELL_KNOWN_GROUP

constexpr char16_t kDriveMark = u':';

System::AccessEntry EveryoneFullAccess() {
  System::AccessEntry entry;
  for (int k = 0; k < 6; ++k) entry.identifierAuthority[k] = kWorldAuthority[k];
  entry.subAuthority = kWorldSubAuthority;
  entry.accessRights = kAllRights;
  entry.accessMode = kSetAccess;
  entry.inheritance = kSubContainersAndObjectsInherit;
  entry.trusteeForm = kTrusteeIsSid;
  entry.trusteeType = kTrusteeIsWellKnownGroup;
  return entry;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveDesignator(const std::u16string& path) {
  return path.size() == 2 && path[1] == kDriveMark;
}

// Sets the descriptor on the item at path, when path has an uncut 8-bit form.
void SetItemSecurity(const std::u16string& path, SecurityDescriptor descriptor) {
  std::string narrow;
  if (path.size() > kMaxNarrowChars || !NarrowText(path, &narrow)) return;
  State().system->SetFileSecurityNarrow(narrow, kDaclSecurityInformation, descriptor);
}

// One GrantAllFilePermissions entry, expanded: a folder when it ends with a separator, else a
// file. Failures pass silently.
void GrantFileEntry(const std::u16string& path, SecurityDescriptor descriptor) {
  if (IsSeparator(path.back())) {
    std::u16string folder = path.substr(0, path.size() - 1);
    CreateFolderPath(folder);
    SetItemSecurity(IsDriveDesignator(folder) ? path : folder, descriptor);
    return;
  }
  if (LastSeparator(path) != std::u16string::npos) CreateFolderPath(FolderOf(path));
  State().system->CreateFileIfMissing(path);
  SetItemSecurity(path, descriptor);
}

void GrantFilePermissions(SecurityDescriptor descriptor) {
  InstallerState& state = State();
  for (const std::u16string& entry : state.config.GrantAllFilePermissions) {
    std::u16string path = ExpandDefines(state.defines, entry);
    if (!path.empty()) GrantFileEntry(path, descriptor);
  }
}

// False after an invalid key path, which ends the list.
bool GrantRegistryPermissions(SecurityDescriptor descriptor) {
  InstallerState& state = State();
  System& system = *state.system;
  for (const std::u16string& entry : state.config.GrantAllRegistryPermissions) {
    std::u16string path = ExpandDefines(state.defines, entry);
    if (path.empty()) continue;
    RegistryKey root = kNoRegistryKey;
    std::u16string subkey;
    if (!ParseRegistryKeyPath(path, &root, &subkey)) {
      ShowFatalError(u"Invalid Key '" + path + u"'");
      return false;
    }
    RegistryKey key = kNoRegistryKey;
    if (!system.CreateKeyDefaultAccess(root, subkey, &key)) continue;
    system.SetKeySecurity(key, kDaclSecurityInformation, descriptor);
    system.CloseKey(key);
  }
  return true;
}

}  // namespace

bool GrantPermissions() {
  System& system = *State().system;
  SecurityDescriptor descriptor = system.CreateAccessDescriptor(EveryoneFullAccess());
  if (descriptor == kNoDescriptor) return true;
  GrantFilePermissions(descriptor);
  bool ok = GrantRegistryPermissions(descriptor);
  system.FreeAccessDescriptor(descriptor);
  return ok;
}

}  // namespace vorlax
