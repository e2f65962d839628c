// The start of the run's two background tasks (the configuration extraction and the install
// worker) and the extraction call both make.
//
// At most one background task runs at a time. Neither is joined: each ends by setting
// State().workerDone, which the progress pages poll.
//
// Traps:
// - The extraction works on 8-bit paths. A prefix that has no 8-bit form (a character above
//   U+00FF) or is longer than 255 characters would be cut short and name another folder, so the
//   extraction is not started and counts as failed: nothing is ever written outside the folder
//   the run chose.
// - A thread that cannot be started would leave the progress page waiting for ever; the task is
//   then reported finished at once (see StartBackgroundTask).
#pragma once

namespace vorlax {

// Clears workerDone, sets the overall and current-file percentages to 0, clears the current file
// name, and starts entry on a new thread. False when the thread could not be started (nothing
// else is done then).
bool StartBackgroundTask(void (*entry)());

// ExtractCabinet(cabinetPath, sourcePrefix, destinationPrefix) of State(), each converted to its
// 8-bit form; false without extracting when a text has none (see the trap above).
bool ExtractWithStatePrefixes();

}  // namespace vorlax
