// Where the LZX encoder's blocks begin among the frames it holds: a block may run over several
// frames under one set of trees, which pays while the frames' symbols are alike and stops paying
// where the data changes (text after a program, compressed bytes after text). Each candidate
// block is priced in bits: its trees (coded against the trees before it), its symbols under the
// Huffman code their merged counts give, and its extra bits, or the cost of storing its bytes
// uncompressed when that is less.
#pragma once

#include <cstdint>
#include <vector>

#include "packer/lzx_block_writer.h"

namespace vorlax {

// What one frame's parse produced, for pricing the blocks it may belong to.
struct LzxFrameTally {
  LzxSymbolCounts counts;
  uint64_t extraBits = 0;  // the offsets' extra bits in a verbatim block
  uint64_t bytes = 0;
};

// Bits that the trees of codes take, written against the previous lengths.
uint64_t LzxTreeBits(const uint8_t* previousMain, const uint8_t* previousLength, const LzxBlockCodes& codes,
                     uint32_t mainSymbols);

// Bits of an uncompressed block of this many bytes: padding to the word, the repeated offsets,
// the bytes and a padding byte.
uint64_t LzxRawBlockBits(uint64_t bytes);

// The first frame of each block (0 first, increasing) for frames[0..n). exhaustive: the cheapest
// cut of all (n^2 / 2 blocks priced); otherwise each frame joins the block before it when that
// is cheaper than a block of its own (n blocks priced).
std::vector<uint32_t> LzxSplitBlocks(const std::vector<LzxFrameTally>& frames, const uint8_t* previousMain,
                                     const uint8_t* previousLength, uint32_t mainSymbols, bool exhaustive);

}  // namespace vorlax
