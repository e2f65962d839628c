// What one uninstall run removes, in which order, and what it keeps or refuses: built from the
// install log, the safety rules and the player's answer to the keep/delete question, before
// anything is touched.
//
// Order of removal: the logged files (product files and shortcuts) last first; the logged
// registry values; the UninstallDelRegKey keys with their sub-keys; the UserDirectory folders and
// UserRegKey keys when the player chose to delete them; the UninstallDeltree folders whole; the
// log, its properties copy and the uninstaller's own file; then every folder left empty, upwards
// as far as the install folder and the program-menu group (both included). The empty folders come
// last because the log and the uninstaller usually lie in the install folder.
//
// Traps:
// - Kept user data is protected from every other step: a logged file inside a kept UserDirectory
//   stays (it may hold the player's changes), a logged registry value in or below a kept
//   UserRegKey stays, a deleted tree skips a kept folder inside it, and a deleted key tree skips a
//   kept key inside it.
// - The uninstaller's own file is never deleted among the logged files: it is removed last (by
//   the temporary copy that runs the uninstall) or, when the uninstaller runs in place, marked
//   for deletion at the next system start. The copy learns the original's path from its command
//   line, so it deletes it only when the log lists it or it lies in the install folder.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "uninstall/removal_safety.h"
#include "uninstall/uninstall_log.h"

namespace vorlax {

// What the run could not remove, what it refused to remove and what it kept on purpose, each
// item as the player should read it (a path, a key, or a key and value name).
struct UninstallReport {
  std::vector<std::u16string> left;
  std::vector<std::u16string> refused;
  std::vector<std::u16string> kept;
  bool Clean() const { return left.empty() && refused.empty(); }
};

struct KeyToDelete {
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;  // doubled and trailing backslashes removed
  std::u16string logged;  // as the log named it
};

struct UninstallPlan {
  FolderRules rules;
  std::vector<std::u16string> files;  // deletion order
  std::vector<LoggedRegistryValue> values;
  std::vector<KeyToDelete> keyTrees;
  std::vector<std::u16string> keptKeys;        // KeyIdentity of each kept UserRegKey
  std::vector<std::u16string> folderTrees;     // UserDirectory (when deleted), then deltrees
  std::vector<std::u16string> keptFolders;     // comparable paths of kept UserDirectory folders
  std::vector<std::u16string> finalFiles;      // the log and its properties copy
  std::u16string ownFile;                      // the uninstaller to delete at the very end
  bool ownFileAtRestart = false;               // ...or to mark for deletion at the next start
};

// One text for a key that compares as the registry does: root and subkey, ASCII letters folded.
std::u16string KeyIdentity(RegistryKey root, const std::u16string& subkey);

// The plan for log. deleteUserData is the player's answer (false keeps UserDirectory and
// UserRegKey). ownFile is the uninstaller's file to remove; ownFileAtRestart says it is the
// running program itself. Refusals and kept items go to *report.
UninstallPlan MakeUninstallPlan(const UninstallLog& log, const FolderRules& rules,
                                bool deleteUserData, const std::u16string& logPath,
                                const std::u16string& ownFile, bool ownFileAtRestart,
                                UninstallReport* report);

}  // namespace vorlax
