// The MSZIP encoder: each block of a folder becomes "CK" followed by one raw deflate stream
// (zlib, final block set) whose back-references may reach into the previous block's 32 KiB of
// uncompressed data, which the stream is primed with through deflateSetDictionary. That is the
// history the MSZIP decoder keeps in its output buffer from block to block.
//
// Trap: a block's compressed form must fit the decoder's input buffer (32,768 + 12 bytes). zlib
// can exceed that on incompressible data by a few bytes of stored-block overhead, so such a block
// is written as one stored deflate block instead (5 bytes of overhead, always within the limit).
#pragma once

#include <cstdint>
#include <string>

#include "packer/folder_encoder.h"

namespace vorlax {

// The deflate level the writer uses (zlib's scale, 1 fastest to 9 smallest).
constexpr int kMszipDefaultLevel = 6;

class MszipEncoder : public FolderEncoder {
 public:
  explicit MszipEncoder(int level = kMszipDefaultLevel);
  ~MszipEncoder() override;
  MszipEncoder(const MszipEncoder&) = delete;
  MszipEncoder& operator=(const MszipEncoder&) = delete;

  bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) override;

 private:
  struct Stream;
  Stream* stream_;
  std::string history_;  // the previous block's uncompressed bytes
  std::string scratch_;
};

// Appends "CK" and one final stored deflate block holding data (at most 65,535 bytes).
void AppendStoredMszipBlock(const uint8_t* data, uint32_t size, std::string* out);

}  // namespace vorlax
