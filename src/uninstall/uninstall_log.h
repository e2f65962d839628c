// The uninstaller's reader of the install log: what the installer recorded, ready to undo.
//
// The log is UTF-16LE without a byte-order mark; lines end with CR LF, the first two with
// CR CR LF (any number of CRs before the LF is accepted, and a last line without one). Leading
// TABs are indentation. Element texts are decoded from the installer's entities ("&cr;" is LF and
// "&lf;" is CR, not the reverse; "&nbsp;" is a space).
//
// Traps:
// - The log does not name the install folder or the program-menu group. Product files are the
//   File lines before the "<Registry>" line; File lines after it are shortcuts (the installer
//   writes them after the registry step, and only when that step succeeded).
// - A registry step that stopped on an error leaves "<Registry>" without "</Registry>": the log
//   still ends with "</InstallLog>" and is complete for every step that ran.
// - Anything else out of place (an unknown element, a stray or unknown entity, text outside an
//   element, a missing "</InstallLog>", an odd byte count) makes the whole log malformed: the
//   uninstaller then changes nothing.
#pragma once

#include <string>
#include <vector>

namespace vorlax {

struct LoggedRegistryValue {
  std::u16string key;   // "HKLM\SOFTWARE\Vendor"
  std::u16string name;  // empty: the key's default value
};

struct UninstallLog {
  std::u16string installName;
  std::vector<std::u16string> deltrees;          // UninstallDeltree
  std::vector<std::u16string> userDirectories;   // UserDirectory
  std::vector<std::u16string> deleteKeys;        // UninstallDelRegKey, header and uninstall entry
  std::vector<std::u16string> userKeys;          // UserRegKey
  std::vector<std::u16string> productFiles;      // File lines before "<Registry>"
  std::vector<std::u16string> shortcutFiles;     // File lines after it
  std::vector<LoggedRegistryValue> registryValues;
  bool registryComplete = false;  // "</Registry>" was written
};

// Decodes the log's entities. False (with *error naming the spot) on a "&" that starts no known
// entity, or a "<" or ">" inside a text.
bool UnescapeLogText(const std::u16string& text, std::u16string* out, std::u16string* error);

// Parses the bytes of a whole log file. False with *error set when the log is malformed; *log is
// then incomplete and must not be used.
bool ParseUninstallLog(const std::string& bytes, UninstallLog* log, std::u16string* error);

// Reads the file at path through the system seam and parses it. False with *error set when the
// file cannot be read or is malformed.
bool ReadUninstallLog(const std::u16string& path, UninstallLog* log, std::u16string* error);

}  // namespace vorlax
