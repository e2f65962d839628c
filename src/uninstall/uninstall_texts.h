// The uninstaller's texts: property ids of the properties copy beside the log, with the
// installer's fallback rule.
//
// Every text the player sees is a "%ID%" placeholder expanded against the defines: the strings
// of the properties copy ("<log without extension>_props.xml") and InstallName from the log.
// When the expansion is empty (the copy is missing or lacks the id), a fixed English text is
// shown instead, itself expanded, so "%InstallName%" in it still names the product. A loaded
// property always wins.
#pragma once

#include <string>

namespace vorlax {

struct UninstallTextId {
  const char16_t* id;      // "%UNINSTALL_TITLE%"
  const char* fallback;    // ASCII
};

extern const UninstallTextId kTextTitle;
extern const UninstallTextId kTextConfirm;
extern const UninstallTextId kTextKeepUserData;
extern const UninstallTextId kTextProgress;
extern const UninstallTextId kTextDone;
extern const UninstallTextId kTextLeft;
extern const UninstallTextId kTextRefused;
extern const UninstallTextId kTextKept;
extern const UninstallTextId kTextBadLog;
extern const UninstallTextId kTextEnsureNotRunning;
extern const UninstallTextId kTextEnsureNotRunningTitle;

// The expanded text of id, or its expanded fallback when that is empty.
std::u16string UninstallText(const UninstallTextId& text);

// Loads the properties copy at path into the defines (each string under its id). A copy that
// cannot be read leaves the defines as they were: the fallbacks show.
void LoadUninstallTexts(const std::u16string& propertiesPath);

}  // namespace vorlax
