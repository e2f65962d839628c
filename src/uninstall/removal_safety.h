// The uninstaller's safety rules: which folders and registry keys it may delete whole.
//
// A folder is deleted whole (an UninstallDeltree, or a UserDirectory the player chose to delete)
// only when it is a full path, is not a drive root, neither is nor holds the Windows folder, the
// system folder or one of the system's shell folders (Program Files, the program menu, the
// desktop, the user's profile, documents, application data...), and lies in the install folder
// or in a program-menu group the installer put shortcuts into.
//
// A key is deleted with its sub-keys (an UninstallDelRegKey, or a UserRegKey to delete) only when
// its path parses ("HKLM\", "HKCU\", "HKCR\"), names more than a root and a top-level key, and
// neither is nor holds one of the system's own keys (the Uninstall key itself among them: an
// empty product name would otherwise name it).
//
// Traps:
// - Paths are compared as Windows compares them: "\" and "/" alike, ASCII letters without case,
//   no trailing separator, "." and ".." resolved first (so "C:\Games\Demo\..\.." is C:\).
// - The install folder is not in the log: it is the deepest folder holding every product file.
//   Every product file lies in the folder the player chose, so this is that folder or one below.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace vorlax {

// A path in the form used for comparisons: separators "\", ASCII lower case, "." and ".."
// resolved, no trailing or doubled separator. Empty when the path is not a full path
// ("X:\..." or "\\server\share...") or a ".." climbs above its root.
std::u16string ComparablePath(const std::u16string& path);

// Both are comparable paths: true when inner is folder itself or lies below it.
bool IsSameOrInside(const std::u16string& inner, const std::u16string& folder);

// The deepest folder that holds every file of files (full paths); empty when there is none (no
// file, or files on different drives).
std::u16string CommonFolder(const std::vector<std::u16string>& files);

struct FolderRules {
  std::vector<std::u16string> protectedFolders;  // comparable paths
  std::u16string installFolder;                   // comparable, or empty when unknown
  std::vector<std::u16string> programGroups;      // comparable paths
};

enum class FolderRefusal {
  kNone,
  kNotFullPath,
  kDriveRoot,
  kProtectedFolder,   // the Windows, system or a shell folder, or a folder holding one
  kOutsideInstall,    // neither in the install folder nor in a program-menu group
};

// The shell folders (CSIDL values) that are never deleted and never emptied from above.
extern const int kProtectedShellFolders[];
extern const std::size_t kProtectedShellFolderCount;
// The program-menu folders under which the installer's program-menu group lies.
constexpr int kCsidlPrograms = 0x02;
constexpr int kCsidlCommonPrograms = 0x17;

// The rules for a log: protected folders from the system (Windows, system and shell folders),
// the install folder from the product files, and the program-menu groups: the folders of the
// shortcuts that lie below (not directly in) a program-menu folder.
FolderRules MakeFolderRules(System& system, const std::vector<std::u16string>& productFiles,
                            const std::vector<std::u16string>& shortcutFiles);

// Whether folder may be deleted whole.
FolderRefusal CheckFolderRemoval(const std::u16string& folder, const FolderRules& rules);

// Whether an emptied folder may be removed on the way up from a deleted file: it lies in the
// install folder or a program-menu group (either included) and is no protected folder.
bool MayRemoveEmptyFolder(const std::u16string& comparableFolder, const FolderRules& rules);

enum class KeyRefusal { kNone, kInvalidPath, kRoot, kTopLevel, kSystemKey };

// Whether the key at keyPath may be deleted with its sub-keys. On kNone, *root and *subkey (with
// doubled and trailing backslashes removed) name it.
KeyRefusal CheckKeyRemoval(const std::u16string& keyPath, RegistryKey* root, std::u16string* subkey);

}  // namespace vorlax
