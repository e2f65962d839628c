// The two folder helpers of the run: create every folder along a path, delete a folder tree.
//
// Trap: DeleteFolderTree never deletes a file named exactly "unicows.dll" (case-sensitive): on
// Windows 95, 98 and Me the running installer may have loaded that library from the folder. A
// folder holding one stays, and the answer is then false.
#pragma once

#include <string>

namespace vorlax {

// Creates each folder along path, in order from the root: the text before every "\" or "/", then
// the full path. Existing folders and failures are ignored (the caller finds out when it uses the
// folder).
void CreateFolderPath(const std::u16string& path);

// Deletes every file in the folder tree except those named exactly "unicows.dll", recursing into
// every sub-folder; when every deletion succeeded, removes the folder itself and answers whether
// that worked. A path shorter than 2 characters, or one that cannot be listed, answers false with
// nothing deleted.
bool DeleteFolderTree(const std::u16string& path);

}  // namespace vorlax
