// The running system's version, asked the way every part of the installer asks it.
//
// GetVersionExW is called with a zeroed record whose size field says the extended record; a
// system that refuses that size (Windows 95, NT 4 before service pack 4) is asked again with the
// basic record's size. Windows 98 is version 4.10 and Windows Me 4.90: on them the installer keeps
// the system fonts on its pages and applies its 8-bit character rules.
#pragma once

#include "platform/system.h"

namespace vorlax {

// The extended query, then the basic one; false when both fail.
bool QueryWindowsVersion(SystemVersion* version);

// True when version is that of Windows 98 (4.10) or Me (4.90).
bool IsWindows98OrMeVersion(const SystemVersion& version);

// True only when the query succeeded and the system is Windows 98 or Me. Asked afresh each time.
bool IsWindows98OrMe();

}  // namespace vorlax
