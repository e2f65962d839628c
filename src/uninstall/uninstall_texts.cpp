// The uninstaller's property ids and their fallback texts.
#include "uninstall/uninstall_texts.h"

#include "base/text.h"
#include "config/define_table.h"
#include "config/property_table.h"
#include "driver/installer_state.h"

namespace vorlax {

const UninstallTextId kTextTitle = {u"%UNINSTALL_TITLE%", "Uninstall %InstallName%"};
const UninstallTextId kTextConfirm = {
    u"%UNINSTALL_CONFIRM_TEXT%",
    "Do you want to remove %InstallName% and all of its components from your computer?"};
const UninstallTextId kTextKeepUserData = {
    u"%UNINSTALL_KEEP_USER_DATA_TEXT%",
    "Do you want to keep your saved games and settings?\nChoose No to delete them as well."};
const UninstallTextId kTextProgress = {u"%UNINSTALL_PROGRESS_TEXT%", "Removing %InstallName%..."};
const UninstallTextId kTextDone = {u"%UNINSTALL_DONE_TEXT%",
                                   "%InstallName% was removed from your computer."};
const UninstallTextId kTextLeft = {
    u"%UNINSTALL_LEFT_TEXT%", "These items could not be removed. You can delete them yourself:"};
const UninstallTextId kTextRefused = {
    u"%UNINSTALL_REFUSED_TEXT%",
    "These items were not deleted, because deleting them could harm your computer:"};
const UninstallTextId kTextKept = {u"%UNINSTALL_KEPT_TEXT%",
                                   "Your saved games and settings were kept:"};
const UninstallTextId kTextBadLog = {
    u"%UNINSTALL_BAD_LOG_TEXT%",
    "The install log cannot be read, so nothing was removed."};
const UninstallTextId kTextEnsureNotRunning = {
    u"%UNINSTALL_ENSURE_NOT_RUNNING_TEXT%",
    "A file of %InstallName% is in use. Please close %InstallName% and try again."};
const UninstallTextId kTextEnsureNotRunningTitle = {u"%UNINSTALL_ENSURE_NOT_RUNNING_TITLE%",
                                                    "File In Use"};

std::u16string UninstallText(const UninstallTextId& text) {
  DefineTable& defines = State().defines;
  std::u16string expanded = ExpandDefines(defines, text.id);
  return expanded.empty() ? ExpandDefines(defines, Ascii(text.fallback)) : expanded;
}

void LoadUninstallTexts(const std::u16string& propertiesPath) {
  InstallerState& state = State();
  PropertyTable& properties = state.properties;
  if (properties.LoadFile(propertiesPath)) {
    for (const auto& entry : properties.GetStrings()) state.defines.Set(Widen(entry.first), entry.second);
  }
}

}  // namespace vorlax
