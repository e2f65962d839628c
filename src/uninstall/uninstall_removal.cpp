// The removal steps: files, registry values, key trees, folder trees, empty folders.
#include "uninstall/uninstall_removal.h"

#include "actions/registry_key_path.h"
#include "base/text.h"
#include "driver/installer_state.h"
#include "uninstall/uninstall_texts.h"

namespace vorlax {

namespace {

constexpr uint32_t kFileAttributeNormal = 0x80;
// Deeper folder trees or key trees than this are not the installer's: left alone and reported.
constexpr int kMaxTreeDepth = 64;
// A value of any size is found by this query (its data is not needed).
constexpr uint32_t kAnyValueSize = 0xFFFFFFFFu;

System& Sys() { return *State().system; }

bool Exists(const std::u16string& path) { return Sys().FindFirstMatch(path); }

// True when the file is gone afterwards.
bool RemoveFile(const std::u16string& path) {
  if (Sys().DeleteFile(path) || !Exists(path)) return true;
  Sys().SetFileAttributesWide(path, kFileAttributeNormal);
  return Sys().DeleteFile(path) || !Exists(path);
}

class Remover {
 public:
  Remover(const UninstallPlan& plan, UninstallReport* report, RemovalProgress* progress)
      : plan_(plan), report_(report), progress_(progress) {}

  void Run() {
    progress_->total = static_cast<uint32_t>(plan_.files.size() + plan_.values.size() +
                                             plan_.keyTrees.size() + plan_.folderTrees.size() +
                                             plan_.finalFiles.size() + 2);
    RemoveLoggedFiles();
    for (const LoggedRegistryValue& value : plan_.values) {
      RemoveValue(value);
      Step();
    }
    for (const KeyToDelete& key : plan_.keyTrees) {
      RemoveKeyTree(key.root, key.subkey, 0);
      Step();
    }
    for (const std::u16string& folder : plan_.folderTrees) {
      if (RemoveFolderTree(folder, 0)) emptied_.push_back(FolderOf(WithoutTrailingSeparator(folder)));
      Step();
    }
    for (const std::u16string& file : plan_.finalFiles) {
      if (RemoveFile(file)) emptied_.push_back(FolderOf(file));
      else report_->left.push_back(file);
      Step();
    }
    RemoveOwnFile();
    Step();
    for (const std::u16string& folder : emptied_) RemoveEmptyFolders(folder);
    Step();
    progress_->finished = true;
  }

 private:
  void Step() { progress_->done = progress_->done + 1; }

  void RemoveLoggedFiles() {
    std::vector<std::u16string> inUse;
    for (const std::u16string& file : plan_.files) {
      if (RemoveFile(file)) emptied_.push_back(FolderOf(file));
      else inUse.push_back(file);
      Step();
    }
    while (!inUse.empty() && AskEnsureNotRunning()) {
      std::vector<std::u16string> still;
      for (const std::u16string& file : inUse) {
        if (RemoveFile(file)) emptied_.push_back(FolderOf(file));
        else still.push_back(file);
      }
      inUse.swap(still);
    }
    report_->left.insert(report_->left.end(), inUse.begin(), inUse.end());
  }

  static bool AskEnsureNotRunning() {
    return Sys().ShowMessage(UninstallText(kTextEnsureNotRunning),
                             UninstallText(kTextEnsureNotRunningTitle),
                             kMbOkCancel | kMbIconExclamation) == kIdOk;
  }

  void RemoveValue(const LoggedRegistryValue& value) {
    std::u16string item = value.key + u" [" + value.name + u"]";
    RegistryKey root = kNoRegistryKey;
    std::u16string subkey;
    if (!ParseRegistryKeyPath(value.key, &root, &subkey)) {
      report_->refused.push_back(item);
      return;
    }
    RegistryKey key = kNoRegistryKey;
    if (!Sys().OpenKey(root, subkey, kKeyAllAccess, &key)) {
      if (KeyPresent(root, subkey)) report_->left.push_back(item);
      return;
    }
    if (!Sys().DeleteValue(key, value.name)) {
      uint32_t type = kRegNone;
      std::string data;
      if (Sys().QueryValue(key, value.name, kAnyValueSize, &type, &data)) {
        report_->left.push_back(item);
      }
    }
    Sys().CloseKey(key);
  }

  static bool KeyPresent(RegistryKey root, const std::u16string& subkey) {
    RegistryKey key = kNoRegistryKey;
    if (!Sys().OpenKey(root, subkey, kKeyRead, &key)) return false;
    Sys().CloseKey(key);
    return true;
  }

  bool IsKeptKey(RegistryKey root, const std::u16string& subkey) const {
    std::u16string identity = KeyIdentity(root, subkey);
    for (const std::u16string& kept : plan_.keptKeys) {
      if (kept == identity) return true;
    }
    return false;
  }

