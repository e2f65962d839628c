// Decoding the Huffman-coded data of one deflate block (fixed or dynamic code).
#pragma once

#include "cabinet/mszip_stream.h"

namespace vorlax {

enum MszipDataEnd : int {
  kMszipDataEndOfBlock = 0,
  kMszipDataOutputFull = 1,
  kMszipDataError = 2,
};

// Decodes literals and matches until the end-of-block symbol, until the wanted bytes are produced
// (possibly in the middle of a match), or until an invalid code or distance.
MszipDataEnd DecodeHuffmanData(const MszipHuffmanTables& tables, MszipBitReader* in, MszipOutput* out);

}  // namespace vorlax
