// ShowFatalError and the fallback texts of error boxes.
#include "driver/fatal_error.h"

#include "base/text.h"
#include "config/define_table.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr char16_t kFatalTitleId[] = u"%FATAL_POPUP_TITLE%";

}  // namespace

std::u16string ExpandWithFallback(const std::u16string& text, const char* fallback) {
  std::u16string expanded = ExpandDefines(State().defines, text);
  return expanded.empty() ? Ascii(fallback) : expanded;
}

void ShowFatalError(const std::u16string& message) {
  State().installFailed = true;
  ++State().fatalErrors;
  ShowErrorReport(message);
}

void ShowErrorReport(const std::u16string& message) {
  InstallerState& state = State();
  std::u16string text = ExpandWithFallback(message, kFallbackFatalText);
  std::u16string caption = ExpandWithFallback(kFatalTitleId, kFallbackErrorCaption);
  state.system->ShowMessage(text, caption, kMbIconError);
}

}  // namespace vorlax
