// PropertyTable: the reader of props.xml.
#include "config/property_table.h"

#include "base/text.h"

namespace vorlax {

namespace {

constexpr char16_t kPropertiesRoot[] = u"Properties";
constexpr char16_t kStringElement[] = u"String";
constexpr char16_t kStringArrayElement[] = u"StringArray";
constexpr char16_t kIdAttribute[] = u"id";

}  // namespace

bool PropertyTable::LoadFile(const std::u16string& path) {
  return ReadDocumentFile(path, kPropertiesRoot, [this] { return ReadProperties(); });
}

bool PropertyTable::LoadText(const std::u16string& text) {
  return ReadDocumentText(text, kPropertiesRoot, [this] { return ReadProperties(); });
}

bool PropertyTable::ReadProperties() {
  return ReadBody([this](const XmlNode& child) {
    if (child.name == kStringElement) return ReadString(child);
    if (child.name == kStringArrayElement) return ReadStringArray(child);
    return FieldResult::kUnknown;
  });
}

bool PropertyTable::IdOf(const XmlNode& startTag, std::string* id) {
  auto it = startTag.attributes.find(kIdAttribute);
  std::u16string wide = it == startTag.attributes.end() ? std::u16string() : it->second;
  if (wide.size() > kMaxNarrowChars || !NarrowText(wide, id)) {
    unconvertibleIds_.push_back(wide);
    return false;
  }
  return true;
}

SectionReader::FieldResult PropertyTable::ReadString(const XmlNode& startTag) {
  std::u16string text;
  if (!ReadText(&text)) return FieldResult::kFailed;
  std::string id;
  if (IdOf(startTag, &id)) strings_.emplace(id, text);  // keeps the first entry of an id
  return FieldResult::kRead;
}

SectionReader::FieldResult PropertyTable::ReadStringArray(const XmlNode& startTag) {
  std::vector<std::u16string> items;
  bool ok = ReadBody(
      [&](const XmlNode& child) {
        if (child.name != kStringElement) return FieldResult::kUnknown;
        std::u16string item;
        if (!ReadText(&item)) return FieldResult::kFailed;
        items.push_back(item);
        return FieldResult::kRead;
      },
      [&] {
        std::string id;
        if (IdOf(startTag, &id)) arrays_.emplace(id, items);
      });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

}  // namespace vorlax
