// SectionReader: error decoration and the text-field reader.
#include "config/section_reader.h"

#include "base/text.h"

namespace vorlax {

void SectionReader::SetError(const std::u16string& message) {
  errorFlag_ = true;
  errorText_ = message;
  if (xml_ == nullptr) return;
  int32_t line = xml_->GetLine();
  if (line > 0) errorText_ += u" on Line " + DecimalText(line);
  const std::u16string& file = xml_->GetFileName();
  if (!file.empty()) errorText_ += u" in File '" + file + u"'";
}

void SectionReader::SetInvalidSection(const std::u16string& name) {
  SetError(u"Invalid Section '" + name + u"'");
}

void SectionReader::SetElementNotExpected(const std::u16string& text) {
  SetError(u"Element Not Expected '" + text + u"'");
}

bool SectionReader::ReadText(std::u16string* out) {
  out->clear();
  XmlNode node;
  while (xml_->Next(&node)) {
    switch (node.kind) {
      case XmlNodeKind::Text:
        *out = node.name;
        break;
      case XmlNodeKind::EndTag:
        return true;
      case XmlNodeKind::StartTag:
        SetError(style_ == SectionStyle::kQuoted ? u"Unexpected Section: '" + node.name + u"'"
                                                 : u"Unexpected Section: " + node.name);
        return false;
      default:
        break;
    }
  }
  return false;
}

}  // namespace vorlax
