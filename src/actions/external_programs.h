// External programs: the PreExec and PostExec lists of the install configuration, run by the
// install worker before anything is installed and after the shortcuts.
//
// Each entry's Exe, Params and Directory are expanded; an empty Exe is skipped. An Exe holding an
// "@" names a function: the text before the FIRST "@" is the function's name, everything after it
// (further "@" included) the library's path; the library is loaded, the function called without
// arguments and the library freed. Any other Exe is opened with ShellExecuteExW (verb "open",
// Params, Directory, SW_SHOW) and waited for: its exit code is polled every 20 ms, 0 goes on, any
// other code fails the list without a message.
//
// Messages (through ShowFatalError, which sets installFailed): "Failed to execute '" Exe "'",
// "Failed to load library '" library "'", "Failed to find func '" name "'". SilentFail on an entry
// turns each of its failures (and a non-zero exit code) into going on with the next entry.
//
// Traps:
// - While a program runs, installFailed is read on every poll: set (a cancel the user confirmed
//   on the install page), the list ends at once with false, whether or not SilentFail is set, and
//   the program is left running.
// - A program started without a process to wait on (a document handed to a program that was
//   already running) is not waited for.
#pragma once

#include <vector>

#include "config/install_config.h"

namespace vorlax {

// Runs the list on the calling thread. True when every entry was run, skipped or failed silently;
// false at the first entry that failed without SilentFail, or after a cancel; the entries after
// it are not run.
bool RunExternalPrograms(const std::vector<ExecEntry>& list);

}  // namespace vorlax
