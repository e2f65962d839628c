// CreateShortcuts and CreateShortcut.
//
// Sound choices:
// - The 8-bit texts of a 98/Me link are the installer's 8-bit form (each character up to U+00FF
//   the byte of the same value, at most 255). The description may be cut at the first character
//   without an 8-bit form (it is only shown); a target or arguments that do not convert whole
//   would make a link that starts some other file or passes other arguments, so such a link is
//   not made and is reported like any link that failed.
// - CoUninitialize only after a CoInitialize that succeeded.
#include "actions/shortcuts.h"

#include "actions/shortcut_path.h"
#include "base/text.h"
#include "config/define_table.h"
#include "driver/fatal_error.h"
#include "driver/folders.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"
#include "driver/windows_version.h"

namespace vorlax {

namespace {

constexpr char16_t kInternetPrefix[] = u"http://";
constexpr char16_t kUrlExtension[] = u".url";
constexpr char16_t kLinkExtension[] = u".lnk";
constexpr char16_t kFileTag[] = u"File";
constexpr char16_t kErrorId[] = u"%ERROR%";

std::u16string Expand(const std::u16string& text) { return ExpandDefines(State().defines, text); }

bool IsInternetAddress(const std::u16string& target) {
  return target.compare(0, sizeof kInternetPrefix / sizeof kInternetPrefix[0] - 1,
                        kInternetPrefix) == 0;
}

const char16_t* ExtensionFor(const std::u16string& target) {
  return IsInternetAddress(target) ? kUrlExtension : kLinkExtension;
}

// The "%ERROR%" box of a 98/Me link without IPersistFile: the text followed by the error number.
void ShowLinkError(uint32_t lastError) {
  std::u16string title = Expand(kErrorId);
  State().system->ShowMessage(title + DecimalText(lastError), title, kMbIconError);
}

// A shell link through IShellLinkA with 8-bit texts (see the sound choice above).
bool SaveNarrowShellLink(const System::ShellLinkTexts& texts, const std::u16string& path) {
  System::ShellLinkTextsNarrow narrow;
  NarrowText(texts.description, &narrow.description);
  if (!NarrowText(texts.target, &narrow.target) || texts.target.size() > kMaxNarrowChars ||
      !NarrowText(texts.arguments, &narrow.arguments) ||
      texts.arguments.size() > kMaxNarrowChars) {
    return false;
  }
  NarrowText(texts.workingDirectory, &narrow.workingDirectory);  // a beginning of the target
  uint32_t lastError = 0;
  System::LinkResult result = State().system->SaveShellLinkNarrow(narrow, path, &lastError);
  if (result == System::LinkResult::kNoPersistFile) ShowLinkError(lastError);
  return result == System::LinkResult::kSaved;
}

// One entry of the Shortcuts list. False only when the version cannot be read.
bool CreateShortcutEntry(const Shortcut& entry) {
  std::u16string linkPath = SelectPathVariant(Expand(entry.Dest));
  std::u16string target = Expand(entry.Target);
  std::u16string name = Expand(DestinationName(entry.Dest));
  std::u16string arguments = Expand(entry.Args);
  SystemVersion version;
  if (!QueryWindowsVersion(&version)) return false;
  ApplyNameVariant(&linkPath, &name, IsWindows98OrMeVersion(version));
  if (linkPath.empty() || target.empty()) return true;
  if (!RemovePermanentMarker(&linkPath)) {
    AppendLogElement(1, kFileTag, linkPath + ExtensionFor(target));
  }
  if (!CreateShortcut(target, linkPath, name, arguments)) {
    ShowErrorReport(u"Failed to Create Link to '" + target + u"'");
  }
  return true;
}

}  // namespace

bool CreateShortcut(const std::u16string& target, const std::u16string& linkPath,
                    const std::u16string& description, const std::u16string& arguments) {
  if (LastSeparator(linkPath) != std::u16string::npos) CreateFolderPath(FolderOf(linkPath));
  SystemVersion version;
  if (!QueryWindowsVersion(&version)) return false;
  System& system = *State().system;
  if (IsInternetAddress(target)) {
    return system.SaveInternetShortcut(target, linkPath + kUrlExtension) ==
           System::LinkResult::kSaved;
  }
  std::size_t cut = LastSeparator(target);
  System::ShellLinkTexts texts;
  texts.target = target;
  texts.description = description;
  texts.arguments = arguments;
  texts.workingDirectory = cut == std::u16string::npos ? std::u16string() : target.substr(0, cut - 1);
  std::u16string path = linkPath + kLinkExtension;
  if (IsWindows98OrMeVersion(version)) return SaveNarrowShellLink(texts, path);
  return system.SaveShellLink(texts, path) == System::LinkResult::kSaved;
}

bool CreateShortcuts() {
  InstallerState& state = State();
  bool comStarted = state.system->InitializeCom();
  bool ok = true;
  for (const Shortcut& entry : state.config.Shortcuts) {
    if (!CreateShortcutEntry(entry)) {
      ok = false;
      break;
    }
  }
  if (comStarted) state.system->UninitializeCom();
  return ok;
}

}  // namespace vorlax
