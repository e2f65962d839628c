// Decodes one Huffman symbol of an LZX tree from the bit reader.
//
// Needs: the reader holds at least 16 bits of look-ahead (Refill leaves 48), which covers the
// longest code. Promises: on success the code's bits are consumed; on a code the tree does not
// hold nothing is consumed and false comes back.
//
// Two forms: LzxDecodeSymbol takes the lookup width from the table; LzxDecodeSymbolOf<kBits> is
// the inner loops' form, with the width a constant (it must equal the table's), so the lookup is
// one shift by an immediate and one load. Codes longer than the lookup walk the tree out of line.
#pragma once

#include <cstdint>

#include "cabinet/lzx_bit_reader.h"
#include "cabinet/lzx_decode_table.h"

namespace vorlax {

// A leaf (length 1..16 in bits 16-20, no node flag) in one compare.
inline bool LzxIsLeaf(uint32_t entry) {
  return entry - (1u << kLzxEntryLengthShift) < kLzxEntryNodeFlag - (1u << kLzxEntryLengthShift);
}

// The rare case: a node entry (walk the tree from bit `table.bits`) or no code at all.
bool LzxDecodeLongCode(const LzxDecodeTable& table, LzxBitReader& bits, uint32_t entry,
                       uint32_t* symbol);

inline bool LzxDecodeSymbol(const LzxDecodeTable& table, LzxBitReader& bits, uint32_t* symbol) {
  const uint32_t entry = table.entries[bits.Peek(table.bits)];
  if (LzxIsLeaf(entry)) {
    bits.ConsumeShort(entry >> kLzxEntryLengthShift);
    *symbol = entry & kLzxEntrySymbolMask;
    return true;
  }
  return LzxDecodeLongCode(table, bits, entry, symbol);
}

template <uint32_t kBits>
inline bool LzxDecodeSymbolOf(const uint32_t* entries, const LzxDecodeTable& table, LzxBitReader& bits,
                              uint32_t* symbol) {
  const uint32_t entry = entries[bits.PeekTop<kBits>()];
  if (LzxIsLeaf(entry)) {
    bits.ConsumeShort(entry >> kLzxEntryLengthShift);
    *symbol = entry & kLzxEntrySymbolMask;
    return true;
  }
  return LzxDecodeLongCode(table, bits, entry, symbol);
}

// LzxDecodeSymbolOf with the reader refilled between the lookup and the consume. The lookup
// reads bits already in the buffer (it needs 16 valid), so the refill's load and the table's run
// side by side instead of one after the other; the walk of a longer code sees the refilled bits.
template <uint32_t kBits>
inline bool LzxDecodeSymbolAndRefill(const uint32_t* entries, const LzxDecodeTable& table, LzxBitReader& bits,
                                     uint32_t* symbol) {
  const uint32_t entry = entries[bits.PeekTop<kBits>()];
  bits.Refill();
  if (LzxIsLeaf(entry)) {
    bits.ConsumeShort(entry >> kLzxEntryLengthShift);
    *symbol = entry & kLzxEntrySymbolMask;
    return true;
  }
  return LzxDecodeLongCode(table, bits, entry, symbol);
}

}  // namespace vorlax
