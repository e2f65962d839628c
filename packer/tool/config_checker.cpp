// The configuration checker's warnings (see config_checker.h).
#include "packer/tool/config_checker.h"

#include <utility>

#include "base/text.h"
#include "packer/tool/config_folder.h"
#include "packer/tool/define_references.h"

namespace vorlax {
namespace {

// Defines the installer sets itself, at start or during the run.
const char* const kBuiltInDefines[] = {
    "Windows",      "System",           "InstallName",     "Desktop",       "CommonDesktop",
    "Favorites",    "CommonFavorites",  "ProgramGroup",    "CommonProgramGroup", "SendTo",
    "StartMenu",    "ProgramFiles",     "CommonFiles",     "MediaPath",     "InstallerExePath",
    "InstallerExeDir", "TempInstallerDir", "MinDXVer",     "AppFolder",     "InstallPath",
    "InstallGroup",
};

// Text ids the installer's pages, buttons and message boxes show as "%ID%".
const std::vector<const char*> kInstallerTextIdList = {
    "WELCOME_DIALOG_TITLE", "WELCOME_DIALOG_LINE1", "WELCOME_DIALOG_LINE2",
    "WELCOME_DIALOG_DIRECTORY", "WELCOME_DIALOG_MENU_LOCATION", "OPTIONS_DIALOG_TITLE",
    "OPTIONS_DIALOG_LINE1", "OPTIONS_DIALOG_DIRECTORY", "OPTIONS_DIALOG_MENU_LOCATION",
    "LICENSE_DIALOG_TITLE", "LICENSE_DIALOG_LINE1", "INSTALL_DIALOG_TITLE", "INSTALL_DIALOG_LINE1",
    "INSTALL_DIALOG_EXTRACTING", "INSTALL_DIALOG_TOTAL_PROGRESS", "LAUNCH_DIALOG_TITLE",
    "LAUNCH_DIALOG_LINE1", "LAUNCH_DIALOG_LINE2", "LAUNCH_DIALOG_LINE3",
    "LAUNCH_DIALOG_LAUNCH_CHECK", "ABORT_DIALOG_TITLE", "ABORT_DIALOG_LINE1", "ABORT_DIALOG_LINE2",
    "ABORT_DIALOG_LINE3", "BUTTON_NEXT", "BUTTON_BACK", "BUTTON_CANCEL", "BUTTON_DONE",
    "BUTTON_EXIT", "BUTTON_VIEW_README", "BUTTON_CHANGE_SETTINGS", "BUTTON_BROWSE",
    "BUTTON_DONT_AGREE", "BUTTON_AGREE", "FATAL_POPUP_TITLE", "ABORT_POPUP_TITLE",
    "ABORT_POPUP_TEXT", "DX_UPGRADE_TITLE", "DX_UPGRADE_TEXT", "ADMIN_INSTALL", "ERROR",
    "ERROR_WITH", "INVALID_DRIVE", "DIFF_PATH", "INVALID_PATH", "INVALID_START_TITLE",
    "INVALID_START_BODY", "INSUFFICIENT_SPACE_TITLE", "INSUFFICIENT_SPACE_BODY",
    "SPEC_PATH_DRIVE", "SPEC_PATH_LOCAL", "SELECT_DIRECTORY", "UNINSTALL_ENSURE_NOT_RUNNING_TITLE",
    "UNINSTALL_ENSURE_NOT_RUNNING_TEXT",
};

}  // namespace

const std::vector<const char*>& InstallerTextIds() { return kInstallerTextIdList; }

ConfigChecker::ConfigChecker(WarningSink warn) : warn_(std::move(warn)) {
  for (const char* name : kBuiltInDefines) builtIns_.insert(Ascii(name));
}

void ConfigChecker::CheckActions(const std::string& folder) {
  CheckInstallActions(folder, builtIns_, [this](const std::string& message) { Warn(message); });
}

void ConfigChecker::CheckTextIds() {
  const InstallerState& state = State();
  for (const char* id : kInstallerTextIdList) {
    if (state.properties.GetStrings().count(id)) continue;
    Warn(std::string(kPropsFileName) + " does not define the text id '" + id + "'" +
         (state.defines.Has(Ascii(id)) ? " (defines.xml sets it)" : ""));
  }
  for (const std::u16string& id : state.properties.UnconvertibleIds()) {
    Warn(std::string(kPropsFileName) + " string id '" + ToUtf8(id) +
         "' has no 8-bit form (a character above U+00FF or over 255 characters); the installer cannot use it");
  }
}

void ConfigChecker::CheckDefines() {
  const InstallerState& state = State();
  for (const auto& define : state.defines.All()) {
    auto property = state.properties.GetStrings().find(Narrow(define.first));
    bool fromProps = property != state.properties.GetStrings().end() &&
                     Widen(property->first) == define.first && property->second == define.second;
    CheckText(fromProps ? std::string(kPropsFileName) + " string '" + ToUtf8(define.first) + "'"
                        : std::string(kDefinesFileName) + " define '" + ToUtf8(define.first) + "'",
              define.second);
  }
}

void ConfigChecker::CheckInstallConfig() {
  const InstallConfig& config = State().config;
  const std::string file = kInstallFileName;
  CheckText(file + " RunExe", config.RunExe);
  CheckText(file + " InstallLog", config.InstallLog);
  CheckText(file + " UninstallCmd", config.UninstallCmd);
  CheckList(file + " UninstallDeltree", config.UninstallDeltree);
  CheckList(file + " UserDirectory", config.UserDirectory);
  CheckList(file + " UninstallDelRegKey", config.UninstallDelRegKey);
  CheckList(file + " UserRegKey", config.UserRegKey);
  CheckList(file + " GrantAllFilePermissions", config.GrantAllFilePermissions);
  CheckList(file + " GrantAllRegistryPermissions", config.GrantAllRegistryPermissions);
  CheckExec(file + " PreExec", config.PreExec);
  CheckExec(file + " PostExec", config.PostExec);
  for (std::size_t i = 0; i < config.RegValues.size(); ++i) {
    std::string where = file + " RegValue " + std::to_string(i + 1);
    CheckText(where + " Key", config.RegValues[i].Key);
    CheckText(where + " Name", config.RegValues[i].Name);
    CheckText(where + " Value", config.RegValues[i].Value);
  }
  for (std::size_t i = 0; i < config.Shortcuts.size(); ++i) {
    std::string where = file + " Shortcut " + std::to_string(i + 1);
    CheckText(where + " Dest", config.Shortcuts[i].Dest);
    CheckText(where + " Target", config.Shortcuts[i].Target);
    CheckText(where + " Args", config.Shortcuts[i].Args);
  }
}

void ConfigChecker::Warn(const std::string& message) {
  warn_(message);
  ++warnings_;
}

bool ConfigChecker::IsDefined(const std::u16string& name) const {
  return builtIns_.count(name) != 0 || State().defines.Has(name);
}

void ConfigChecker::CheckText(const std::string& where, const std::u16string& text) {
  std::set<std::u16string> reported;
  for (const std::u16string& name : ReferencedNames(text)) {
    if (IsDefined(name) || !reported.insert(name).second) continue;
    Warn(where + " refers to %" + ToUtf8(name) + "%, which nothing defines");
  }
}

void ConfigChecker::CheckList(const std::string& where, const std::vector<std::u16string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    CheckText(where + " " + std::to_string(i + 1), items[i]);
  }
}

void ConfigChecker::CheckExec(const std::string& where, const std::vector<ExecEntry>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string entry = where + " " + std::to_string(i + 1);
    CheckText(entry + " Exe", entries[i].Exe);
    CheckText(entry + " Directory", entries[i].Directory);
    CheckText(entry + " Params", entries[i].Params);
  }
}

void ConfigChecker::CheckAll(const std::string& folder) {
  CheckTextIds();
  CheckDefines();
  CheckInstallConfig();
  CheckActions(folder);
}

}  // namespace vorlax
