// Canonical Huffman decoding tables for the LZX trees (main, length, aligned offset, pretree).
//
// A table is a first-level lookup on the top `bits` bits of the input plus a binary tree for the
// codes longer than that. Each entry is one of:
//   a leaf      (length << 16) | symbol, length 1..16: the code is `length` bits long;
//   a node      kNodeFlag | n: the next input bit picks nodes[2n] (0) or nodes[2n + 1] (1);
//   no code     0: the bits begin no code of this tree (an empty tree, or the uncovered part of
//               an incomplete aligned tree); decoding it is a data error.
// Codes are canonical: shorter codes first, equal lengths in symbol order, each code's bits read
// from the most significant down.
#pragma once

#include <cstdint>

namespace vorlax {

constexpr uint32_t kLzxEntryNodeFlag = 0x80000000u;
constexpr uint32_t kLzxEntryLengthShift = 16;
constexpr uint32_t kLzxEntrySymbolMask = 0xFFFFu;
constexpr uint32_t kLzxNoCode = 0;

enum LzxTableRule : int {
  // The lengths must fill the code space exactly, or all be 0 (an empty tree).
  kLzxTableComplete = 0,
  // Over-full fails, under-full is accepted: the aligned-offset tree, whose uncovered entries
  // stay kLzxNoCode.
  kLzxTableMayBeIncomplete = 1,
};

struct LzxDecodeTable {
  uint32_t* entries;  // 2^bits entries
  uint32_t* nodes;    // 2 * symbols entries (pairs of children)
  uint32_t bits;
  uint32_t symbols;
  bool empty;         // every length was 0
};

// Builds `table` from `lengths` (table.symbols of them, each 0..16). False when the lengths do
// not form a code that the rule accepts; the table's contents are then unusable.
bool BuildLzxDecodeTable(const uint8_t* lengths, LzxTableRule rule, LzxDecodeTable* table);

// Storage for one table with its sizes fixed at compile time.
template <uint32_t kSymbols, uint32_t kBits>
struct LzxTableStorage {
  uint32_t entries[1u << kBits];
  uint32_t nodes[2 * kSymbols];
  LzxDecodeTable View() { return LzxDecodeTable{entries, nodes, kBits, kSymbols, true}; }
};

}  // namespace vorlax
