// The classic multi-level inflate table construction (see mszip_classic_table.h).
//
// Codes are walked in canonical order (by length, then symbol) while the Huffman code `code` is
// counted up bit-reversed, as codes are read least-significant bit first. A new table is opened
// whenever a code is longer than the levels opened so far; each level is assumed `lookupBits` wide
// for the bit accounting, while the table itself is only as large as the construction's estimate
// of the codes left under its prefix allows. An incomplete code is padded with invalid codes of the
// longest length, so that the walk always fills the code space.
#include "cabinet/mszip_classic_table.h"

#include "cabinet/mszip_tables.h"

namespace vorlax {
namespace {

constexpr unsigned kMaxLength = 16;  // the construction counts lengths 0-16
constexpr unsigned kMaxSymbols = 288;

struct ClassicBuilder {
  const MszipClassicCode* code;
  unsigned limit;
  MszipClassicEntry* pool;

  int count[kMaxLength + 1];           // codes of each length (the longest one padded)
  unsigned symbols[kMaxSymbols];       // symbols sorted by length
  unsigned realSymbols;                // how many entries of `symbols` are real
  unsigned nextSymbol;                 // next entry of `symbols` to place
  unsigned lookup;                     // bits per level
  unsigned longest;
  unsigned saved[kMaxLength + 1];      // code pattern at which each level's table was opened
  unsigned tableStart[kMaxLength];     // pool index of each open level's table
  unsigned tableSize;                  // entries of the innermost open table
  int level;                           // innermost open level, -1 before the first table
  int bitsBefore;                      // bits decoded before the innermost level (level * lookup)
  unsigned canonicalCode;              // current code as counted, of `codeLength` bits
  unsigned codeLength;
  unsigned huffmanCode;                // current code, bit-reversed
  unsigned used;
};

void CountLengths(ClassicBuilder* b) {
  unsigned counts[kMszipMaxCodeLength + 1];
  MszipCountLengths(b->code->lengths, b->code->count, counts);
  for (unsigned len = 0; len <= kMszipMaxCodeLength; ++len) b->count[len] = static_cast<int>(counts[len]);
  b->count[kMaxLength] = 0;
}

// Bounds the lookup width by the shortest and longest used lengths; returns the shortest.
unsigned AdjustLookup(ClassicBuilder* b, unsigned requested) {
  unsigned shortest = 1;
  while (shortest <= kMaxLength && b->count[shortest] == 0) ++shortest;
  unsigned longest = kMaxLength;
  while (longest > 0 && b->count[longest] == 0) --longest;
  unsigned lookup = requested < shortest ? shortest : requested;
  b->lookup = lookup > longest ? longest : lookup;
  b->longest = longest;
  return shortest;
}

// Checks the code space from the shortest length up and pads the longest length with the unused
// patterns. Returns the number of padding codes, or -1 when the code is over-subscribed.
int FillCodeSpace(ClassicBuilder* b, unsigned shortest) {
  int left = 1 << shortest;
  for (unsigned len = shortest; len < b->longest; ++len, left <<= 1) {
    left -= b->count[len];
    if (left < 0) return -1;
  }
  left -= b->count[b->longest];
  if (left < 0) return -1;
  b->count[b->longest] += left;
  return left;
}

void SortSymbols(ClassicBuilder* b) {
  unsigned offset[kMaxLength + 1];
  offset[1] = 0;
  for (unsigned len = 1; len < b->longest; ++len) offset[len + 1] = offset[len] + b->count[len];
  for (unsigned s = 0; s < b->code->count; ++s) {
    unsigned len = b->code->lengths[s];
    if (len != 0) b->symbols[offset[len]++] = s;
  }
  b->realSymbols = offset[b->longest];
  b->nextSymbol = 0;
}

// Size in bits of a new table for a code of length `len` with `sameLeft` more codes of that
// length: the smallest width that the codes of the following lengths appear to fill, at most
// `lookup` bits and at most what the longest code needs.
unsigned NewTableBits(const ClassicBuilder* b, unsigned len, unsigned sameLeft) {
  unsigned limitBits = b->longest - b->bitsBefore;
  if (limitBits > b->lookup) limitBits = b->lookup;
  unsigned bits = len - b->bitsBefore;
  unsigned patterns = 1u << bits;
  if (patterns > sameLeft + 1) {
    patterns -= sameLeft + 1;
    unsigned nextLen = len;
    while (bits < limitBits && ++bits < limitBits) {
      patterns <<= 1;
      ++nextLen;
      if (patterns <= static_cast<unsigned>(b->count[nextLen])) break;
      patterns -= b->count[nextLen];
    }
  }
  return bits;
}

// Opens the tables a code of length `len` needs. False when the pool is exhausted.
bool OpenTables(ClassicBuilder* b, unsigned len, unsigned sameLeft) {
  while (static_cast<int>(len) > b->bitsBefore + static_cast<int>(b->lookup)) {
    b->level++;
    b->bitsBefore += b->lookup;
    unsigned bits = NewTableBits(b, len, sameLeft);
    unsigned size = 1u << bits;
    if (b->used + size > b->limit) return false;
    b->tableStart[b->level] = b->used;
    b->used += size;
    b->tableSize = size;
    if (b->level > 0) {
      b->saved[b->level] = b->huffmanCode;
      if (b->pool) {
        unsigned index = b->huffmanCode >> (b->bitsBefore - b->lookup);
        MszipClassicEntry link;
        link.operation = static_cast<uint8_t>(kMszipClassicLiteral + bits);
        link.bits = static_cast<uint8_t>(b->lookup);
        link.value = static_cast<uint16_t>(b->tableStart[b->level]);
        b->pool[b->tableStart[b->level - 1] + index] = link;
      }
    }
  }
  return true;
}

MszipClassicEntry EntryForNextSymbol(ClassicBuilder* b, unsigned len) {
  MszipClassicEntry e;
  e.bits = static_cast<uint8_t>(len - b->bitsBefore);
  e.value = 0;
  if (b->nextSymbol >= b->realSymbols) {
    e.operation = kMszipClassicInvalid;  // a padding code
    return e;
  }
  unsigned symbol = b->symbols[b->nextSymbol++];
  const MszipClassicCode& code = *b->code;
  if (symbol < code.plainSymbols) {
    e.operation = symbol == kMszipEndOfBlock && code.plainSymbols == kMszipPlainSymbols
                      ? kMszipClassicEndOfBlock
                      : kMszipClassicLiteral;
    e.value = static_cast<uint16_t>(symbol);
  } else {
    e.operation = code.extraBits[symbol - code.plainSymbols];
    e.value = code.bases[symbol - code.plainSymbols];
  }
  return e;
}

// Replicates the entry over every pattern of the innermost table that ends in the code.
void StoreEntry(ClassicBuilder* b, unsigned len) {
  MszipClassicEntry e = EntryForNextSymbol(b, len);
  unsigned step = 1u << (len - b->bitsBefore);
  for (unsigned j = b->huffmanCode >> b->bitsBefore; j < b->tableSize; j += step) {
    b->pool[b->tableStart[b->level] + j] = e;
  }
}

// Counts the code of length `len` up by one, then closes the tables it has left.
void NextCode(ClassicBuilder* b, unsigned len) {
  b->canonicalCode = (b->canonicalCode << (len - b->codeLength)) + 1;
  b->codeLength = len;
  b->huffmanCode = MszipReverseBits(b->canonicalCode, len);
  while ((b->huffmanCode & ((1u << b->bitsBefore) - 1)) != b->saved[b->level]) {
    b->level--;
    b->bitsBefore -= b->lookup;
  }
}

// Whether codes of length `len` go straight into the open first-level table: they open no table
// and close none (at the first level no bits lie before the table, so NextCode's test holds).
bool FitsFirstLevel(const ClassicBuilder* b, unsigned len) {
  return b->level == 0 && len <= b->lookup;
}

// Counts `n` codes of length `len` at once, for a walk that only measures the pool (no entries
// stored); needs FitsFirstLevel.
void SkipCodes(ClassicBuilder* b, unsigned len, unsigned n) {
  b->canonicalCode = (b->canonicalCode << (len - b->codeLength)) + n;
  b->codeLength = len;
  b->huffmanCode = MszipReverseBits(b->canonicalCode, len);
}

}  // namespace

MszipClassicOutcome BuildClassicTable(const MszipClassicCode& code, unsigned lookupBits,
                                      unsigned poolLimit, MszipClassicEntry* pool) {
  ClassicBuilder b;
  b.code = &code;
  b.limit = poolLimit;
  b.pool = pool;
  CountLengths(&b);
  if (b.count[0] == static_cast<int>(code.count)) return {kMszipTableComplete, 0, 0};
  unsigned shortest = AdjustLookup(&b, lookupBits);
  int padding = FillCodeSpace(&b, shortest);
  if (padding < 0) return {kMszipTableOverSubscribed, 0, b.lookup};
  if (pool) SortSymbols(&b);

  b.saved[0] = 0;
  b.huffmanCode = 0;
  b.canonicalCode = 0;
  b.codeLength = shortest;
  b.level = -1;
  b.bitsBefore = -static_cast<int>(b.lookup);
  b.tableSize = 0;
  b.used = 0;
  for (unsigned len = shortest; len <= b.longest; ++len) {
    for (int left = b.count[len]; left > 0; --left) {
      if (pool == nullptr && FitsFirstLevel(&b, len)) {
        SkipCodes(&b, len, static_cast<unsigned>(left));
        break;
      }
      if (!OpenTables(&b, len, static_cast<unsigned>(left - 1))) {
        return {kMszipTablePoolExhausted, b.used, b.lookup};
      }
      if (pool) StoreEntry(&b, len);
      NextCode(&b, len);
    }
  }
  bool incomplete = padding != 0 && b.longest != 1;
  return {incomplete ? kMszipTableIncomplete : kMszipTableComplete, b.used, b.lookup};
}

}  // namespace vorlax