  // Deletes root\subkey with every sub-key except kept ones; true when it is gone.
  bool RemoveKeyTree(RegistryKey root, const std::u16string& subkey, int depth) {
    if (IsKeptKey(root, subkey)) return false;
    std::u16string item = KeyPathText(root) + subkey;
    if (depth > kMaxTreeDepth) {
      report_->left.push_back(item);
      return false;
    }
    RegistryKey key = kNoRegistryKey;
    if (!Sys().OpenKey(root, subkey, kKeyAllAccess, &key)) {
      if (!KeyPresent(root, subkey)) return true;
      report_->left.push_back(item);
      return false;
    }
    std::vector<std::u16string> children;
    std::u16string name;
    for (uint32_t index = 0; Sys().EnumerateSubkey(key, index, &name); ++index) {
      children.push_back(name);
    }
    Sys().CloseKey(key);
    bool allGone = true;
    for (const std::u16string& child : children) {
      if (!RemoveKeyTree(root, subkey + u"\\" + child, depth + 1)) allGone = false;
    }
    if (!allGone) return false;
    if (Sys().DeleteKey(root, subkey) || !KeyPresent(root, subkey)) return true;
    report_->left.push_back(item);
    return false;
  }

  static std::u16string KeyPathText(RegistryKey root) {
    switch (root) {
      case kHkeyLocalMachine: return u"HKLM\\";
      case kHkeyCurrentUser: return u"HKCU\\";
      case kHkeyClassesRoot: return u"HKCR\\";
      default: return u"";
    }
  }

  bool IsKeptFolder(const std::u16string& folder) const {
    std::u16string comparable = ComparablePath(folder);
    for (const std::u16string& kept : plan_.keptFolders) {
      if (kept == comparable) return true;
    }
    return false;
  }

  // Deletes folder with everything in it except kept folders; true when it is gone.
  bool RemoveFolderTree(const std::u16string& folder, int depth) {
    if (IsKeptFolder(folder)) return false;
    if (depth > kMaxTreeDepth) {
      report_->left.push_back(folder);
      return false;
    }
    std::vector<FolderEntry> entries;
    if (!Sys().ListFolder(folder, &entries)) {
      if (!Exists(folder)) return true;
      report_->left.push_back(folder);
      return false;
    }
    bool allGone = true;
    for (const FolderEntry& entry : entries) {
      if (entry.name == u"." || entry.name == u"..") continue;
      std::u16string child = folder + u"\\" + entry.name;
      if (entry.isFolder && Sys().IsReparsePoint(child)) {
        // A junction: removing it removes the link, never what it points to.
        if (!Sys().RemoveFolder(child)) {
          report_->left.push_back(child);
          allGone = false;
        }
      } else if (entry.isFolder) {
        if (!RemoveFolderTree(child, depth + 1)) allGone = false;
      } else if (IsOwnFile(child)) {
        allGone = false;  // removed last, or at the next start
      } else if (!RemoveFile(child)) {
        report_->left.push_back(child);
        allGone = false;
      }
    }
    if (!allGone) return false;
    if (Sys().RemoveFolder(folder)) return true;
    report_->left.push_back(folder);
    return false;
  }

  bool IsOwnFile(const std::u16string& path) const {
    return !plan_.ownFile.empty() && ComparablePath(path) == ComparablePath(plan_.ownFile);
  }

  void RemoveOwnFile() {
    if (plan_.ownFile.empty()) return;
    if (plan_.ownFileAtRestart) {
      if (!Sys().DeleteFileAtRestart(plan_.ownFile)) report_->left.push_back(plan_.ownFile);
      return;
    }
    for (int attempt = 0; attempt < kOwnFileDeleteTries; ++attempt) {
      if (RemoveFile(plan_.ownFile)) {
        emptied_.push_back(FolderOf(plan_.ownFile));
        return;
      }
      Sys().Sleep(kOwnFileDeletePauseMs);
    }
    report_->left.push_back(plan_.ownFile);
  }

  // Removes folder and its parents while they are empty and the rules allow it.
  void RemoveEmptyFolders(std::u16string folder) {
    while (!folder.empty() && MayRemoveEmptyFolder(ComparablePath(folder), plan_.rules) &&
           !HoldsKeptFolder(folder)) {
      if (!Sys().RemoveFolder(folder)) return;
      std::u16string parent = FolderOf(folder);
      if (parent == folder) return;
      folder = parent;
    }
  }

  bool HoldsKeptFolder(const std::u16string& folder) const {
    std::u16string comparable = ComparablePath(folder);
    for (const std::u16string& kept : plan_.keptFolders) {
      if (IsSameOrInside(kept, comparable)) return true;
    }
    return false;
  }

  const UninstallPlan& plan_;
  UninstallReport* report_;
  RemovalProgress* progress_;
  std::vector<std::u16string> emptied_;  // folders that may have become empty
};

}  // namespace

void CarryOutUninstallPlan(const UninstallPlan& plan, UninstallReport* report,
                           RemovalProgress* progress) {
  Remover(plan, report, progress).Run();
}

}  // namespace vorlax
