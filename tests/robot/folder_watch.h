// Watching a folder for sub-folders that appear while the installer runs, and comparing files.
//
// The robot lists the folder before it starts the installer and again when the scenario asks, so
// only folders the run itself created are reported (folders left by earlier runs are ignored).
#pragma once

#include <set>
#include <string>

namespace robot {

// Names of the sub-folders of folder whose names begin with prefix (compared without case, as
// the file system does). An unreadable or missing folder gives an empty set.
std::set<std::wstring> SubFolders(const std::wstring& folder, const std::wstring& prefix);

// Whole contents of a file; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);

}  // namespace robot
