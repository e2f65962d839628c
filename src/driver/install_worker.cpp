// InstallWorker and its extraction with one retry.
//
// The steps run in the order the worker's header gives; the programs before installing come
// first of all and a failure there leaves only the log's header lines.
//
// A fatal error shown inside a step that itself answers true (a "#Fail" define command in a text
// the step expands) counts as that step's failure: the chain stops after the step and the
// installation fails. Otherwise the final store would clear the flag the message set, and a run
// the configuration asked to stop would end as a success.
#include "driver/install_worker.h"

#include <string>

#include "actions/external_programs.h"
#include "actions/permissions.h"
#include "actions/registry_values.h"
#include "actions/shortcuts.h"
#include "base/text.h"
#include "cabinet/extraction.h"
#include "config/define_table.h"
#include "driver/background_task.h"
#include "driver/fatal_error.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr char16_t kRetryTextId[] = u"%UNINSTALL_ENSURE_NOT_RUNNING_TEXT%";
constexpr char16_t kRetryTitleId[] = u"%UNINSTALL_ENSURE_NOT_RUNNING_TITLE%";

// Asks whether to try the extraction again (a product file may be held by a running copy of the
// product); true on OK.
bool UserWantsRetry() {
  InstallerState& state = State();
  int answer = state.system->ShowMessage(ExpandDefines(state.defines, kRetryTextId),
                                         ExpandDefines(state.defines, kRetryTitleId),
                                         kMbOkCancel | kMbIconExclamation);
  return answer == kIdOk;
}

// An entry the extraction refused (a name that leaves the install folder, a destination path
// too long) fails every attempt alike and writes nothing, and closing a program cannot help: the
// reason is shown as a fatal error with the entry's name instead of the retry prompt. True when
// the last extraction failed that way.
bool ReportRefusedEntry() {
  const ExtractionReport& report = LastExtractionReport();
  if (!report.nameRefused) return false;
  ShowFatalError(Widen(report.refusal));
  return true;
}

// Extracts the product; after a first failure the user may retry the whole extraction once. A
// second failure gives up without asking. extractionFailed is cleared before each attempt and set
// when the extraction is given up.
//
// The list of created files: both attempts walk the same cabinet in the same order and stop at
// their first failure, so each attempt's list is a beginning of one and the same sequence. The
// longer of the two names every file either attempt created, each once (appending the second
// list to the first would log the files of the first attempt twice).
bool ExtractProductWithRetry() {
  InstallerState& state = State();
  ExtractedFiles firstAttempt;
  bool retryOffered = false;
  bool ok = false;
  for (;;) {
    state.extractionFailed = false;
    ok = ExtractWithStatePrefixes();
    if (ok || retryOffered) break;
    if (ReportRefusedEntry()) break;
    retryOffered = true;
    if (!UserWantsRetry()) break;
    firstAttempt.swap(state.extractedFiles);
    state.extractedFiles.clear();
  }
  if (state.extractedFiles.size() < firstAttempt.size()) state.extractedFiles.swap(firstAttempt);
  if (!ok) state.extractionFailed = true;
  return ok;
}

// True when no fatal error was shown since the count was `before`. A step that expanded a text
// running "#Fail" answers true, yet the installation has failed: the worker stops after that
// step, and its final store keeps the failure instead of clearing it.
bool NoFatalErrorSince(uint32_t before) { return State().fatalErrors.load() == before; }

// Extraction and everything after it; runs only when every earlier step succeeded.
bool InstallProduct(uint32_t fatalErrorsBefore) {
  bool ok = ExtractProductWithRetry();
  AppendExtractedFileLines();  // the files created so far, whether or not the extraction succeeded
  if (!ok) return false;
  ok = WriteRegistryValues() && NoFatalErrorSince(fatalErrorsBefore);
  if (ok) ok = CreateShortcuts() && NoFatalErrorSince(fatalErrorsBefore);
  if (ok) ok = RunExternalPrograms(State().config.PostExec) && NoFatalErrorSince(fatalErrorsBefore);
  return ok;
}

void FinishWorker(bool ok) {
  InstallerState& state = State();
  state.installFailed = !ok;
  state.workerDone = true;
}

}  // namespace

void StartInstallWorker() {
  if (StartBackgroundTask(InstallWorker)) return;
  ShowFatalError(u"Unable to Start Install Thread");
  FinishWorker(false);
}

void InstallWorker() {
  InstallerState& state = State();
  const uint32_t fatalErrorsBefore = state.fatalErrors.load();
  bool ok = RunExternalPrograms(state.config.PreExec);
  std::u16string logPath = ExpandDefines(state.defines, state.config.InstallLog);
  GrantPermissions();  // its result does not change ok
  if (!CreateInstallLog(logPath)) ok = false;
  if (!CopyPropertiesBesideLog(logPath)) ok = false;
  AppendLogHeader();
  if (ok) ok = NoFatalErrorSince(fatalErrorsBefore);
  if (ok) ok = InstallProduct(fatalErrorsBefore);
  FinishWorker(ok && NoFatalErrorSince(fatalErrorsBefore));
}

}  // namespace vorlax
