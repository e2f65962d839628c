// Shortcuts: the step of the install worker that creates the shell links (".lnk") and internet
// shortcuts (".url") the install configuration lists under Shortcuts, each in a folder created on
// demand, and logs every one that is not permanent so the uninstaller removes it.
//
// Per entry, in file order: the destination is expanded and given the brace rule, the target, the
// name (the file-name part of the unexpanded destination) and the arguments are expanded in this
// order, the bar rule picks the name variant (actions/shortcut_path.h); an entry with an empty
// link path or target is skipped silently; "{perm}" is removed or else the File line (link path +
// ".url" or ".lnk") is logged BEFORE the file is made, so it is there even when creation fails.
//
// Traps:
// - A target is an internet address only when it starts with exactly "http://" (case-sensitive:
//   "https://" and "HTTP://" make shell links).
// - A link that cannot be created is reported ("Failed to Create Link to '" target "'") and the
//   step goes on; it does not fail the installation. The report leaves installFailed alone (see
//   ShowErrorReport), so a cancel confirmed meanwhile is kept.
// - On Windows 98 and Me links are made through IShellLinkA with 8-bit texts (each at most 255
//   characters, conversion stopping at the first character without an 8-bit form).
// - COM is initialised on the calling thread (the install worker's) for the step's duration.
#pragma once

#include <string>

namespace vorlax {

// The whole step (see above). False only when the system's version cannot be read, which stops
// the step before the entry being processed; true otherwise, also after single failed links.
bool CreateShortcuts();

// Creates one shortcut: the folders along the link path's parent, then an internet shortcut at
// linkPath + ".url" for an "http://" target, or else a shell link at linkPath + ".lnk" with the
// target, description, arguments and the target's folder as working directory. On 98/Me a link
// whose IPersistFile cannot be obtained also shows the "%ERROR%" box with the error number. True
// when the file was saved.
bool CreateShortcut(const std::u16string& target, const std::u16string& linkPath,
                    const std::u16string& description, const std::u16string& arguments);

}  // namespace vorlax
