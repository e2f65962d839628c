// `vorlax check`'s warnings about the install actions: what the installer would refuse or report
// while writing registry values, granting permissions and running define commands. The
// installer's own behaviour is unchanged; these only tell the publisher beforehand.
//
// - Registry key paths (RegValue keys, GrantAllRegistryPermissions entries) without one of the
//   prefixes "HKLM\", "HKCU\", "HKCR\" (exact case, with the backslash).
// - A RegValue TypeNum other than 0, 1 or 2.
// - A binary RegValue (TypeNum 2) whose value has pairs that are not two hexadecimal digits.
// - Define commands (texts starting with a single "#", in any of the three files, their
//   arguments and else parts included) with an unknown name or fewer arguments than the command
//   needs, with line and file.
// - An UninstallCmd while InstallName expands to nothing (the installer then writes no uninstall
//   entry).
// - A Shortcut Dest ending in ".lnk" or ".url" (any case): the installer adds the extension
//   itself, so the link would be named "X.lnk.lnk".
//
// Trap: a text is judged by its expansion only when that expansion cannot run a define command
// and needs no value the installer sets at run time: no "#" in the text or in any define it
// refers to (directly or through other defines), and no reference to a built-in name the folder
// does not define. Other texts depend on the machine and are not judged, and the check itself
// never runs a command (which could show a message box).
#pragma once

#include <functional>
#include <set>
#include <string>

namespace vorlax {

using WarningSink = std::function<void(const std::string& message)>;

// Checks the loaded configuration (State()) of the folder; builtIns are the names the installer
// defines itself. Every finding goes to warn.
void CheckInstallActions(const std::string& folder, const std::set<std::u16string>& builtIns,
                         const WarningSink& warn);

}  // namespace vorlax
