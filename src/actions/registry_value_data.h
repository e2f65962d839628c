// The data of a registry value from its textual form in the install configuration: the type
// number selects a string, a DWORD or binary data, and the text is converted accordingly.
//
// Traps:
// - A DWORD text is read as a signed decimal integer: leading white space, an optional sign,
//   digits up to the first other character; "0x10" is 0 (hexadecimal is not recognised) and the
//   arithmetic wraps at 32 bits.
// - Binary text is read in pairs of hexadecimal digits from index 0. Only a space (U+0020)
//   between pairs is skipped; a pair may not be split by one, so "A 0B" is one bad pair ("A ")
//   and then the byte 0B. A bad pair adds no byte and is counted; the value still holds the good
//   bytes.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

// The type numbers of a RegValue entry.
enum RegValueTypeNum : int32_t {
  kTypeNumString = 0,
  kTypeNumDword = 1,
  kTypeNumBinary = 2,
};

struct RegistryValueData {
  uint32_t type = 0;        // the registry type (RegistryValueType)
  std::string bytes;        // the data as stored
  int badBinaryPairs = 0;   // pairs of a binary text that were not two hexadecimal digits
};

// Converts text for typeNum: a string as UTF-16LE with its terminating NUL, a DWORD as 4 bytes
// little-endian, binary data as the bytes its pairs spell. False for any other typeNum.
bool ConvertRegistryValue(int32_t typeNum, const std::u16string& text, RegistryValueData* data);

}  // namespace vorlax
