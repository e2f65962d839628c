// The options page's rules: what Next stores, what Back restores, and where the folder browser
// opens.
//
// Next takes each edit's text as GetWindowTextW reads it into a 256-character buffer (at most
// 255 characters), trims white space at both ends and stores it raw as the define; nothing is
// validated here (the location checks run after the page). Back puts the values saved after the
// configuration stage back.
//
// The folder browser opens at the typed folder or, when that does not exist, at its nearest
// existing ancestor: the start path is tried, and while the browser does not end up selecting
// exactly that path it is cut at its last "\" or "/" and tried again, until it is empty.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vorlax {

constexpr std::size_t kMaxOptionsEditChars = 255;   // a 256-character buffer
constexpr std::size_t kMaxBrowsePathChars = 259;    // a 260-character (MAX_PATH) buffer

// Text without the white space (space, tab, line breaks, vertical tab, form feed) at its ends.
std::u16string TrimWhiteSpace(const std::u16string& text);

// Next: stores the two edits' texts (cut to 255 characters, trimmed) as InstallPath and
// InstallGroup.
void StoreOptions(const std::u16string& pathEditText, const std::u16string& groupEditText);

// Back: InstallPath and InstallGroup get savedInstallPath and savedInstallGroup again.
void RestoreSavedOptions();

// The path before its last "\" or "/" (whichever comes later); empty when it has neither.
std::u16string CutAtLastSeparator(const std::u16string& path);

// Asks the browser to select path and answers the path it then shows as selected (empty when
// the selection has no file-system path).
using SelectFolder = std::function<std::u16string(const std::u16string& path)>;

// Selects the start path (cut to 259 characters) or its nearest ancestor the browser accepts.
// Answers the path that stuck, or empty when none did.
std::u16string SelectNearestFolder(const std::u16string& startPath, const SelectFolder& select);

}  // namespace vorlax
