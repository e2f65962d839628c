// Text helpers shared by every subsystem.
//
// Wide text is std::u16string: 16-bit UTF-16 code units, one unit one character (no surrogate
// pairing anywhere in the installer). 8-bit text is std::string. Where the installer needs an
// 8-bit form (cabinet names, element paths, property ids, some system calls) a character up to
// U+00FF becomes the byte of the same value and back; such 8-bit texts live in 256-byte buffers
// and so hold at most kMaxNarrowChars characters.
#pragma once

#include <cstddef>
#include <string>

namespace vorlax {

// Longest 8-bit text that fits a 256-byte buffer with its terminator.
constexpr std::size_t kMaxNarrowChars = 255;

// Each byte becomes the character of the same value (0x00-0xFF); no code page is involved.
std::u16string Widen(const std::string& bytes);

// The runtime library's default wide-to-8-bit conversion into a 256-byte buffer: characters up to
// U+00FF become the byte of the same value. Conversion stops at the first character above U+00FF
// (the answer is then false and `out` holds what came before it) and after kMaxNarrowChars
// characters (the rest is cut; the answer stays true).
bool NarrowText(const std::u16string& text, std::string* out);

// NarrowText's result alone, for callers that only want the converted prefix.
std::string Narrow(const std::u16string& text);

// ASCII literal to wide text, for fixed texts written in the code ("files.cab", "%ERROR%").
std::u16string Ascii(const char* text);

// UTF-16LE bytes (no byte-order mark handling) to wide text: size/2 whole characters, an odd last
// byte is dropped.
std::u16string FromUtf16Le(const unsigned char* bytes, std::size_t size);
// Wide text to UTF-16LE bytes.
std::string ToUtf16Le(const std::u16string& text);

// UTF-8 bridges for the native tools and their terminals (never used by the installer's core).
std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);

// Decimal form of a signed number, as wide text.
std::u16string DecimalText(long long value);

// Position just after the last "\" or "/", or npos when neither occurs.
std::size_t LastSeparator(const std::u16string& path);
std::size_t LastSeparator(const std::string& path);

// The folder of a path: the text before its last "\" or "/"; the whole path when it has none.
std::u16string FolderOf(const std::u16string& path);

// Removes one trailing "\" or "/" when present.
std::u16string WithoutTrailingSeparator(const std::u16string& path);

}  // namespace vorlax
