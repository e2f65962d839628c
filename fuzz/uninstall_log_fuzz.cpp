// libFuzzer target for the uninstaller's reader of the install log and its safety rules: the input
// is a whole log file's bytes. When it parses, every folder and key it names to delete whole is
// put through the rules, and every path through the comparison form, as the uninstaller would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "uninstall/removal_safety.h"
#include "uninstall/uninstall_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vorlax::UninstallLog log;
  std::u16string error;
  if (!vorlax::ParseUninstallLog(std::string(reinterpret_cast<const char*>(data), size), &log, &error)) {
    return 0;
  }
  vorlax::FolderRules rules;
  rules.installFolder = vorlax::CommonFolder(log.productFiles);
  rules.protectedFolders = {vorlax::ComparablePath(u"C:\\windows")};
  for (const auto* list : {&log.deltrees, &log.userDirectories}) {
    for (const std::u16string& folder : *list) vorlax::CheckFolderRemoval(folder, rules);
  }
  for (const auto* list : {&log.deleteKeys, &log.userKeys}) {
    for (const std::u16string& key : *list) {
      vorlax::RegistryKey root = vorlax::kNoRegistryKey;
      std::u16string subkey;
      vorlax::CheckKeyRemoval(key, &root, &subkey);
    }
  }
  for (const std::u16string& file : log.shortcutFiles) vorlax::ComparablePath(file);
  return 0;
}
