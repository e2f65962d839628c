// The install location checks: before the licence page is shown, the install path and the
// program-menu group the user left in the InstallPath and InstallGroup defines are checked, and
// on success the two defines are normalised.
//
// Rules, in order; the first that fails shows one error box (no owner, error icon, texts are
// property ids expanded when shown) and the check answers false:
//   1. path = the expanded InstallPath; its root is the text before the first "\" or "/" from
//      the third character on (the whole path when there is none), followed by "\".
//   2. two backslashes or two slashes in a row anywhere: not a local path.
//   3. not longer than 2 characters, or no ":" second, or no "\" or "/" third: no drive letter.
//   4. the system's version is asked for (used by rule 6).
//   5. path characters from the third on: a character is refused when its low 8 bits, as a
//      signed byte, are one of " * : < > ? & | % or below 32 (so every low byte 0x80-0xFF too).
//   6. group characters (the expanded InstallGroup): on Windows 98 and Me the rule of 5; on
//      every other system the whole 16-bit value is tested against the same nine and below 32.
//   7. the root's drive must report its free space (GetFreeDiskSpace).
//   8. the free space must be at least the space estimate of the configuration stage's counting
//      pass (every file of the cabinet, rounded up to the next multiple of 32,768 bytes).
//   9. success: InstallGroup, then InstallPath, lose one trailing "\" or "/".
//
// Decisions of this installer:
// - When the version query of rule 4 fails, the run stops as failed (a fatal message, then the
//   abort page and exit code 10); it is never reported as a success.
// - The space estimate is compared in 64 bits as counted: a product over 2 GiB needs that much
//   room, it does not wrap or saturate into a smaller figure.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

// Runs the rules above; true when the location is accepted (and the two defines normalised).
bool CheckInstallLocation();

// The free bytes of the drive whose root folder is given: sectors per cluster x bytes per sector
// x free clusters in 64 bits (saturated at the largest value). When the drive does not answer:
// an owner-less box with the expanded "%ERROR_WITH%" followed by " GetDiskFreeSpace", the
// system's default caption and no icon, and -1.
int64_t GetFreeDiskSpace(const std::u16string& root);

}  // namespace vorlax
