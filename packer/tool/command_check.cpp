// `vorlax check DIR`: reads a configuration folder with the installer's own readers, reports
// each broken file with the installer's message (line and file included), then warns about the
// text ids the installer shows that props.xml lacks, about %NAME% references that nothing
// defines, and about what the install actions would refuse or report (action_check.h).
//
// References are found the way the substitution's first pass pairs "%" characters, left to
// right in each text on its own, so "50% of %B%" reports the name " of " just as the installer
// would look it up. Names the installer sets itself (folders, paths, facts of the run) count as
// defined. Warnings are given only when all three files were read.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/tool/action_check.h"
#include "packer/tool/command.h"
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
const char* const kInstallerTextIds[] = {
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

class ConfigChecker {
 public:
  ConfigChecker() {
    for (const char* name : kBuiltInDefines) builtIns_.insert(Ascii(name));
  }

  int warnings() const { return warnings_; }

  void CheckActions(const std::string& folder) {
    CheckInstallActions(folder, builtIns_, [this](const std::string& message) { Warn(message); });
  }

  void CheckTextIds() {
    const InstallerState& state = State();
    for (const char* id : kInstallerTextIds) {
      if (state.properties.GetStrings().count(id)) continue;
      Warn(std::string(kPropsFileName) + " does not define the text id '" + id + "'" +
           (state.defines.Has(Ascii(id)) ? " (defines.xml sets it)" : ""));
    }
    for (const std::u16string& id : state.properties.UnconvertibleIds()) {
      Warn(std::string(kPropsFileName) + " string id '" + ToUtf8(id) +
           "' has no 8-bit form (a character above U+00FF or over 255 characters); the installer cannot use it");
    }
  }

  void CheckDefines() {
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

  void CheckInstallConfig() {
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

 private:
  void Warn(const std::string& message) {
    std::fprintf(stderr, "vorlax: warning: %s\n", message.c_str());
    ++warnings_;
  }

  bool IsDefined(const std::u16string& name) const {
    return builtIns_.count(name) != 0 || State().defines.Has(name);
  }

  void CheckText(const std::string& where, const std::u16string& text) {
    std::set<std::u16string> reported;
    for (const std::u16string& name : ReferencedNames(text)) {
      if (IsDefined(name) || !reported.insert(name).second) continue;
      Warn(where + " refers to %" + ToUtf8(name) + "%, which nothing defines");
    }
  }

  void CheckList(const std::string& where, const std::vector<std::u16string>& items) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      CheckText(where + " " + std::to_string(i + 1), items[i]);
    }
  }

  void CheckExec(const std::string& where, const std::vector<ExecEntry>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      std::string entry = where + " " + std::to_string(i + 1);
      CheckText(entry + " Exe", entries[i].Exe);
      CheckText(entry + " Directory", entries[i].Directory);
      CheckText(entry + " Params", entries[i].Params);
    }
  }

  std::set<std::u16string> builtIns_;
  int warnings_ = 0;
};

void ReportBrokenFile(const std::string& folder, const char* fileName) {
  std::u16string path = ConfigFilePath(folder, fileName);
  if (LooksLikeEightBitText(path)) {
    std::fprintf(stderr, "vorlax: note: %s does not look like UTF-16LE text, which is all the installer reads\n",
                 ToUtf8(path).c_str());
  }
}

int RunCheck(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("check");
  const std::string& folder = args[0];
  ConfigFolderLoad load = LoadConfigFolder(folder);
  for (const std::string& error : load.errors) std::fprintf(stderr, "vorlax: %s\n", error.c_str());
  if (!load.propertiesLoaded) ReportBrokenFile(folder, kPropsFileName);
  if (!load.configLoaded) ReportBrokenFile(folder, kInstallFileName);
  if (!load.definesLoaded) ReportBrokenFile(folder, kDefinesFileName);
  if (!load.AllLoaded()) return kExitFailed;
  ConfigChecker checker;
  checker.CheckTextIds();
  checker.CheckDefines();
  checker.CheckInstallConfig();
  checker.CheckActions(folder);
  std::printf("%s: configuration reads as the installer reads it; %d warning%s\n", folder.c_str(),
              checker.warnings(), checker.warnings() == 1 ? "" : "s");
  return kExitOk;
}

const CommandRegistrar kRegistrar({"check", "check DIR",
                                   "read props.xml, install.xml and defines.xml of DIR as the installer does",
                                   RunCheck});

}  // namespace
}  // namespace vorlax
