// Building the uninstall plan from the log and the safety rules.
#include "uninstall/uninstall_plan.h"

#include <algorithm>

#include "base/text.h"
#include "driver/install_log.h"

namespace vorlax {

namespace {

const char* FolderReason(FolderRefusal refusal) {
  switch (refusal) {
    case FolderRefusal::kNotFullPath: return "not a full path";
    case FolderRefusal::kDriveRoot: return "a drive root";
    case FolderRefusal::kProtectedFolder: return "a system folder or one holding it";
    case FolderRefusal::kOutsideInstall: return "outside the install folder";
    case FolderRefusal::kNone: break;
  }
  return "";
}

const char* KeyReason(KeyRefusal refusal) {
  switch (refusal) {
    case KeyRefusal::kInvalidPath: return "not a registry key path";
    case KeyRefusal::kRoot: return "a registry root";
    case KeyRefusal::kTopLevel: return "a top-level key";
    case KeyRefusal::kSystemKey: return "a key of the system";
    case KeyRefusal::kNone: break;
  }
  return "";
}

std::u16string Refused(const std::u16string& item, const char* reason) {
  return item + u" (" + Ascii(reason) + u")";
}

bool Contains(const std::vector<std::u16string>& list, const std::u16string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

bool InsideKeptFolder(const std::u16string& path, const std::vector<std::u16string>& kept) {
  std::u16string comparable = ComparablePath(path);
  for (const std::u16string& folder : kept) {
    if (IsSameOrInside(comparable, folder)) return true;
  }
  return false;
}

// True when key (a logged key path) is a kept key or lies below one.
bool InsideKeptKey(const std::u16string& key, const std::vector<std::u16string>& kept) {
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;
  KeyRefusal refusal = CheckKeyRemoval(key, &root, &subkey);
  if (refusal != KeyRefusal::kNone) return false;
  std::u16string identity = KeyIdentity(root, subkey);
  for (const std::u16string& keptKey : kept) {
    if (identity == keptKey || identity.compare(0, keptKey.size() + 1, keptKey + u"\\") == 0) {
      return true;
    }
  }
  return false;
}

// The uninstaller a temporary copy was started from is deleted only when the log lists it or it
// lies in the install folder: the path comes from the command line, not from the installation.
bool MayDeleteOriginal(const std::u16string& original, const std::vector<std::u16string>& logged,
                       const FolderRules& rules) {
  std::u16string comparable = ComparablePath(original);
  if (comparable.empty()) return false;
  for (const std::u16string& file : logged) {
    if (ComparablePath(file) == comparable) return true;
  }
  return IsSameOrInside(comparable, rules.installFolder);
}

void AddKeyTree(const std::u16string& logged, UninstallPlan* plan, UninstallReport* report) {
  KeyToDelete key;
  key.logged = logged;
  KeyRefusal refusal = CheckKeyRemoval(logged, &key.root, &key.subkey);
  if (refusal != KeyRefusal::kNone) {
    report->refused.push_back(Refused(logged, KeyReason(refusal)));
    return;
  }
  plan->keyTrees.push_back(key);
}

void AddFolderTree(const std::u16string& folder, UninstallPlan* plan, UninstallReport* report) {
  FolderRefusal refusal = CheckFolderRemoval(folder, plan->rules);
  if (refusal != FolderRefusal::kNone) {
    report->refused.push_back(Refused(folder, FolderReason(refusal)));
    return;
  }
  plan->folderTrees.push_back(folder);
}

void PlanUserData(const UninstallLog& log, bool deleteUserData, UninstallPlan* plan,
                  UninstallReport* report) {
  for (const std::u16string& key : log.userKeys) {
    if (deleteUserData) {
      AddKeyTree(key, plan, report);
      continue;
    }
    report->kept.push_back(key);
    RegistryKey root = kNoRegistryKey;
    std::u16string subkey;
    // A kept key that is no valid path protects nothing, as nothing could name it.
    if (CheckKeyRemoval(key, &root, &subkey) != KeyRefusal::kInvalidPath &&
        root != kNoRegistryKey) {
      plan->keptKeys.push_back(KeyIdentity(root, subkey));
    }
  }
  for (const std::u16string& folder : log.userDirectories) {
    if (deleteUserData) {
      AddFolderTree(folder, plan, report);
      continue;
    }
    report->kept.push_back(folder);
    std::u16string comparable = ComparablePath(folder);
    if (!comparable.empty()) plan->keptFolders.push_back(comparable);
  }
}

}  // namespace

std::u16string KeyIdentity(RegistryKey root, const std::u16string& subkey) {
  std::u16string identity = DecimalText(static_cast<long long>(root)) + u"\\";
  for (char16_t c : subkey) {
    identity.push_back((c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c);
  }
  return identity;
}

UninstallPlan MakeUninstallPlan(const UninstallLog& log, const FolderRules& rules,
                                bool deleteUserData, const std::u16string& logPath,
                                const std::u16string& ownFile, bool ownFileAtRestart,
                                UninstallReport* report) {
  UninstallPlan plan;
  plan.rules = rules;
  plan.ownFile = ownFile;
  plan.ownFileAtRestart = ownFileAtRestart;
  for (const std::u16string& key : log.deleteKeys) AddKeyTree(key, &plan, report);
  PlanUserData(log, deleteUserData, &plan, report);

  std::vector<std::u16string> special;
  for (const std::u16string& path : {logPath, PropertiesCopyPath(logPath), ownFile}) {
    std::u16string comparable = ComparablePath(path);
    if (!comparable.empty()) special.push_back(comparable);
  }
  std::vector<std::u16string> logged = log.productFiles;
  logged.insert(logged.end(), log.shortcutFiles.begin(), log.shortcutFiles.end());
  for (auto it = logged.rbegin(); it != logged.rend(); ++it) {
    if (Contains(special, ComparablePath(*it))) continue;
    if (InsideKeptFolder(*it, plan.keptFolders)) {
      report->kept.push_back(*it);
      continue;
    }
    plan.files.push_back(*it);
  }
  for (const LoggedRegistryValue& value : log.registryValues) {
    if (!InsideKeptKey(value.key, plan.keptKeys)) plan.values.push_back(value);
  }
  for (const std::u16string& folder : log.deltrees) AddFolderTree(folder, &plan, report);
  plan.finalFiles = {logPath, PropertiesCopyPath(logPath)};
  if (!ownFileAtRestart && !ownFile.empty() && !MayDeleteOriginal(ownFile, logged, rules)) {
    report->refused.push_back(Refused(ownFile, FolderReason(FolderRefusal::kOutsideInstall)));
    plan.ownFile.clear();
  }
  return plan;
}

}  // namespace vorlax
