// The registry key path syntax of the install configuration: a root abbreviation, a backslash
// and the subkey path ("HKLM\SOFTWARE\Vendor"). The registry values, the Registry define
// command and the registry permission grants all parse key paths with this one operation.
//
// Traps: exactly three prefixes are known, compared case-sensitively and with their backslash:
// "hklm\...", "HKLM" alone and the long names ("HKEY_LOCAL_MACHINE\...") all fail. The subkey is
// not checked: doubled or trailing backslashes pass through, and "HKLM\" alone names the root.
#pragma once

#include <string>

#include "platform/system.h"

namespace vorlax {

// Parses path. On success sets *root to HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or
// HKEY_CLASSES_ROOT and *subkey to the text after the five-character prefix (possibly empty);
// on failure answers false and leaves both unchanged. Touches no registry.
bool ParseRegistryKeyPath(const std::u16string& path, RegistryKey* root, std::u16string* subkey);

}  // namespace vorlax
