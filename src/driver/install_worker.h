// The install worker: the installation proper, on its own thread while the install page shows the
// extraction's progress.
//
// In order: the programs before installing, the permission grants, the install log and the copy
// of the properties file, the log's header lines, the extraction of the product files with one
// retry offered, one File line per extracted file, the registry values and uninstall entry, the
// shortcuts, and the programs after installing. A failing step ends the chain (the header lines
// are written whatever happened before them). The outcome is left in installFailed (false =
// installed), then workerDone is set: these two stores are the worker's last actions.
//
// Not done yet: the programs before and after installing and the shortcuts. install_worker.cpp
// marks their places; until they are built the worker neither runs nor logs anything in their
// stead.
//
// Traps:
// - The worker does not close the log: the main sequence or the entry does, after the install
//   page has ended.
// - It does not watch installFailed: a cancel on the install page waits for the worker to finish,
//   and the worker's final store then overwrites the cancel's value (the main sequence stops the
//   run anyway because the page answered cancel).
// - Its message boxes have no owner window.
#pragma once

namespace vorlax {

// Starts InstallWorker on a new thread (see StartBackgroundTask). When no thread can be started
// the installation fails at once: a fatal message, installFailed set, workerDone set.
void StartInstallWorker();

// The worker's whole run; no arguments, no result (see above).
void InstallWorker();

}  // namespace vorlax
