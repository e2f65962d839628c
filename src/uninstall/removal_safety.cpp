// The safety rules for folders and registry keys deleted whole.
#include "uninstall/removal_safety.h"

#include <cstddef>

#include "actions/registry_key_path.h"
#include "base/text.h"

namespace vorlax {

namespace {

char16_t Folded(char16_t c) {
  if (c == u'/') return u'\\';
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::vector<std::u16string> Components(const std::u16string& text, std::size_t from) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (std::size_t i = from; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(text[i]);
    }
  }
  return parts;
}

// Keys of the system's own under any root, as comparable subkey paths. They, and every key that
// holds one of them, are never deleted.
const char16_t* const kSystemKeys[] = {
    u"software\\microsoft\\windows\\currentversion\\uninstall",
    u"software\\microsoft\\windows\\currentversion\\run",
    u"software\\microsoft\\windows\\currentversion\\explorer\\shell folders",
    u"software\\microsoft\\windows nt\\currentversion",
    u"software\\wow6432node\\microsoft\\windows\\currentversion\\uninstall",
    u"software\\classes\\clsid",
    u"software\\policies",
    u"system\\currentcontrolset\\services",
    u"control panel\\desktop",
};

// The folder of a comparable file path (text before the last "\"), empty when there is none.
std::u16string ParentOf(const std::u16string& path) {
  std::size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

bool IsDriveRoot(const std::u16string& comparable) {
  if (comparable.size() == 2 && comparable[1] == u':') return true;
  // "\\server\share": two components after the leading "\\".
  return comparable.compare(0, 2, u"\\\\") == 0 && Components(comparable, 2).size() <= 2;
}

}  // namespace

const int kProtectedShellFolders[] = {
    0x00,  // CSIDL_DESKTOP
    0x02,  // CSIDL_PROGRAMS
    0x05,  // CSIDL_PERSONAL (documents)
    0x06,  // CSIDL_FAVORITES
    0x07,  // CSIDL_STARTUP
    0x09,  // CSIDL_SENDTO
    0x0b,  // CSIDL_STARTMENU
    0x0d,  // CSIDL_MYMUSIC
    0x0e,  // CSIDL_MYVIDEO
    0x10,  // CSIDL_DESKTOPDIRECTORY
    0x14,  // CSIDL_FONTS
    0x15,  // CSIDL_TEMPLATES
    0x16,  // CSIDL_COMMON_STARTMENU
    0x17,  // CSIDL_COMMON_PROGRAMS
    0x18,  // CSIDL_COMMON_STARTUP
    0x19,  // CSIDL_COMMON_DESKTOPDIRECTORY
    0x1a,  // CSIDL_APPDATA
    0x1c,  // CSIDL_LOCAL_APPDATA
    0x23,  // CSIDL_COMMON_APPDATA
    0x24,  // CSIDL_WINDOWS
    0x25,  // CSIDL_SYSTEM
    0x26,  // CSIDL_PROGRAM_FILES
    0x27,  // CSIDL_MYPICTURES
    0x28,  // CSIDL_PROFILE
    0x29,  // CSIDL_SYSTEMX86
    0x2a,  // CSIDL_PROGRAM_FILESX86
    0x2b,  // CSIDL_PROGRAM_FILES_COMMON
    0x2e,  // CSIDL_COMMON_DOCUMENTS
};
const std::size_t kProtectedShellFolderCount =
    sizeof(kProtectedShellFolders) / sizeof(kProtectedShellFolders[0]);

std::u16string ComparablePath(const std::u16string& path) {
  std::u16string folded;
  for (char16_t c : path) folded.push_back(Folded(c));
  std::u16string prefix;
  std::size_t from = 0;
  if (folded.size() >= 3 && folded[1] == u':' && folded[2] == u'\\' && folded[0] >= u'a' &&
      folded[0] <= u'z') {
    prefix = folded.substr(0, 2);
    from = 3;
  } else if (folded.compare(0, 2, u"\\\\") == 0) {
    prefix.assign(1, u'\\');  // each component adds its own "\"
    from = 2;
  } else {
    return std::u16string();
  }
  std::vector<std::u16string> kept;
  for (const std::u16string& part : Components(folded, from)) {
    if (part == u".") continue;
    if (part == u"..") {
      if (kept.empty()) return std::u16string();
      kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::u16string result = prefix;
  for (const std::u16string& part : kept) result += u"\\" + part;
  if (result == u"\\") return std::u16string();  // "\\" alone names no server
  return result;
}

bool IsSameOrInside(const std::u16string& inner, const std::u16string& folder) {
  if (inner.empty() || folder.empty()) return false;
  if (inner == folder) return true;
  return inner.size() > folder.size() && inner.compare(0, folder.size(), folder) == 0 &&
         inner[folder.size()] == u'\\';
}

std::u16string CommonFolder(const std::vector<std::u16string>& files) {
  std::u16string common;
  bool first = true;
  for (const std::u16string& file : files) {
    std::u16string folder = ParentOf(ComparablePath(file));
    if (folder.empty()) return std::u16string();
    if (first) {
      common = folder;
      first = false;
      continue;
    }
    while (!common.empty() && !IsSameOrInside(folder, common)) common = ParentOf(common);
    if (common.empty() || common == u"\\") return std::u16string();
  }
  return common;
}

FolderRules MakeFolderRules(System& system, const std::vector<std::u16string>& productFiles,
                            const std::vector<std::u16string>& shortcutFiles) {
  FolderRules rules;
  auto protect = [&rules](const std::u16string& folder) {
    std::u16string comparable = ComparablePath(folder);
    if (!comparable.empty()) rules.protectedFolders.push_back(comparable);
  };
  protect(system.WindowsFolder());
  protect(system.SystemFolder());
  for (std::size_t i = 0; i < kProtectedShellFolderCount; ++i) {
    protect(system.ShellFolder(kProtectedShellFolders[i]));
  }
  rules.installFolder = CommonFolder(productFiles);
  std::u16string menus[] = {ComparablePath(system.ShellFolder(kCsidlPrograms)),
                            ComparablePath(system.ShellFolder(kCsidlCommonPrograms))};
  for (const std::u16string& shortcut : shortcutFiles) {
    std::u16string folder = ParentOf(ComparablePath(shortcut));
    for (const std::u16string& menu : menus) {
      if (!menu.empty() && folder != menu && IsSameOrInside(folder, menu)) {
        rules.programGroups.push_back(folder);
      }
    }
  }
  return rules;
}

FolderRefusal CheckFolderRemoval(const std::u16string& folder, const FolderRules& rules) {
  std::u16string path = ComparablePath(folder);
  if (path.empty()) return FolderRefusal::kNotFullPath;
  if (IsDriveRoot(path)) return FolderRefusal::kDriveRoot;
  for (const std::u16string& kept : rules.protectedFolders) {
    if (IsSameOrInside(kept, path)) return FolderRefusal::kProtectedFolder;
  }
  if (IsSameOrInside(path, rules.installFolder)) return FolderRefusal::kNone;
  for (const std::u16string& group : rules.programGroups) {
    if (IsSameOrInside(path, group)) return FolderRefusal::kNone;
  }
  return FolderRefusal::kOutsideInstall;
}

bool MayRemoveEmptyFolder(const std::u16string& comparableFolder, const FolderRules& rules) {
  if (comparableFolder.empty() || IsDriveRoot(comparableFolder)) return false;
  for (const std::u16string& kept : rules.protectedFolders) {
    if (IsSameOrInside(kept, comparableFolder)) return false;
  }
  if (IsSameOrInside(comparableFolder, rules.installFolder)) return true;
  for (const std::u16string& group : rules.programGroups) {
    if (IsSameOrInside(comparableFolder, group)) return true;
  }
  return false;
}

KeyRefusal CheckKeyRemoval(const std::u16string& keyPath, RegistryKey* root, std::u16string* subkey) {
  RegistryKey parsedRoot = kNoRegistryKey;
  std::u16string rest;
  if (!ParseRegistryKeyPath(keyPath, &parsedRoot, &rest)) return KeyRefusal::kInvalidPath;
  std::vector<std::u16string> parts = Components(rest, 0);
  if (parts.empty()) return KeyRefusal::kRoot;
  if (parts.size() == 1) return KeyRefusal::kTopLevel;
  std::u16string joined;
  for (const std::u16string& part : parts) joined += (joined.empty() ? u"" : u"\\") + part;
  std::u16string folded;
  for (char16_t c : joined) folded.push_back(Folded(c));
  for (const char16_t* system : kSystemKeys) {
    if (IsSameOrInside(system, folded)) return KeyRefusal::kSystemKey;
  }
  *root = parsedRoot;
  *subkey = joined;
  return KeyRefusal::kNone;
}

}  // namespace vorlax
