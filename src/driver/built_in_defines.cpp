// SetBuiltInDefines and the run-time built-in defines, through the system seam's registry reads.
#include "driver/built_in_defines.h"

#include <cstddef>
#include <string>

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr char16_t kPerUserShellFolders[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kAllUsersShellFolders[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

constexpr char16_t kDefaultInstallName[] = u"This Program";

// One registry value and the defines it sets (the second may be null).
struct FolderValue {
  const char16_t* valueName;
  const char16_t* define;
  const char16_t* secondDefine;
};

const FolderValue kPerUserValues[] = {
    {u"Desktop", u"Desktop", u"CommonDesktop"},
    {u"Favorites", u"Favorites", u"CommonFavorites"},
    {u"Programs", u"ProgramGroup", kDefineCommonProgramGroup},
    {u"SendTo", u"SendTo", nullptr},
    {u"Start Menu", u"StartMenu", nullptr},
};

const FolderValue kAllUsersValues[] = {
    {u"Common Desktop", u"CommonDesktop", nullptr},
    {u"Common Favorites", u"CommonFavorites", nullptr},
    {u"Common Programs", kDefineCommonProgramGroup, nullptr},
};

const FolderValue kCurrentVersionValues[] = {
    {u"ProgramFilesDir", u"ProgramFiles", nullptr},
    {u"CommonFilesDir", u"CommonFiles", nullptr},
    {u"MediaPath", u"MediaPath", nullptr},
};

// The stored bytes as wide text up to the first NUL (a value without one is taken whole).
std::u16string StoredText(const std::string& data) {
  std::u16string text = FromUtf16Le(reinterpret_cast<const unsigned char*>(data.data()),
                                    data.size());
  std::size_t end = text.find(u'\0');
  return end == std::u16string::npos ? text : text.substr(0, end);
}

// Opens root\subkey for reading and sets the defines of every value that can be read.
template <std::size_t N>
void SetDefinesFromKey(RegistryKey root, const char16_t* subkey, const FolderValue (&values)[N]) {
  InstallerState& state = State();
  System& system = *state.system;
  RegistryKey key = kNoRegistryKey;
  if (!system.OpenKey(root, subkey, kKeyRead, &key)) return;
  for (const FolderValue& value : values) {
    uint32_t type = kRegNone;
    std::string data;
    if (!system.QueryValue(key, value.valueName, kRegistryValueBufferBytes, &type, &data)) continue;
    std::u16string text = StoredText(data);
    state.defines.Set(value.define, text);
    if (value.secondDefine) state.defines.Set(value.secondDefine, text);
  }
  system.CloseKey(key);
}

}  // namespace

void SetBuiltInDefines() {
  InstallerState& state = State();
  state.defines.Set(u"Windows", state.system->WindowsFolder());
  state.defines.Set(u"System", state.system->SystemFolder());
  state.defines.Set(kDefineInstallName, kDefaultInstallName);
  SetDefinesFromKey(kHkeyCurrentUser, kPerUserShellFolders, kPerUserValues);
  SetDefinesFromKey(kHkeyLocalMachine, kAllUsersShellFolders, kAllUsersValues);
  SetDefinesFromKey(kHkeyLocalMachine, kCurrentVersion, kCurrentVersionValues);
}

void SetMinDirectXVersionDefine() {
  InstallerState& state = State();
  state.defines.Set(kDefineMinDirectXVersion, state.minDirectXVersionText);
}

void SetAppFolderDefine() {
  DefineTable& defines = State().defines;
  defines.Set(kDefineAppFolder,
              WithoutTrailingSeparator(defines.Get(kDefineCommonProgramGroup) + u"\\" +
                                       defines.Get(kDefineInstallGroup)));
}

void NormaliseInstallLocationDefines() {
  DefineTable& defines = State().defines;
  defines.Set(kDefineInstallGroup, WithoutTrailingSeparator(defines.Get(kDefineInstallGroup)));
  defines.Set(kDefineInstallPath, WithoutTrailingSeparator(defines.Get(kDefineInstallPath)));
}

}  // namespace vorlax
