// The install log: the record the separate uninstaller reads to undo an installation.
//
// The text is built in memory (State().installLog) while the install worker and its steps run and
// written to State().installLogFile in one piece when the log is closed. The file is UTF-16LE code
// units exactly as held in the buffer: no byte-order mark, no terminating NUL. One element per
// line; first-level elements are indented by one TAB, the registry block's inner ones by two and
// three.
//
// Traps:
// - The first two lines ("<InstallLog>" and the InstallName line) end with CR CR LF, every other
//   line with CR LF. The uninstaller accepts both; the bytes must stay exactly so.
// - EscapeLogText writes LF as "&cr;" and CR as "&lf;" (not the reverse), the entity names the
//   configuration files use as well.
// - The properties copy goes to the log's path with everything from its LAST "." removed, that
//   "." may be in a folder name (then the copy lands beside that folder), and a path without
//   any "." keeps its whole text; "_props.xml" follows. The uninstaller finds it by the same rule.
// - The buffer is appended to only by the install worker's thread; the main thread closes the log
//   only after the worker has finished.
#pragma once

#include <string>

namespace vorlax {

// Line ends of the log.
constexpr char16_t kLogHeaderLineEnd[] = u"\r\r\n";  // the first two lines
constexpr char16_t kLogLineEnd[] = u"\r\n";          // every other line

// The entity escaping of every text written inside a log element (table in install_log.cpp). A
// run of n spaces becomes one space followed by n - 1 times "&nbsp;".
std::u16string EscapeLogText(const std::u16string& text);

// Appends one element line: `tabs` TABs, "<tag>", EscapeLogText(text), "</tag>", CR LF. The
// registry and shortcut steps add their lines through this and AppendLogTag.
void AppendLogElement(int tabs, const std::u16string& tag, const std::u16string& text);

// Appends one line holding only a tag as given (for example "<Registry>" or "</RegValue>"),
// after `tabs` TABs, followed by CR LF.
void AppendLogTag(int tabs, const std::u16string& tag);

// Creates the folders along logPath up to its last "\" or "/" and creates (replaces) the file,
// kept open as State().installLogFile. On failure: ShowFatalError("Failed to Create Install Log '"
// + logPath + "'") and false.
bool CreateInstallLog(const std::u16string& logPath);

// Where the copy of the properties file goes for a log at logPath (see the trap above).
std::u16string PropertiesCopyPath(const std::u16string& logPath);

// Copies State().tempDir + "\props.xml" to PropertiesCopyPath(logPath), replacing an existing
// file. On failure: ShowFatalError("Failed to copy properties file") and false.
bool CopyPropertiesBesideLog(const std::u16string& logPath);

// Lines 1 to 6: "<InstallLog>", the expanded InstallName, and one line per UninstallDeltree,
// UserDirectory, UninstallDelRegKey and UserRegKey entry of the install configuration, each
// expanded and escaped, in that order.
void AppendLogHeader();

// Line 7: one File line per entry of State().extractedFiles, in order.
void AppendExtractedFileLines();

// Appends "</InstallLog>" CR LF, writes the whole buffer to the open log file as UTF-16LE, closes
// it and forgets the handle. Only while the file is open; a failed write is not reported.
void CloseInstallLog();

}  // namespace vorlax
