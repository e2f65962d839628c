// The Authenticode signature table of a Windows program: where the PE header's security
// directory says it lies. `vorlax list` and `extract` use it to explain an installer that was
// signed without `vorlax pack --signable`: signing appends the table at the end of the file, so
// the installer's backward walk reads the signature's last bytes as a record and fails, unless
// the payload marker ends the chain before it.
//
// Trap: the file is untrusted; every offset is checked against its size before it is read.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

struct PeSignature {
  uint64_t offset = 0;  // file offset of the signature table
  uint32_t size = 0;    // its size in bytes
};

// True with *signature set when the bytes of the file at path form a PE image whose security
// directory names a table inside the file.
bool FindPeSignature(const std::string& utf8Path, PeSignature* signature);

}  // namespace vorlax
