#include "driver/installer_state.h"

#include <memory>

namespace vorlax {

namespace {

// The web page offering the DirectX runtime, opened when the user accepts the upgrade prompt.
constexpr char16_t kDirectXDownloadPage[] =
    u"https://www.microsoft.com/en-us/download/details.aspx?id=35";

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
