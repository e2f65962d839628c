// WriteRegistryValues and the uninstall entry.
//
// Sound choices:
// - An InstallName that expands to nothing (or to backslashes only) would make the uninstall
//   key the system's Uninstall key itself, and its UninstallDelRegKey line would ask the
//   uninstaller to delete every program's entry. Such a name declines the uninstall entry: no
//   key is created, no value written, no UninstallDelRegKey line logged, no message shown; the
//   closing "</Registry>" line is written and the step succeeds, so the product still installs
//   (`vorlax check` warns the publisher beforehand).
// - UninstallCmd is expanded once: the same text decides whether the entry is written and
//   becomes its UninstallString, so a command in it runs (or fails) only once.
// - The key of an entry with an invalid type number is closed before the step stops.
#include "actions/registry_values.h"

#include <string>

#include "actions/registry_key_path.h"
#include "actions/registry_value_data.h"
#include "config/define_table.h"
#include "driver/fatal_error.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

// RegCreateKeyExW's class text for every key this step creates.
constexpr char16_t kKeyClass[] = u"Key";
constexpr char16_t kUninstallKeyBase[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char16_t kUninstallRootPrefix[] = u"HKLM\\";
constexpr char16_t kDisplayNameValue[] = u"DisplayName";
constexpr char16_t kUninstallStringValue[] = u"UninstallString";
constexpr char16_t kInstallNameDefine[] = u"InstallName";
constexpr char16_t kBinaryFormattingError[] = u"Binary formatting error in registry value";

std::u16string Expand(const std::u16string& text) { return ExpandDefines(State().defines, text); }

void AppendRegValueLines(const std::u16string& key, const std::u16string& name) {
  AppendLogTag(2, u"<RegValue>");
  AppendLogElement(3, u"Key", key);
  AppendLogElement(3, u"Name", name);
  AppendLogTag(2, u"</RegValue>");
}

bool CreateKey(RegistryKey root, const std::u16string& subkey, RegistryKey* key) {
  return State().system->CreateKey(root, subkey, kKeyClass, kRegOptionNonVolatile, kKeyAllAccess,
                                   key);
}

// One RegValue entry: logged, its key created, its value converted and written. False when the
// entry stops the step.
bool WriteRegistryValue(const RegValue& entry) {
  std::u16string keyPath = Expand(entry.Key);
  std::u16string name = Expand(entry.Name);
  std::u16string text = Expand(entry.Value);
  if (keyPath.empty()) return true;
  AppendRegValueLines(keyPath, name);
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;
  if (!ParseRegistryKeyPath(keyPath, &root, &subkey)) {
    ShowFatalError(u"Invalid Key '" + keyPath + u"'");
    return false;
  }
  System& system = *State().system;
  RegistryKey key = kNoRegistryKey;
  if (!CreateKey(root, subkey, &key)) {
    ShowFatalError(u"Failed to Create Key '" + keyPath + u"'");
    return false;
  }
  RegistryValueData data;
  if (!ConvertRegistryValue(entry.TypeNum, text, &data)) {
    system.CloseKey(key);
    ShowFatalError(u"Invalid Key Type on '" + name + u"'");
    return false;
  }
  for (int k = 0; k < data.badBinaryPairs; ++k) ShowFatalError(kBinaryFormattingError);
  system.SetValue(key, name, data.type, data.bytes);
  system.CloseKey(key);
  return true;
}

void SetStringValue(RegistryKey key, const std::u16string& name, const std::u16string& text) {
  RegistryValueData data;
  ConvertRegistryValue(kTypeNumString, text, &data);
  State().system->SetValue(key, name, data.type, data.bytes);
}

// True when displayName names a key of its own below the Uninstall key.
bool NamesOwnUninstallKey(const std::u16string& displayName) {
  return displayName.find_first_not_of(u'\\') != std::u16string::npos;
}

// The closing line of the registry block and, for a non-empty uninstall command, the uninstall
// entry with its log line.
void FinishRegistryBlock() {
  InstallerState& state = State();
  std::u16string command = Expand(state.config.UninstallCmd);
  if (command.empty()) {
    AppendLogTag(1, u"</Registry>");
    return;
  }
  std::u16string displayName = Expand(state.defines.Get(kInstallNameDefine));
  std::u16string subkey = kUninstallKeyBase + displayName;
  bool ownKey = NamesOwnUninstallKey(displayName);
  if (ownKey) {
    RegistryKey key = kNoRegistryKey;
    if (CreateKey(kHkeyLocalMachine, subkey, &key)) {
      SetStringValue(key, kDisplayNameValue, displayName);
      SetStringValue(key, kUninstallStringValue, command);
      state.system->CloseKey(key);
    }
  }
  AppendLogTag(1, u"</Registry>");
  if (ownKey) AppendLogElement(1, u"UninstallDelRegKey", kUninstallRootPrefix + subkey);
}

}  // namespace

bool WriteRegistryValues() {
  AppendLogTag(1, u"<Registry>");
  for (const RegValue& entry : State().config.RegValues) {
    if (!WriteRegistryValue(entry)) return false;
  }
  FinishRegistryBlock();
  return true;
}

}  // namespace vorlax
