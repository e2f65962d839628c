#include "base/text.h"

namespace vorlax {

std::u16string Widen(const std::string& bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (unsigned char byte : bytes) wide.push_back(static_cast<char16_t>(byte));
  return wide;
}

bool NarrowText(const std::u16string& text, std::string* out) {
  out->clear();
  for (char16_t unit : text) {
    if (unit > 0xFF) return false;
    if (out->size() == kMaxNarrowChars) break;
    out->push_back(static_cast<char>(unit));
  }
  return true;
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  NarrowText(text, &out);
  return out;
}

std::u16string Ascii(const char* text) {
  std::u16string wide;
  for (; *text; ++text) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
  return wide;
}

std::u16string FromUtf16Le(const unsigned char* bytes, std::size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

std::string ToUtf16Le(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      // Not UTF-8: keep the byte as the character of the same value.
      out.push_back(lead);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? lead : (lead & (0x3F >> extra));
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid) {
      out.push_back(lead);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += extra + 1;
  }
  return out;
}

std::u16string DecimalText(long long value) {
  return Ascii(std::to_string(value).c_str());
}

std::size_t LastSeparator(const std::u16string& path) {
  std::size_t pos = path.find_last_of(u"\\/");
  return pos == std::u16string::npos ? pos : pos + 1;
}

std::size_t LastSeparator(const std::string& path) {
  std::size_t pos = path.find_last_of("\\/");
  return pos == std::string::npos ? pos : pos + 1;
}

std::u16string FolderOf(const std::u16string& path) {
  std::size_t after = LastSeparator(path);
  return after == std::u16string::npos ? path : path.substr(0, after - 1);
}

std::u16string WithoutTrailingSeparator(const std::u16string& path) {
  if (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) {
    return path.substr(0, path.size() - 1);
  }
  return path;
}

}  // namespace vorlax
