// The installer's own defines: system and shell folders set once at start, and the values the
// run computes later (the required DirectX version's text, the program-menu folder of the
// product, the normalised install path and group).
//
// Traps:
// - Every registry value is read into a 256-byte buffer: a value of 128 characters or more (with
//   its terminator more than 256 bytes) does not fit and leaves its define unset or at its earlier
//   value. Nothing is reported.
// - The value type is not tested and an expandable string is not expanded: values are used as
//   stored, up to their first NUL.
// - `AppFolder` and the normalised `InstallPath`/`InstallGroup` are built from raw (unexpanded)
//   values, so a placeholder inside them stays a placeholder until the define itself is expanded.
// - Every later set of the same name replaces the value: the defines file, the properties and the
//   attached defines texts, loaded after these, may replace any folder define.
#pragma once

namespace vorlax {

// Names of the defines the installer sets or reads itself.
constexpr char16_t kDefineInstallName[] = u"InstallName";
constexpr char16_t kDefineInstallPath[] = u"InstallPath";
constexpr char16_t kDefineInstallGroup[] = u"InstallGroup";
constexpr char16_t kDefineCommonProgramGroup[] = u"CommonProgramGroup";
constexpr char16_t kDefineAppFolder[] = u"AppFolder";
constexpr char16_t kDefineMinDirectXVersion[] = u"MinDXVer";

// Bytes of the buffer each registry value is read into.
constexpr unsigned kRegistryValueBufferBytes = 256;

// Sets, in this order: Windows, System, InstallName ("This Program"), then the per-user shell
// folders (Desktop, Favorites, Programs, SendTo, Start Menu; the first three also set their
// "Common" counterparts), the all-users folders (which replace the "Common" ones when present),
// and ProgramFiles, CommonFiles and MediaPath from the current-version key.
void SetBuiltInDefines();

// MinDXVer = the required DirectX version's text (State().minDirectXVersionText, "3.0").
void SetMinDirectXVersionDefine();

// AppFolder = raw CommonProgramGroup + "\" + raw InstallGroup, less one trailing "\" or "/".
void SetAppFolderDefine();

// InstallGroup, then InstallPath, each set to its own raw value less one trailing "\" or "/".
void NormaliseInstallLocationDefines();

}  // namespace vorlax
