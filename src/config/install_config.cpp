// InstallConfig: the reader of install.xml, its integer conversion and the Windows 98/Me
// alternative of list items.
//
// Mended: the version is asked only for an item that has an alternative. An item without "|" is
// stored as written even when the version cannot be read (it would otherwise be lost), and an
// item with one falls back to the part for every system other than 98/Me.
#include "config/install_config.h"

#include "driver/installer_state.h"
#include "driver/windows_version.h"

namespace vorlax {

namespace {

constexpr char16_t kInstallConfigRoot[] = u"InstallConfig";
constexpr char16_t kAlternativeSeparator = u'|';

bool IsIntegerSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

}  // namespace

int32_t ConfigInteger(const std::u16string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsIntegerSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  uint32_t value = 0;  // unsigned arithmetic wraps without undefined behaviour
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - u'0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::u16string ChooseAlternative(const std::u16string& item) {
  std::size_t bar = item.rfind(kAlternativeSeparator);
  if (bar == std::u16string::npos) return item;
  return IsWindows98OrMe() ? item.substr(bar + 1) : item.substr(0, bar);
}

bool InstallConfig::LoadFile(const std::u16string& path) {
  return ReadDocumentFile(path, kInstallConfigRoot, [this] { return ReadInstallConfig(); });
}

bool InstallConfig::LoadText(const std::u16string& text) {
  return ReadDocumentText(text, kInstallConfigRoot, [this] { return ReadInstallConfig(); });
}

bool InstallConfig::ReadInstallConfig() {
  return ReadBody([this](const XmlNode& child) { return ReadTopLevel(child); });
}

SectionReader::FieldResult InstallConfig::ReadTopLevel(const XmlNode& child) {
  struct TextField {
    const char16_t* name;
    std::u16string* field;
  };
  const TextField texts[] = {
      {u"RunExe", &RunExe},           {u"InstallLog", &InstallLog},
      {u"UninstallCmd", &UninstallCmd}, {u"ReadmeTitle", &ReadmeTitle},
      {u"LicenseTitle", &LicenseTitle},
  };
  for (const TextField& text : texts) {
    if (child.name == text.name) return ReadText(text.field) ? FieldResult::kRead : FieldResult::kFailed;
  }
  struct ListField {
    const char16_t* name;
    std::vector<std::u16string>* list;
  };
  const ListField lists[] = {
      {u"UninstallDeltree", &UninstallDeltree},
      {u"UserDirectory", &UserDirectory},
      {u"UninstallDelRegKey", &UninstallDelRegKey},
      {u"UserRegKey", &UserRegKey},
      {u"GrantAllFilePermissions", &GrantAllFilePermissions},
      {u"GrantAllRegistryPermissions", &GrantAllRegistryPermissions},
  };
  for (const ListField& list : lists) {
    if (child.name == list.name) return ReadListItem(list.list);
  }
  if (child.name == u"PreExec") return ReadExecEntry(&PreExec);
  if (child.name == u"PostExec") return ReadExecEntry(&PostExec);
  if (child.name == u"Registry") return ReadRegistry();
  if (child.name == u"Shortcuts") return ReadShortcuts();
  if (child.name == u"ExFileInfo") return ReadExFileInfo();
  return FieldResult::kUnknown;
}

SectionReader::FieldResult InstallConfig::ReadListItem(std::vector<std::u16string>* list) {
  std::u16string item;
  if (!ReadText(&item)) return FieldResult::kFailed;
  list->push_back(ChooseAlternative(item));
  return FieldResult::kRead;
}

SectionReader::FieldResult InstallConfig::ReadInteger(int32_t* out) {
  std::u16string text;
  if (!ReadText(&text)) return FieldResult::kFailed;
  *out = ConfigInteger(text);
  return FieldResult::kRead;
}

SectionReader::FieldResult InstallConfig::ReadExecEntry(std::vector<ExecEntry>* list) {
  ExecEntry entry;
  bool ok = ReadBody(
      [&](const XmlNode& child) {
        std::u16string* text = child.name == u"Exe"         ? &entry.Exe
                               : child.name == u"Directory" ? &entry.Directory
                               : child.name == u"Params"    ? &entry.Params
                                                            : nullptr;
        if (text != nullptr) return ReadText(text) ? FieldResult::kRead : FieldResult::kFailed;
        if (child.name != u"SilentFail") return FieldResult::kUnknown;
        int32_t silent = 0;
        FieldResult result = ReadInteger(&silent);
        entry.SilentFail = silent != 0;
        return result;
      },
      [&] { list->push_back(entry); });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

SectionReader::FieldResult InstallConfig::ReadRegistry() {
  bool ok = ReadBody([this](const XmlNode& child) {
    return child.name == u"RegValue" ? ReadRegValue() : FieldResult::kUnknown;
  });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

SectionReader::FieldResult InstallConfig::ReadRegValue() {
  RegValue value;
  bool ok = ReadBody(
      [&](const XmlNode& child) {
        std::u16string* text = child.name == u"Key"     ? &value.Key
                               : child.name == u"Name"  ? &value.Name
                               : child.name == u"Value" ? &value.Value
                                                        : nullptr;
        if (text != nullptr) return ReadText(text) ? FieldResult::kRead : FieldResult::kFailed;
        if (child.name == u"TypeNum") return ReadInteger(&value.TypeNum);
        return FieldResult::kUnknown;
      },
      [&] { RegValues.push_back(value); });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

SectionReader::FieldResult InstallConfig::ReadShortcuts() {
  bool ok = ReadBody([this](const XmlNode& child) {
    return child.name == u"Shortcut" ? ReadShortcut() : FieldResult::kUnknown;
  });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

SectionReader::FieldResult InstallConfig::ReadShortcut() {
  Shortcut shortcut;
  bool ok = ReadBody(
      [&](const XmlNode& child) {
        std::u16string* text = child.name == u"Dest"     ? &shortcut.Dest
                               : child.name == u"Target" ? &shortcut.Target
                               : child.name == u"Args"   ? &shortcut.Args
                                                         : nullptr;
        if (text == nullptr) return FieldResult::kUnknown;
        return ReadText(text) ? FieldResult::kRead : FieldResult::kFailed;
      },
      [&] { Shortcuts.push_back(shortcut); });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

// ExFileInfo must be empty: any element inside is an invalid section, any text unexpected.
SectionReader::FieldResult InstallConfig::ReadExFileInfo() {
  bool ok = ReadBody([](const XmlNode&) { return FieldResult::kUnknown; });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

}  // namespace vorlax
