// CreateFolderPath and DeleteFolderTree, through the system seam.
#include "driver/folders.h"

#include <vector>

#include "driver/installer_state.h"

namespace vorlax {

namespace {

// Shorter paths (empty, "\", "C") are never deleted: they would name a root or nothing.
constexpr std::size_t kMinDeletablePathLength = 2;
constexpr char16_t kSparedFileName[] = u"unicows.dll";

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// folder + "\" + name, without doubling a separator the folder already ends with.
std::u16string ChildPath(const std::u16string& folder, const std::u16string& name) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
  return folder + u"\\" + name;
}

bool IsSelfOrParent(const std::u16string& name) { return name == u"." || name == u".."; }

}  // namespace

void CreateFolderPath(const std::u16string& path) {
  System& system = *State().system;
  for (std::size_t i = 0; i < path.size(); ++i) {
    // A leading separator (a path from the current drive's root or a "\\server" name) has no
    // folder before it to create.
    if (IsSeparator(path[i]) && i > 0) system.CreateFolder(path.substr(0, i));
  }
  if (!path.empty()) system.CreateFolder(path);
}

bool DeleteFolderTree(const std::u16string& path) {
  if (path.size() < kMinDeletablePathLength) return false;
  System& system = *State().system;
  std::vector<FolderEntry> entries;
  if (!system.ListFolder(path, &entries)) return false;
  bool allDeleted = true;
  for (const FolderEntry& entry : entries) {
    if (IsSelfOrParent(entry.name)) continue;
    std::u16string child = ChildPath(path, entry.name);
    if (entry.isFolder) {
      if (!DeleteFolderTree(child)) allDeleted = false;
    } else if (entry.name != kSparedFileName) {
      if (!system.DeleteFile(child)) allDeleted = false;
    }
  }
  if (!allDeleted) return false;
  return system.RemoveFolder(path);
}

}  // namespace vorlax
