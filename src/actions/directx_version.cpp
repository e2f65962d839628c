// Packing, text form and bounded copy of a DirectX version.
#include "actions/directx_version.h"

#include <cstddef>

#include "base/text.h"

namespace vorlax {

namespace {

constexpr uint32_t kMajorWeight = 65536;
constexpr uint32_t kMinorWeight = 256;

// 1 for "a" up to 26 for "z"; 0 for anything else.
uint32_t LetterNumber(char16_t lowerCaseLetter) {
  if (lowerCaseLetter < u'a' || lowerCaseLetter > u'z') return 0;
  return static_cast<uint32_t>(lowerCaseLetter - u'a') + 1;
}

}  // namespace

char16_t LowerCaseDirectXLetter(char16_t letter) {
  if (letter >= u'A' && letter <= u'Z') return static_cast<char16_t>(letter - u'A' + u'a');
  return letter;
}

uint32_t PackDirectXVersion(const DirectXVersion& version) {
  return version.major * kMajorWeight + version.minor * kMinorWeight +
         LetterNumber(LowerCaseDirectXLetter(version.letter));
}

std::u16string DirectXVersionText(const DirectXVersion& version) {
  std::u16string text = DecimalText(version.major) + u"." + DecimalText(version.minor);
  char16_t letter = LowerCaseDirectXLetter(version.letter);
  if (letter != kNoDirectXLetter && letter != u'\0') text.push_back(letter);
  return text;
}

void CopyTextTruncated(const std::u16string& text, char16_t* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  std::size_t count = text.size() < capacity ? text.size() : capacity;
  for (std::size_t i = 0; i < count; ++i) buffer[i] = text[i];
  if (count < capacity) buffer[count] = u'\0';
  buffer[capacity - 1] = u'\0';
}

}  // namespace vorlax
