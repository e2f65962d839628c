#include "actions/registry_value_data.h"

#include "base/text.h"
#include "config/install_config.h"
#include "platform/system.h"

namespace vorlax {

namespace {

constexpr char16_t kPairSeparator = u' ';

// The value of an (upper-case) hexadecimal digit, or -1.
int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The default locale's upper-case mapping: only ASCII letters change.
char16_t UpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

std::string StringData(const std::u16string& text) {
  return ToUtf16Le(text) + std::string(2, '\0');
}

std::string DwordData(const std::u16string& text) {
  uint32_t value = static_cast<uint32_t>(ConfigInteger(text));
  std::string bytes(4, '\0');
  for (int k = 0; k < 4; ++k) bytes[k] = static_cast<char>((value >> (8 * k)) & 0xFF);
  return bytes;
}

std::string BinaryData(const std::u16string& text, int* badPairs) {
  std::string bytes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == kPairSeparator) {
      ++i;
      continue;
    }
    int high = HexDigitValue(UpperAscii(text[i]));
    int low = i + 1 < text.size() ? HexDigitValue(UpperAscii(text[i + 1])) : -1;
    if (high < 0 || low < 0) {
      ++*badPairs;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + low));
    }
    i += 2;
  }
  return bytes;
}

}  // namespace

bool ConvertRegistryValue(int32_t typeNum, const std::u16string& text, RegistryValueData* data) {
  switch (typeNum) {
    case kTypeNumString:
      data->type = kRegSz;
      data->bytes = StringData(text);
      return true;
    case kTypeNumDword:
      data->type = kRegDword;
      data->bytes = DwordData(text);
      return true;
    case kTypeNumBinary:
      data->type = kRegBinary;
      data->badBinaryPairs = 0;
      data->bytes = BinaryData(text, &data->badBinaryPairs);
      return true;
    default:
      return false;
  }
}

}  // namespace vorlax
