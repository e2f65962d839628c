// Building the MSZIP decoder's one-lookup tables (see mszip_fast_table.h).
//
// Codes are assigned canonically (shorter codes first, then by symbol) and stored bit-reversed,
// because the bit reader hands out the first bit of a code as its lowest bit. An entry is repeated
// over every pattern of the bits it does not use.
#include "cabinet/mszip_fast_table.h"

#include <cstring>

#include "cabinet/mszip_tables.h"

namespace vorlax {
namespace {

constexpr unsigned kMaxSymbols = 288;

uint32_t SymbolTemplate(unsigned symbol, MszipSymbolKind kind) {
  if (kind == kMszipCodeLengthSymbols) return kMszipEntryLiteral | (symbol << 16);
  if (kind == kMszipDistanceSymbols) {
    if (symbol >= kMszipMaxDistanceCodes) return kMszipEntryInvalid;
    return (static_cast<uint32_t>(kMszipDistanceBase[symbol]) << 16) | kMszipDistanceExtra[symbol];
  }
  if (symbol < kMszipLiteralCount) return kMszipEntryLiteral | (symbol << 16);
  if (symbol == kMszipEndOfBlock) return kMszipEntryEndOfBlock;
  unsigned index = symbol - kMszipPlainSymbols;
  if (index >= kMszipLengthSymbols) return kMszipEntryInvalid;
  return (static_cast<uint32_t>(kMszipLengthBase[index]) << 16) | kMszipLengthExtra[index];
}

// The entry of a code `bits` long within its table.
uint32_t CodeEntry(uint32_t symbolTemplate, unsigned bits) {
  if (symbolTemplate & kMszipEntryInvalid) return kMszipEntryInvalid;
  return symbolTemplate + bits + (bits << 8);
}

void Replicate(uint32_t* table, unsigned first, unsigned step, unsigned size, uint32_t entry) {
  for (unsigned i = first; i < size; i += step) table[i] = entry;
}

struct FastBuilder {
  unsigned count[kMszipMaxCodeLength + 1];   // codes of each length not yet placed
  unsigned symbols[kMaxSymbols];             // symbols in canonical order
  unsigned used;                             // symbols with a code
  unsigned longest;
  bool complete;
};

void SortCanonically(FastBuilder* b, const uint8_t* lengths, unsigned count) {
  MszipCountLengths(lengths, count, b->count);
  unsigned offset[kMszipMaxCodeLength + 2];
  offset[1] = 0;
  b->longest = 0;
  uint32_t space = 0;  // Kraft sum in units of 2^-15
  for (unsigned len = 1; len <= kMszipMaxCodeLength; ++len) {
    offset[len + 1] = offset[len] + b->count[len];
    space += b->count[len] << (kMszipMaxCodeLength - len);
    if (b->count[len]) b->longest = len;
  }
  b->used = offset[kMszipMaxCodeLength + 1];
  b->complete = space == (1u << kMszipMaxCodeLength);
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] != 0) b->symbols[offset[lengths[s]]++] = s;
  }
}

// Width of the sub-table that starts with a code of length `len`: just wide enough for the codes
// still to be placed under its prefix.
unsigned SubTableBits(const FastBuilder* b, unsigned len, unsigned rootBits) {
  unsigned bits = len - rootBits;
  int space = 1 << bits;
  for (unsigned l = len;; ++l) {
    space -= static_cast<int>(b->count[l]);
    if (space <= 0 || l >= b->longest) break;
    ++bits;
    space <<= 1;
  }
  return bits;
}

// Rewrites the first-level entries of length codes whose extra bits fit into the first level as
// direct lengths: each repetition of the code is told apart by the extra bits above it.
// `reversed[s]` is the first-level pattern of symbol s.
void ExpandLengths(uint32_t* table, unsigned rootBits, const uint8_t* lengths, unsigned count,
                   const unsigned* reversed) {
  const unsigned rootSize = 1u << rootBits;
  unsigned last = kMszipPlainSymbols + kMszipLengthSymbols;
  if (last > count) last = count;
  for (unsigned symbol = kMszipPlainSymbols; symbol < last; ++symbol) {
    unsigned index = symbol - kMszipPlainSymbols;
    unsigned len = lengths[symbol];
    unsigned extra = kMszipLengthExtra[index];
    if (len == 0 || len + extra > rootBits) continue;
    unsigned bits = len + extra;
    uint32_t fixed = kMszipEntryDirectLength | bits | (bits << 8);
    for (unsigned x = 0; x < (1u << extra); ++x) {
      uint32_t entry = fixed | (static_cast<uint32_t>(kMszipLengthBase[index] + x) << 16);
      for (unsigned p = reversed[symbol] + (x << len); p < rootSize; p += 1u << bits) table[p] = entry;
    }
  }
}

}  // namespace

bool BuildFastTable(const uint8_t* lengths, unsigned count, MszipSymbolKind kind, unsigned rootBits,
                    uint32_t* table, unsigned capacity) {
  FastBuilder b;
  SortCanonically(&b, lengths, count);

  // First level: codes no longer than rootBits, shortest first, in a table that is doubled (its
  // entries repeated above themselves) each time the code length grows, so that every entry ends
  // up repeated over the bits its code does not use. Unassigned patterns stay invalid.
  unsigned code = 0;  // the current canonical code, of codeBits bits
  table[0] = kMszipEntryInvalid;
  unsigned reversedOf[kMaxSymbols];
  unsigned i = 0;
  for (unsigned len = 1; len <= rootBits; ++len) {
    std::memcpy(table + (1u << (len - 1)), table, sizeof(uint32_t) << (len - 1));
    code <<= 1;
    for (unsigned n = b.count[len]; n > 0; --n, ++i) {
      unsigned symbol = b.symbols[i];
      unsigned reversed = MszipReverseBits(code++, len);
      table[reversed] = CodeEntry(SymbolTemplate(symbol, kind), len);
      reversedOf[symbol] = reversed;
    }
    b.count[len] = 0;
  }
  unsigned codeBits = rootBits;
  if (kind == kMszipLitLenSymbols) ExpandLengths(table, rootBits, lengths, count, reversedOf);

  // Longer codes: a sub-table for each first-level pattern they share.
  const unsigned rootSize = 1u << rootBits;
  unsigned next = rootSize;       // first free entry for sub-tables
  unsigned subPrefix = rootSize;  // first-level pattern of the open sub-table (none yet)
  unsigned subStart = 0;
  unsigned subBits = 0;
  for (; i < b.used; ++i) {
    unsigned symbol = b.symbols[i];
    unsigned len = lengths[symbol];
    code <<= len - codeBits;
    codeBits = len;
    unsigned reversed = MszipReverseBits(code++, len);
    unsigned prefix = reversed & (rootSize - 1);
    if (prefix != subPrefix) {
      subBits = SubTableBits(&b, len, rootBits);
      if (next + (1u << subBits) > capacity) return false;
      subPrefix = prefix;
      subStart = next;
      next += 1u << subBits;
      if (!b.complete) Replicate(table, subStart, 1, subStart + (1u << subBits), kMszipEntryInvalid);
      table[prefix] = kMszipEntryLink | rootBits | (subBits << 8) | (subStart << 16);
    }
    unsigned sub = len - rootBits;
    Replicate(table + subStart, reversed >> rootBits, 1u << sub, 1u << subBits,
              CodeEntry(SymbolTemplate(symbol, kind), sub));
    b.count[len]--;
  }
  return true;
}

}  // namespace vorlax
