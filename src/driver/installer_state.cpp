#include "driver/installer_state.h"

#include <memory>

namespace vorlax {

namespace {

// Opened with the shell's "open" verb when the user accepts the DirectX upgrade prompt: Microsoft's
// download page of the DirectX End-User Runtime Web Installer (download id 35): the official
// installer of the DirectX 9.0c runtime, which brings any older DirectX up to date and installs
// only the parts a machine lacks. The address names no language, so the site serves the page in
// the user's own.
constexpr char16_t kDirectXDownloadPage[] =
    u"https://www.microsoft.com/download/details.aspx?id=35";

std::unique_ptr<InstallerState> MakeState() {
  auto state = std::make_unique<InstallerState>();
  state->directXDownloadPage = kDirectXDownloadPage;
  return state;
}

std::unique_ptr<InstallerState>& Holder() {
  static std::unique_ptr<InstallerState> state = MakeState();
  return state;
}

}  // namespace

InstallerState& State() { return *Holder(); }

void ResetInstallerState() { Holder() = MakeState(); }

}  // namespace vorlax
