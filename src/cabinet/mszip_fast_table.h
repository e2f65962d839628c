// The decoding tables the MSZIP decoder actually decodes with: one 32-bit entry per lookup, a wide
// first level and small second-level tables for longer codes.
//
// These tables are built only for codes that the classic construction (mszip_classic_table.h)
// accepted, so they decide nothing: an unused bit pattern decodes as an invalid entry, exactly as
// the classic tables' padding codes do. Entry layout:
//   bits 0-7   bits to drop: the code's length within its table plus its extra bits
//              (a link: the first level's width)
//   bits 8-11  the code's length within its table (a link: the width of its sub-table)
//   bits 12-15 kind flags below; none set means a length or distance base with extra bits
//   bits 16-31 value: literal byte, length or distance base, or the sub-table's first index
//              (see kMszipEntryDirectLength for the one exception)
#pragma once

#include <cstdint>

namespace vorlax {

constexpr uint32_t kMszipEntryLiteral = 0x1000;     // also the code-length symbols
constexpr uint32_t kMszipEntryLink = 0x2000;
constexpr uint32_t kMszipEntryEndOfBlock = 0x4000;
constexpr uint32_t kMszipEntryInvalid = 0x8000;
constexpr uint32_t kMszipEntrySpecial = kMszipEntryLink | kMszipEntryEndOfBlock | kMszipEntryInvalid;
// Literal/length tables only: a first-level length entry whose extra bits are part of the bits
// looked up. Its low byte covers the code and the extra bits, and bits 16-30 hold the final
// length, so that the common lengths need no extra-bit arithmetic.
constexpr uint32_t kMszipEntryDirectLength = 0x80000000;

constexpr unsigned kMszipLitLenRootBits = 10;
constexpr unsigned kMszipDistanceRootBits = 8;
constexpr unsigned kMszipCodeLengthRootBits = 7;

// Room for the first level plus the sub-tables of any code of at most 15 bits: every sub-table
// holds at least two codes and at most 2^(15 - root) entries.
constexpr unsigned kMszipLitLenTableSize = (1u << kMszipLitLenRootBits) + 144 * (1u << (15 - kMszipLitLenRootBits));
constexpr unsigned kMszipDistanceTableSize =
    (1u << kMszipDistanceRootBits) + 16 * (1u << (15 - kMszipDistanceRootBits));
constexpr unsigned kMszipCodeLengthTableSize = 1u << kMszipCodeLengthRootBits;

inline uint32_t MszipEntryValue(uint32_t entry) { return entry >> 16; }
inline unsigned MszipEntryDropBits(uint32_t entry) { return entry & 0xFF; }
inline unsigned MszipEntryCodeBits(uint32_t entry) { return (entry >> 8) & 0xF; }
inline unsigned MszipDirectLength(uint32_t entry) { return (entry >> 16) & 0x7FFF; }

enum MszipSymbolKind : int {
  kMszipLitLenSymbols = 0,     // 0-255 literals, 256 end of block, 257-285 lengths, others invalid
  kMszipDistanceSymbols = 1,   // 0-29 distances, others invalid
  kMszipCodeLengthSymbols = 2, // 0-18, plain
};

// Builds the table for `count` code lengths (each 0-15) into `table` of `capacity` entries with
// a first level of `rootBits`. False only when the table would not fit, which cannot happen for a
// code the classic construction accepted within the capacities above.
bool BuildFastTable(const uint8_t* lengths, unsigned count, MszipSymbolKind kind, unsigned rootBits,
                    uint32_t* table, unsigned capacity);

}  // namespace vorlax
