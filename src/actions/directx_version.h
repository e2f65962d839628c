// A DirectX version (major, minor, letter) and its two outward forms: the packed number the
// installer compares with its minimum, and the text shown to people ("9.0", "8.1b").
//
// Trap: only the ASCII letters are folded to lower case, as the C locale's towlower does; any
// other character is kept in the text and adds nothing to the packed number. A NUL letter (an
// empty letter text) counts as no letter, like a space.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

constexpr char16_t kNoDirectXLetter = u' ';

struct DirectXVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  char16_t letter = kNoDirectXLetter;
};

// The letter with A-Z folded to a-z.
char16_t LowerCaseDirectXLetter(char16_t letter);

// major * 65,536 + minor * 256 + (1 for "a" ... 26 for "z" after lower-casing, else 0), wrapping
// modulo 2^32 like the 32-bit arithmetic it mirrors.
uint32_t PackDirectXVersion(const DirectXVersion& version);

// "major.minor", followed by the lower-cased letter unless it is a space or NUL. The numbers are
// unsigned decimal.
std::u16string DirectXVersionText(const DirectXVersion& version);

// Copies text into buffer as a bounded printf would: at most capacity characters, a terminator
// after the text when it fits, and the last character of the buffer always NUL. Nothing is
// written when buffer is null or capacity is 0.
void CopyTextTruncated(const std::u16string& text, char16_t* buffer, std::size_t capacity);

}  // namespace vorlax
