// The options page's store/restore rules and the browser's start-folder search.
#include "ui/options_rules.h"

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

}  // namespace

std::u16string TrimWhiteSpace(const std::u16string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

void StoreOptions(const std::u16string& pathEditText, const std::u16string& groupEditText) {
  DefineTable& defines = State().defines;
  defines.Set(u"InstallPath", TrimWhiteSpace(pathEditText.substr(0, kMaxOptionsEditChars)));
  defines.Set(u"InstallGroup", TrimWhiteSpace(groupEditText.substr(0, kMaxOptionsEditChars)));
}

void RestoreSavedOptions() {
  InstallerState& state = State();
  state.defines.Set(u"InstallPath", state.savedInstallPath);
  state.defines.Set(u"InstallGroup", state.savedInstallGroup);
}

std::u16string CutAtLastSeparator(const std::u16string& path) {
  const std::size_t after = LastSeparator(path);
  if (after == std::u16string::npos) return std::u16string();
  return path.substr(0, after - 1);
}

std::u16string SelectNearestFolder(const std::u16string& startPath, const SelectFolder& select) {
  std::u16string path = startPath.substr(0, kMaxBrowsePathChars);
  while (!path.empty()) {
    if (select(path) == path) return path;
    path = CutAtLastSeparator(path);
  }
  return std::u16string();
}

}  // namespace vorlax
