#include "driver/windows_version.h"

#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr uint32_t kWindows9xMajor = 4;
constexpr uint32_t kWindows98Minor = 10;
constexpr uint32_t kWindowsMeMinor = 90;

}  // namespace

bool QueryWindowsVersion(SystemVersion* version) {
  System& system = *State().system;
  return system.QueryVersion(VersionRecord::kExtended, version) ||
         system.QueryVersion(VersionRecord::kBasic, version);
}

bool IsWindows98OrMeVersion(const SystemVersion& version) {
  return version.major == kWindows9xMajor &&
         (version.minor == kWindows98Minor || version.minor == kWindowsMeMinor);
}

bool IsWindows98OrMe() {
  SystemVersion version;
  return QueryWindowsVersion(&version) && IsWindows98OrMeVersion(version);
}

}  // namespace vorlax
