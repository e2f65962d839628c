// The licence page's text: the licence file's bytes read as UTF-16LE.
//
// The file is expected to start with the two-byte UTF-16LE mark (FF FE), which is skipped. The
// other cases are handled so that no byte is lost or read past:
// - a file without that mark is read from its first byte (no character is dropped);
// - a file of 0 or 1 bytes gives empty text (the file did open, so the answer is true);
// - an odd last byte (half a character) is dropped;
// - the text ends at the first zero character, as the edit control would show it.
#pragma once

#include <string>

namespace vorlax {

// tempDir + "\" + the configuration's LicenseTitle, used as written.
std::u16string LicenceFilePath();

// Reads the licence file at path through the seam. False, with text empty, when the file cannot
// be opened or read.
bool LoadLicenseText(const std::u16string& path, std::u16string* text);

}  // namespace vorlax
