// Configuration texts in UTF-8 or UTF-16LE to the installer's UTF-16LE with a byte-order mark.
#include "packer/tool/config_text.h"

#include <cstdint>

#include "base/text.h"

namespace vorlax {
namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16Mark[] = "\xFF\xFE";
constexpr char16_t kMarkCharacter = 0xFEFF;

// Length of the UTF-8 sequence starting with lead and the smallest code point it may encode;
// 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead, uint32_t* minimum, uint32_t* value) {
  if (lead < 0x80) { *minimum = 0; *value = lead; return 1; }
  if ((lead & 0xE0) == 0xC0) { *minimum = 0x80; *value = lead & 0x1F; return 2; }
  if ((lead & 0xF0) == 0xE0) { *minimum = 0x800; *value = lead & 0x0F; return 3; }
  if ((lead & 0xF8) == 0xF0) { *minimum = 0x10000; *value = lead & 0x07; return 4; }
  return 0;
}

bool DecodeUtf8(const std::string& bytes, std::size_t start, std::u16string* text, std::string* error) {
  for (std::size_t i = start; i < bytes.size();) {
    uint32_t minimum = 0;
    uint32_t value = 0;
    int length = SequenceLength(static_cast<unsigned char>(bytes[i]), &minimum, &value);
    bool valid = length > 0 && i + length <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    valid = valid && value >= minimum && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    if (!valid) {
      *error = "neither UTF-16LE nor valid UTF-8 (bad byte at offset " + std::to_string(i) + ")";
      return false;
    }
    if (value >= 0x10000) {
      value -= 0x10000;
      text->push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
      text->push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      text->push_back(static_cast<char16_t>(value));
    }
    i += length;
  }
  return true;
}

}  // namespace

bool DecodeConfigText(const std::string& bytes, std::u16string* text, std::string* error) {
  text->clear();
  if (bytes.find('\0') != std::string::npos || bytes.compare(0, 2, kUtf16Mark) == 0) {
    if (bytes.size() % 2 != 0) {
      *error = "UTF-16LE text with an odd number of bytes";
      return false;
    }
    *text = FromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (!text->empty() && text->front() == kMarkCharacter) text->erase(0, 1);
    return true;
  }
  std::size_t start = bytes.compare(0, 3, kUtf8Mark) == 0 ? 3 : 0;
  return DecodeUtf8(bytes, start, text, error);
}

bool ToInstallerText(const std::string& bytes, std::string* out, std::string* error) {
  std::u16string text;
  if (!DecodeConfigText(bytes, &text, error)) return false;
  *out = kUtf16Mark + ToUtf16Le(text);
  return true;
}

}  // namespace vorlax
