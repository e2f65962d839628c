// Configuration texts as the installer reads them: UTF-16LE with a byte-order mark.
//
// Publishers may write props.xml, install.xml, defines.xml, the licence file and defines texts
// in UTF-16LE (with or without a byte-order mark) or in UTF-8 (with or without). A text holding
// a zero byte is taken as UTF-16LE (UTF-8 text never holds one); any other as UTF-8. Both come
// out as the same bytes: the mark FF FE, then the characters in UTF-16LE, line ends untouched,
// so the same text in either encoding gives the same installer.
//
// Trap: UTF-8 is checked strictly (overlong forms, surrogates, cut sequences are refused), since
// a wrongly decoded byte would reach the installer's pages silently.
#pragma once

#include <string>

namespace vorlax {

// The UTF-16LE form of bytes with the mark in front. False with *error set (without the file's
// name) when the bytes are neither UTF-16LE of whole characters nor valid UTF-8.
bool ToInstallerText(const std::string& bytes, std::string* out, std::string* error);

// The characters of bytes (either encoding, as above); false with *error set when invalid.
bool DecodeConfigText(const std::string& bytes, std::u16string* text, std::string* error);

}  // namespace vorlax
