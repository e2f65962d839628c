// InstallWorker and its extraction with one retry.
//
// The install actions that are not part of this installer yet (the programs before and after
// installing, the shortcuts) have their places marked below in the order they run; until they
// exist, nothing is done or logged in their place.
#include "driver/install_worker.h"

#include <string>

#include "actions/permissions.h"
#include "actions/registry_values.h"
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
    retryOffered = true;
    if (!UserWantsRetry()) break;
    firstAttempt.swap(state.extractedFiles);
    state.extractedFiles.clear();
  }
  if (state.extractedFiles.size() < firstAttempt.size()) state.extractedFiles.swap(firstAttempt);
  if (!ok) state.extractionFailed = true;
  return ok;
}

// Extraction and everything after it; runs only when every earlier step succeeded.
bool InstallProduct() {
  bool ok = ExtractProductWithRetry();
  AppendExtractedFileLines();  // the files created so far, whether or not the extraction succeeded
  if (!ok) return false;
  ok = WriteRegistryValues();
  // Shortcuts go here (ok = CreateShortcuts() when ok), logging one File line per shortcut.
  // The programs after installing go here (ok = RunExternalPrograms(PostExec list) when ok).
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
  bool ok = true;
  // The programs before installing go here: ok = RunExternalPrograms(PreExec list).
  std::u16string logPath = ExpandDefines(state.defines, state.config.InstallLog);
  GrantPermissions();  // its result does not change ok
  if (!CreateInstallLog(logPath)) ok = false;
  if (!CopyPropertiesBesideLog(logPath)) ok = false;
  AppendLogHeader();
  if (ok) ok = InstallProduct();
  FinishWorker(ok);
}

}  // namespace vorlax
