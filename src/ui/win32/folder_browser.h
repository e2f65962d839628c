// The options page's folder browser: the shell's folder dialog, opening at the folder typed in
// the install folder edit or its nearest existing ancestor; a chosen folder with a file-system
// path replaces the edit's text. The group edit is never changed.
#pragma once

#include <windows.h>

namespace vorlax {

void BrowseForInstallFolder(HWND page);

}  // namespace vorlax
