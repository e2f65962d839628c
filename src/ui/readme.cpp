// OpenReadme through the seam's shell call.
#include "ui/readme.h"

#include "driver/installer_state.h"
#include "platform/system.h"

namespace vorlax {

void OpenReadme() {
  InstallerState& state = State();
  state.system->ShellExecute(u"open", state.tempDir + u"\\" + state.config.ReadmeTitle,
                             std::u16string(), std::u16string());
}

}  // namespace vorlax
