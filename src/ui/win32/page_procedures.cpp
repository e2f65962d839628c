// PageProcedureFor: template id to dialog procedure.
#include "ui/page_ids.h"

#include "ui/win32/page_procedures.h"

namespace vorlax {

DLGPROC PageProcedureFor(int dialogId) {
  switch (dialogId) {
    case IDD_LICENCE_PAGE: return LicencePageProcedure;
    case IDD_OPTIONS_PAGE: return OptionsPageProcedure;
    case IDD_WELCOME_PAGE: return WelcomePageProcedure;
    case IDD_INSTALL_PAGE: return InstallPageProcedure;
    case IDD_ABORT_PAGE: return AbortPageProcedure;
    case IDD_SMALL_PROGRESS_PAGE: return SmallProgressPageProcedure;
    case IDD_LAUNCH_PAGE: return LaunchPageProcedure;
    default: return nullptr;
  }
}

}  // namespace vorlax
