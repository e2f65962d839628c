// ConfirmAbort and the cancel of the progress pages.
#include "ui/abort_confirmation.h"

#include "driver/fatal_error.h"
#include "driver/installer_state.h"
#include "platform/system.h"

namespace vorlax {

namespace {

constexpr uint32_t kWorkerPollMilliseconds = 100;

}  // namespace

bool ConfirmAbort(const AskQuestion& ask) {
  InstallerState& state = State();
  if (state.installFailed) return true;
  const std::u16string text = ExpandWithFallback(u"%ABORT_POPUP_TEXT%", kFallbackAbortText);
  const std::u16string caption = ExpandWithFallback(u"%ABORT_POPUP_TITLE%", kFallbackAbortCaption);
  return ask(text, caption, kAbortQuestionStyle) == kIdYes;
}

void WaitForWorker() {
  InstallerState& state = State();
  while (!state.workerDone) state.system->Sleep(kWorkerPollMilliseconds);
}

bool CancelWhileWorking(const AskQuestion& ask) {
  if (!ConfirmAbort(ask)) return false;
  State().installFailed = true;
  WaitForWorker();
  return true;
}

}  // namespace vorlax
