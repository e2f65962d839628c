// Decodes one Huffman symbol of an LZX tree from the bit reader.
//
// Needs: the reader holds at least 16 bits of look-ahead (Refill leaves 48), which covers the
// longest code. Promises: on success the code's bits are consumed; on a code the tree does not
// hold nothing is consumed and false comes back.
#pragma once

#include <cstdint>

#include "cabinet/lzx_bit_reader.h"
#include "cabinet/lzx_decode_table.h"

namespace vorlax {

inline bool LzxDecodeSymbol(const LzxDecodeTable& table, LzxBitReader& bits, uint32_t* symbol) {
  uint32_t entry = table.entries[bits.Peek(table.bits)];
  // A leaf (length 1..16 in bits 16-20, no node flag) is the common case: one compare.
  if (entry - (1u << kLzxEntryLengthShift) < kLzxEntryNodeFlag - (1u << kLzxEntryLengthShift)) {
    bits.Consume(entry >> kLzxEntryLengthShift);
    *symbol = entry & kLzxEntrySymbolMask;
    return true;
  }
  uint32_t depth = table.bits;
  while (entry & kLzxEntryNodeFlag) {
    const uint32_t node = entry & ~kLzxEntryNodeFlag;
    entry = table.nodes[2 * node + bits.PeekBit(depth)];
    ++depth;
  }
  const uint32_t length = entry >> kLzxEntryLengthShift;
  if (length == 0) return false;
  bits.Consume(length);
  *symbol = entry & kLzxEntrySymbolMask;
  return true;
}

}  // namespace vorlax
