// Builds the LZX decoding tables. The code space is counted first, so that an over-full set of
// lengths is refused before any entry is written; this also bounds the tree: a code that fits
// the code space has at most symbols - 1 internal nodes, and the node storage holds symbols pairs.
#include "cabinet/lzx_decode_table.h"

#include <cstring>

#include "cabinet/lzx_format.h"
#include "cabinet/lzx_symbol_decoder.h"

namespace vorlax {

namespace {

constexpr uint32_t kMaxLength = kLzxMaxCodeLength;
// The code space of all lengths, in units of one 16-bit code.
constexpr uint32_t kFullCodeSpace = 1u << kMaxLength;

// Counts codes per length and the share of the code space they fill. False for a length above
// 16 (a caller's mistake, as every reader of lengths stays within 0..16).
bool CountLengths(const uint8_t* lengths, uint32_t symbols, uint32_t counts[kMaxLength + 1],
                  uint32_t* space) {
  for (uint32_t i = 0; i <= kMaxLength; ++i) counts[i] = 0;
  uint32_t filled = 0;
  for (uint32_t s = 0; s < symbols; ++s) {
    if (lengths[s] > kMaxLength) return false;
    ++counts[lengths[s]];
    if (lengths[s] != 0) filled += kFullCodeSpace >> lengths[s];
  }
  *space = filled;
  return true;
}

// Places one code longer than the first level: its first `bits` bits select the root entry,
// every further bit one node; the last bit's slot takes the leaf. False when the node storage
// would overflow, which a code within the code space never needs (checked all the same).
bool PlaceLongCode(LzxDecodeTable* table, uint32_t code, uint32_t length, uint32_t leaf,
                   uint32_t* nextNode) {
  uint32_t* slot = &table->entries[code >> (length - table->bits)];
  for (uint32_t bit = length - table->bits; bit > 0; --bit) {
    if (*slot == kLzxNoCode) {
      if (*nextNode >= table->symbols) return false;
      *slot = kLzxEntryNodeFlag | *nextNode;
      table->nodes[2 * *nextNode] = kLzxNoCode;
      table->nodes[2 * *nextNode + 1] = kLzxNoCode;
      ++*nextNode;
    }
    const uint32_t node = *slot & ~kLzxEntryNodeFlag;
    slot = &table->nodes[2 * node + ((code >> (bit - 1)) & 1)];
  }
  *slot = leaf;
  return true;
}

// Writes `count` (a power of two) copies of `leaf`: four at a time from four on, so that the
// wide runs of short codes cost a store per four entries.
inline void FillEntries(uint32_t* to, uint32_t count, uint32_t leaf) {
  if (count < 4) {
    to[0] = leaf;
    if (count == 2) to[1] = leaf;
    return;
  }
  const uint32_t four[4] = {leaf, leaf, leaf, leaf};
  for (uint32_t i = 0; i < count; i += 4) std::memcpy(to + i, four, sizeof four);
}

}  // namespace

bool BuildLzxDecodeTable(const uint8_t* lengths, LzxTableRule rule, LzxDecodeTable* table) {
  uint32_t counts[kMaxLength + 1];
  uint32_t space = 0;
  if (!CountLengths(lengths, table->symbols, counts, &space)) return false;
  const uint32_t tableSize = 1u << table->bits;
  table->empty = space == 0;
  if (space == 0 || space > kFullCodeSpace ||
      (space < kFullCodeSpace && rule != kLzxTableMayBeIncomplete)) {
    for (uint32_t i = 0; i < tableSize; ++i) table->entries[i] = kLzxNoCode;
    return space == 0;
  }
  // Canonical codes no longer than the lookup fill the table's first entries without a gap; only
  // the entries after them (roots of longer codes, or no code at all) need clearing first.
  uint32_t shortEntries = 0;
  for (uint32_t len = 1; len <= table->bits && len <= kMaxLength; ++len) {
    shortEntries += counts[len] << (table->bits - len);
  }
  for (uint32_t i = shortEntries; i < tableSize; ++i) table->entries[i] = kLzxNoCode;

  // The symbols in canonical order (by length, then by symbol), by counting: every symbol is
  // written to its length's bucket without a test (those of length 0 to a bucket never read).
  uint32_t bucket[kMaxLength + 1];
  uint32_t at = 0;
  for (uint32_t len = 0; len <= kMaxLength; ++len) {
    bucket[len] = at;
    at += counts[len];
  }
  uint16_t sorted[kLzxMainSymbolsMax];
  const uint32_t symbols = table->symbols;
  if (symbols > kLzxMainSymbolsMax) return false;
  for (uint32_t s = 0; s < symbols; ++s) sorted[bucket[lengths[s]]++] = static_cast<uint16_t>(s);

  // Codes no longer than the lookup, length by length: each fills the same number of entries
  // (so the fill's loop runs alike for a whole length), right after the previous code's.
  uint32_t* const entries = table->entries;
  const uint32_t bits = table->bits;
  uint32_t i = counts[0];
  uint32_t filled = 0;
  for (uint32_t len = 1; len <= bits && len <= kMaxLength; ++len) {
    const uint32_t fill = 1u << (bits - len);
    for (const uint32_t end = i + counts[len]; i < end; ++i, filled += fill) {
      FillEntries(entries + filled, fill, (len << kLzxEntryLengthShift) | sorted[i]);
    }
  }
  // Longer codes continue from the first code of length bits + 1.
  uint32_t code = filled;
  uint32_t nextNode = 0;
  for (uint32_t len = bits + 1; len <= kMaxLength; ++len) {
    code <<= 1;
    for (const uint32_t end = i + counts[len]; i < end; ++i, ++code) {
      if (!PlaceLongCode(table, code, len, (len << kLzxEntryLengthShift) | sorted[i], &nextNode)) return false;
    }
  }
  return true;
}

bool LzxDecodeLongCode(const LzxDecodeTable& table, LzxBitReader& bits, uint32_t entry,
                       uint32_t* symbol) {
  uint32_t depth = table.bits;
  while (entry & kLzxEntryNodeFlag) {
    const uint32_t node = entry & ~kLzxEntryNodeFlag;
    entry = table.nodes[2 * node + bits.PeekBit(depth)];
    ++depth;
  }
  const uint32_t length = entry >> kLzxEntryLengthShift;
  if (length == 0) return false;
  bits.ConsumeShort(length);
  *symbol = entry & kLzxEntrySymbolMask;
  return true;
}

}  // namespace vorlax
