// SubstituteText: cut, then expand against the run's defines.
#include "ui/window_text.h"

#include "driver/installer_state.h"

namespace vorlax {

std::u16string SubstituteText(const std::u16string& text) {
  return ExpandDefines(State().defines, text.substr(0, kMaxWindowTextChars));
}

}  // namespace vorlax
