// The Huffman side of LZX blocks for the encoder: symbol counts of parsed items, the codes of
// a block's three trees, the cost of the items in bits, and their writing.
#pragma once

#include <cstdint>
#include <vector>

#include "cabinet/lzx_format.h"
#include "packer/lzx_bit_writer.h"
#include "packer/lzx_parser.h"

namespace vorlax {

struct LzxSymbolCounts {
  uint32_t main[kLzxMainSymbolsMax] = {};
  uint32_t length[kLzxLengthSymbols] = {};
  uint32_t aligned[kLzxAlignedSymbols] = {};
};

struct LzxBlockCodes {
  uint8_t mainLengths[kLzxMainSymbolsMax] = {};
  uint16_t mainCodes[kLzxMainSymbolsMax] = {};
  uint8_t lengthLengths[kLzxLengthSymbols] = {};
  uint16_t lengthCodes[kLzxLengthSymbols] = {};
  uint8_t alignedLengths[kLzxAlignedSymbols] = {};
  uint16_t alignedCodes[kLzxAlignedSymbols] = {};
};

void CountLzxItems(const std::vector<LzxItem>& items, LzxSymbolCounts* counts);

// Codes for a block. With everyCodable, every symbol gets a code, so that the block can go on
// coding data that its counts did not see (a block that continues into later frames).
void BuildLzxBlockCodes(const LzxSymbolCounts& counts, uint32_t mainSymbols, bool everyCodable,
                        LzxBlockCodes* codes);

// Bits that the items take in a verbatim (aligned = false) or aligned-offset block.
uint64_t LzxItemBits(const std::vector<LzxItem>& items, const LzxBlockCodes& codes, bool aligned);

void WriteLzxItems(LzxBitWriter* writer, const std::vector<LzxItem>& items,
                   const LzxBlockCodes& codes, bool aligned);

}  // namespace vorlax
