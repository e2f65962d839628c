// DefineTable: the table itself and the reader of defines documents.
#include "config/define_table.h"

namespace vorlax {

namespace {

constexpr char16_t kDefinesRoot[] = u"Defines";
constexpr char16_t kDefineElement[] = u"Define";
constexpr char16_t kNameElement[] = u"Name";
constexpr char16_t kValueElement[] = u"Value";

}  // namespace

std::u16string DefineTable::Get(const std::u16string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::u16string() : it->second;
}

void DefineTable::Set(const std::u16string& name, const std::u16string& value) {
  values_[name] = value;
}

bool DefineTable::LoadFile(const std::u16string& path) {
  return ReadDocumentFile(path, kDefinesRoot, [this] { return ReadDefines(); });
}

bool DefineTable::LoadText(const std::u16string& text) {
  return ReadDocumentText(text, kDefinesRoot, [this] { return ReadDefines(); });
}

bool DefineTable::ReadDefines() {
  return ReadBody([this](const XmlNode& child) {
    return child.name == kDefineElement ? ReadDefine() : FieldResult::kUnknown;
  });
}

SectionReader::FieldResult DefineTable::ReadDefine() {
  std::u16string name;
  std::u16string value;
  bool ok = ReadBody(
      [&](const XmlNode& child) {
        std::u16string* field = child.name == kNameElement    ? &name
                                : child.name == kValueElement ? &value
                                                              : nullptr;
        if (field == nullptr) return FieldResult::kUnknown;
        return ReadText(field) ? FieldResult::kRead : FieldResult::kFailed;
      },
      [&] {
        if (!name.empty()) Set(name, value);
      });
  return ok ? FieldResult::kRead : FieldResult::kFailed;
}

}  // namespace vorlax
