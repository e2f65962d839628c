// The install-action warnings of `vorlax check`: key paths, value types, binary values, define
// commands with line and file, and the uninstall entry's name.
#include "packer/tool/action_check.h"

#include <deque>
#include <vector>

#include "actions/registry_key_path.h"
#include "actions/registry_value_data.h"
#include "base/text.h"
#include "config/define_commands.h"
#include "config/define_table.h"
#include "config/xml_reader.h"
#include "driver/installer_state.h"
#include "packer/tool/config_folder.h"
#include "packer/tool/define_references.h"

namespace vorlax {

namespace {

constexpr char16_t kCommandMark = u'#';
constexpr char16_t kAlternativeSeparator = u'|';
constexpr char16_t kInstallNameReference[] = u"%InstallName%";
constexpr char kNoPrefix[] = "has no known root prefix (HKLM\\, HKCU\\ or HKCR\\ in capitals)";
// The extensions the installer adds to a shortcut's Dest itself.
const char16_t* const kShortcutExtensions[] = {u".lnk", u".url"};
// The install.xml elements whose items are read as two alternatives "A|B".
const char16_t* const kListElements[] = {
    u"UninstallDeltree", u"UserDirectory",           u"UninstallDelRegKey",
    u"UserRegKey",       u"GrantAllFilePermissions", u"GrantAllRegistryPermissions",
};
constexpr char16_t kInstallConfigPathPrefix[] = u"InstallConfig/";
constexpr char16_t kDefineNamePathSuffix[] = u"/Name";

bool IsCommandText(const std::u16string& text) {
  return text.size() >= 2 && text[0] == kCommandMark && text[1] != kCommandMark;
}

bool EndsWith(const std::u16string& text, const std::u16string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The texts an item of a list element stands for: both alternatives when it has a "|".
std::vector<std::u16string> Alternatives(const std::u16string& item) {
  std::size_t bar = item.rfind(kAlternativeSeparator);
  if (bar == std::u16string::npos) return {item};
  return {item.substr(0, bar), item.substr(bar + 1)};
}

bool IsListItemPath(const std::u16string& path) {
  for (const char16_t* list : kListElements) {
    if (path == kInstallConfigPathPrefix + std::u16string(list)) return true;
  }
  return false;
}

class ActionChecker {
 public:
  ActionChecker(const std::string& folder, const std::set<std::u16string>& builtIns,
                const WarningSink& warn)
      : folder_(folder), builtIns_(builtIns), warn_(warn) {}

  void CheckRegistryValues();
  void CheckRegistryPermissions();
  void CheckUninstallEntry();
  void CheckShortcuts();
  void CheckCommandsIn(const char* fileName);

 private:
  bool ExpandFixed(const std::u16string& text, std::u16string* out);
  void CheckKeyPath(const std::string& where, const std::u16string& text,
                    const std::string& consequence);
  void CheckCommandText(const std::u16string& text, const std::string& at);

  const std::string& folder_;
  const std::set<std::u16string>& builtIns_;
  const WarningSink& warn_;
};

// True with *out set to text's expansion when that is fixed by the folder's own defines (see the
// trap in action_check.h); then expanding cannot run a command.
bool ActionChecker::ExpandFixed(const std::u16string& text, std::u16string* out) {
  DefineTable& defines = State().defines;
  if (text.find(kCommandMark) != std::u16string::npos) return false;
  std::set<std::u16string> seen;
  std::deque<std::u16string> pending;
  for (const std::u16string& name : ReferencedNames(text)) pending.push_back(name);
  while (!pending.empty()) {
    std::u16string name = pending.front();
    pending.pop_front();
    if (!seen.insert(name).second) continue;
    const std::u16string* value = defines.Find(name);
    if (value == nullptr) {
      if (builtIns_.count(name)) return false;  // set by the installer at run time
      continue;
    }
    if (value->find(kCommandMark) != std::u16string::npos) return false;
    for (const std::u16string& inner : ReferencedNames(*value)) pending.push_back(inner);
  }
  *out = ExpandDefines(defines, text);
  return true;
}

void ActionChecker::CheckKeyPath(const std::string& where, const std::u16string& text,
                                 const std::string& consequence) {
  std::u16string path;
  if (!ExpandFixed(text, &path) || path.empty()) return;
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;
  if (ParseRegistryKeyPath(path, &root, &subkey)) return;
  warn_(where + " '" + ToUtf8(path) + "' " + kNoPrefix + "; " + consequence);
}

void ActionChecker::CheckRegistryValues() {
  const std::vector<RegValue>& values = State().config.RegValues;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const RegValue& entry = values[i];
    std::string where = std::string(kInstallFileName) + " RegValue " + std::to_string(i + 1);
    CheckKeyPath(where + " Key", entry.Key, "the installer stops with 'Invalid Key'");
    if (entry.TypeNum < kTypeNumString || entry.TypeNum > kTypeNumBinary) {
      warn_(where + " TypeNum " + std::to_string(entry.TypeNum) +
            " is not 0, 1 or 2; the installer stops with 'Invalid Key Type'");
      continue;
    }
    std::u16string text;
    RegistryValueData data;
    if (entry.TypeNum != kTypeNumBinary || !ExpandFixed(entry.Value, &text)) continue;
    ConvertRegistryValue(entry.TypeNum, text, &data);
    if (data.badBinaryPairs == 0) continue;
    warn_(where + " Value '" + ToUtf8(text) + "' has " + std::to_string(data.badBinaryPairs) +
          " pair" + (data.badBinaryPairs == 1 ? "" : "s") +
          " that are not two hexadecimal digits; the installer reports each as 'Binary "
          "formatting error in registry value' and leaves them out");
  }
}

void ActionChecker::CheckRegistryPermissions() {
  const std::vector<std::u16string>& keys = State().config.GrantAllRegistryPermissions;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    CheckKeyPath(std::string(kInstallFileName) + " GrantAllRegistryPermissions " +
                     std::to_string(i + 1),
                 keys[i], "the installer reports 'Invalid Key' and skips the rest of that list");
  }
}

// The installer writes no uninstall entry when InstallName expands to nothing (or only to
// backslashes), since the entry's key would be the system's Uninstall key itself.
void ActionChecker::CheckUninstallEntry() {
  std::u16string command;
  std::u16string name;
  if (State().config.UninstallCmd.empty()) return;
  if (ExpandFixed(State().config.UninstallCmd, &command) && command.empty()) return;
  if (!State().defines.Has(u"InstallName") || !ExpandFixed(kInstallNameReference, &name)) return;
  if (name.find_first_not_of(u'\\') != std::u16string::npos) return;
  warn_(std::string(kInstallFileName) +
        " has an UninstallCmd but InstallName expands to nothing; the installer writes no "
        "uninstall entry");
}

// A Dest already ending in an extension gets a second one: the installer always adds ".lnk"
// (".url" for an http:// target) to the path it is given.
void ActionChecker::CheckShortcuts() {
  const std::vector<Shortcut>& shortcuts = State().config.Shortcuts;
  for (std::size_t i = 0; i < shortcuts.size(); ++i) {
    const std::u16string& dest = shortcuts[i].Dest;
    for (const char16_t* extension : kShortcutExtensions) {
      std::u16string ending(extension);
      if (dest.size() < ending.size()) continue;
      std::u16string tail = dest.substr(dest.size() - ending.size());
      for (char16_t& c : tail) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
      if (tail != ending) continue;
      warn_(std::string(kInstallFileName) + " Shortcut " + std::to_string(i + 1) + " Dest '" + ToUtf8(dest) +
            "' ends in '" + ToUtf8(ending) +
            "'; the installer adds the extension itself: leave it out");
    }
  }
}

// Checks a command text, then its arguments and else part that are commands themselves.
void ActionChecker::CheckCommandText(const std::u16string& text, const std::string& at) {
  if (!IsCommandText(text)) return;
  DefineCommandText command = ParseDefineCommand(text);
  int needs = DefineCommandArgumentCount(command.name);
  if (needs < 0) {
    warn_("unknown define command '" + ToUtf8(command.name) + "'" + at);
  } else if (command.arguments.size() < static_cast<std::size_t>(needs)) {
    warn_("define command '" + ToUtf8(command.name) + "' needs " + std::to_string(needs) +
          " argument" + (needs == 1 ? "" : "s") + " but has " +
          std::to_string(command.arguments.size()) + at);
  }
  for (const std::u16string& argument : command.arguments) CheckCommandText(argument, at);
  CheckCommandText(command.elsePart, at);
}

void ActionChecker::CheckCommandsIn(const char* fileName) {
  XmlReader xml;
  std::u16string path = ConfigFilePath(folder_, fileName);
  if (!xml.OpenFile(path)) return;
  XmlNode node;
  while (xml.Next(&node)) {
    if (node.kind != XmlNodeKind::Text || EndsWith(node.path, kDefineNamePathSuffix)) continue;
    std::string at = " on Line " + std::to_string(xml.GetLine()) + " in File '" + ToUtf8(path) + "'";
    if (IsListItemPath(node.path)) {
      for (const std::u16string& text : Alternatives(node.name)) CheckCommandText(text, at);
    } else {
      CheckCommandText(node.name, at);
    }
  }
}

}  // namespace

void CheckInstallActions(const std::string& folder, const std::set<std::u16string>& builtIns,
                         const WarningSink& warn) {
  ActionChecker checker(folder, builtIns, warn);
  checker.CheckRegistryValues();
  checker.CheckRegistryPermissions();
  checker.CheckUninstallEntry();
  checker.CheckShortcuts();
  for (const char* file : {kPropsFileName, kInstallFileName, kDefinesFileName}) {
    checker.CheckCommandsIn(file);
  }
}

}  // namespace vorlax
