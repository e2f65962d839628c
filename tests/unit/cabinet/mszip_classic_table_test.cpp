// The classic table construction that decides which MSZIP codes are accepted, and the fast tables
// the decoder builds for the accepted ones.
#include "cabinet/mszip_classic_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "cabinet/mszip_fast_table.h"
#include "cabinet/mszip_tables.h"
#include "mszip_bit_writer.h"

namespace vorlax {
namespace {

// Code lengths from counts per length (counts[0] is for length 1), padded with unused symbols.
std::vector<uint8_t> FromCounts(const std::vector<unsigned>& counts, size_t symbols) {
  std::vector<uint8_t> lengths;
  for (size_t l = 0; l < counts.size(); ++l) lengths.insert(lengths.end(), counts[l], static_cast<uint8_t>(l + 1));
  lengths.resize(symbols, 0);
  return lengths;
}

MszipClassicCode LitLenCode(const std::vector<uint8_t>& lengths) {
  return {lengths.data(), static_cast<unsigned>(lengths.size()), kMszipPlainSymbols, kMszipLengthBase,
          kMszipLengthExtra};
}

MszipClassicCode DistanceCode(const std::vector<uint8_t>& lengths) {
  return {lengths.data(), static_cast<unsigned>(lengths.size()), 0, kMszipDistanceBase, kMszipDistanceExtra};
}

std::vector<uint8_t> FixedLitLenLengths() {
  std::vector<uint8_t> l(kMszipFixedLitLenCodes, 8);
  for (unsigned s = 144; s < 256; ++s) l[s] = 9;
  for (unsigned s = 256; s < 280; ++s) l[s] = 7;
  return l;
}

struct TableCase {
  const char* name;
  std::vector<uint8_t> lengths;
  bool distance;
  unsigned lookupBits;
  unsigned poolLimit;
  MszipTableResult result;
  unsigned entriesUsed;
};

TEST(MszipClassicTable, ResultsAndPoolUsage) {
  // Counts per length 1-15 of the largest complete literal/length code found for a 9-bit lookup
  // (852 entries: the pool limit of 900 never refuses a complete literal/length code).
  const std::vector<unsigned> largeLitLen = {1, 1, 1, 0, 0, 0, 0, 0, 0, 57, 101, 57, 33, 33, 2};
  // A deep complete distance code: 30 symbols, 154 entries with a 6-bit lookup.
  const std::vector<unsigned> deepDistance = {1, 1, 1, 0, 0, 0, 13, 5, 1, 1, 1, 0, 3, 1, 2};
  const std::vector<TableCase> cases = {
      {"all lengths 0: empty and complete", std::vector<uint8_t>(19, 0), false, 7, 900, kMszipTableComplete, 0},
      {"one code of length 1 counts as complete", FromCounts({1}, 30), true, 6, 200, kMszipTableComplete, 2},
      {"one code of length 2 is incomplete", FromCounts({0, 1}, 30), true, 6, 200, kMszipTableIncomplete, 4},
      {"three codes of length 1 over-subscribe", FromCounts({3}, 30), true, 6, 200, kMszipTableOverSubscribed, 0},
      {"over-subscribed at the longest length", FromCounts({1, 1, 3}, 30), true, 6, 200,
       kMszipTableOverSubscribed, 0},
      {"fixed literal/length code", FixedLitLenLengths(), false, 9, 520, kMszipTableComplete, 512},
      {"fixed distance code is incomplete", std::vector<uint8_t>(30, 5), true, 5, 32, kMszipTableIncomplete, 32},
      {"largest literal/length code fits 900", FromCounts(largeLitLen, 286), false, 9, 900, kMszipTableComplete,
       852},
      {"the same code with one entry less", FromCounts(largeLitLen, 286), false, 9, 851,
       kMszipTablePoolExhausted, 788},
      {"deep distance code fits 200", FromCounts(deepDistance, 30), true, 6, 200, kMszipTableComplete, 154},
      // Padding an incomplete code fills its code space with invalid 15-bit codes, whose sub-tables
      // exhaust the pool before the code is found incomplete.
      {"incomplete code padded beyond the pool", FromCounts({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 286),
       false, 9, 900, kMszipTablePoolExhausted, 896},
  };
  for (const TableCase& c : cases) {
    MszipClassicCode code = c.distance ? DistanceCode(c.lengths) : LitLenCode(c.lengths);
    MszipClassicOutcome outcome = BuildClassicTable(code, c.lookupBits, c.poolLimit, nullptr);
    EXPECT_EQ(outcome.result, c.result) << c.name;
    EXPECT_EQ(outcome.entriesUsed, c.entriesUsed) << c.name;
  }
}

TEST(MszipClassicTable, LookupWidthFollowsTheCodeLengths) {
  // Raised to the shortest length, lowered to the longest.
  EXPECT_EQ(BuildClassicTable(DistanceCode(FromCounts({0, 0, 8}, 30)), 2, 200, nullptr).lookupBits, 3u);
  EXPECT_EQ(BuildClassicTable(DistanceCode(FromCounts({0, 4}, 30)), 6, 200, nullptr).lookupBits, 2u);
}

// One decoded symbol: what a table says about the bits at hand.
struct Decoded {
  bool valid;
  unsigned bits;    // code length plus extra bits
  unsigned value;   // literal, plain symbol, or length or distance with its extra bits added
  bool endOfBlock;
};

unsigned Mask(unsigned n) { return (1u << n) - 1; }

Decoded DecodeClassic(const std::vector<MszipClassicEntry>& pool, unsigned lookupBits, uint32_t bits) {
  const MszipClassicEntry* table = pool.data();
  unsigned width = lookupBits;
  unsigned used = 0;
  for (;;) {
    const MszipClassicEntry& e = table[(bits >> used) & Mask(width)];
    if (e.operation == kMszipClassicInvalid) return {false, 0, 0, false};
    if (e.operation > kMszipClassicLiteral) {
      used += e.bits;
      width = e.operation - kMszipClassicLiteral;
      table = pool.data() + e.value;
      continue;
    }
    used += e.bits;
    if (e.operation >= kMszipClassicEndOfBlock) {
      return {true, used, e.value, e.operation == kMszipClassicEndOfBlock};
    }
    unsigned extra = (bits >> used) & Mask(e.operation);
    return {true, used + e.operation, e.value + extra, false};
  }
}

Decoded DecodeFast(const std::vector<uint32_t>& table, unsigned rootBits, uint32_t bits) {
  uint32_t e = table[bits & Mask(rootBits)];
  unsigned used = 0;
  if (e & kMszipEntryLink) {
    used = MszipEntryDropBits(e);
    e = table[MszipEntryValue(e) + ((bits >> used) & Mask(MszipEntryCodeBits(e)))];
  }
  if (e & kMszipEntryInvalid) return {false, 0, 0, false};
  unsigned total = used + MszipEntryDropBits(e);
  if (e & kMszipEntryEndOfBlock) return {true, total, 0, true};
  if (e & kMszipEntryLiteral) return {true, total, MszipEntryValue(e), false};
  if (e & kMszipEntryDirectLength) return {true, total, MszipDirectLength(e), false};
  unsigned codeEnd = used + MszipEntryCodeBits(e);
  return {true, total, MszipEntryValue(e) + ((bits >> codeEnd) & Mask(total - codeEnd)), false};
}

uint32_t Reversed(uint32_t code, unsigned length) {
  uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i) r |= ((code >> i) & 1) << (length - 1 - i);
  return r;
}

// Random complete codes: every symbol's canonical code, followed by random bits, must decode to
// that symbol (and the same extra bits) through the classic entries and the fast table alike; and
// the construction without a pool (which skips the first-level codes) judges the code as the full
// one does.
TEST(MszipClassicTable, ClassicAndFastTablesDecodeEveryCanonicalCode) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    bool distance = round % 2 == 1;
    unsigned symbols = distance ? kMszipMaxDistanceCodes : kMszipMaxLitLenCodes;
    // Grow a complete code by splitting random leaves, then shuffle it over the symbols.
    std::vector<uint8_t> lengths = {1, 1};
    unsigned target = 2 + rng() % (symbols - 1);
    while (lengths.size() < target) {
      size_t leaf = rng() % lengths.size();
      if (lengths[leaf] == kMszipMaxCodeLength) continue;
      lengths[leaf]++;
      lengths.push_back(lengths[leaf]);
    }
    lengths.resize(symbols, 0);
    std::shuffle(lengths.begin(), lengths.end(), rng);

    MszipClassicCode code = distance ? DistanceCode(lengths) : LitLenCode(lengths);
    unsigned lookup = distance ? kMszipDistanceLookupBits : kMszipLitLenLookupBits;
    unsigned limit = distance ? kMszipDistancePoolLimit : kMszipLitLenPoolLimit;
    std::vector<MszipClassicEntry> pool(limit);
    MszipClassicOutcome outcome = BuildClassicTable(code, lookup, limit, pool.data());
    ASSERT_EQ(outcome.result, kMszipTableComplete) << "round " << round;
    // Measuring alone (no pool, the decoder's way) gives the same verdict, also one entry short.
    for (unsigned poolLimit : {limit, outcome.entriesUsed - 1}) {
      std::vector<MszipClassicEntry> filled(poolLimit);
      MszipClassicOutcome full = BuildClassicTable(code, lookup, poolLimit, filled.data());
      MszipClassicOutcome measured = BuildClassicTable(code, lookup, poolLimit, nullptr);
      EXPECT_EQ(measured.result, full.result) << "round " << round << " limit " << poolLimit;
      EXPECT_EQ(measured.entriesUsed, full.entriesUsed) << "round " << round << " limit " << poolLimit;
    }
    unsigned root = distance ? kMszipDistanceRootBits : kMszipLitLenRootBits;
    std::vector<uint32_t> fast(distance ? kMszipDistanceTableSize : kMszipLitLenTableSize);
    ASSERT_TRUE(BuildFastTable(lengths.data(), symbols, distance ? kMszipDistanceSymbols : kMszipLitLenSymbols,
                               root, fast.data(), static_cast<unsigned>(fast.size())));

    std::vector<uint32_t> codes = test::CanonicalCodes(lengths);
    for (unsigned s = 0; s < symbols; ++s) {
      if (lengths[s] == 0) continue;
      uint32_t bits = Reversed(codes[s], lengths[s]) | ((rng() & 0x7FFF) << lengths[s]);
      Decoded c = DecodeClassic(pool, outcome.lookupBits, bits);
      Decoded f = DecodeFast(fast, root, bits);
      unsigned expected = s;
      unsigned extraBits = 0;
      bool eob = !distance && s == kMszipEndOfBlock;
      if (distance) {
        extraBits = kMszipDistanceExtra[s];
        expected = kMszipDistanceBase[s] + ((bits >> lengths[s]) & Mask(extraBits));
      } else if (s > kMszipEndOfBlock) {
        extraBits = kMszipLengthExtra[s - kMszipPlainSymbols];
        expected = kMszipLengthBase[s - kMszipPlainSymbols] + ((bits >> lengths[s]) & Mask(extraBits));
      }
      std::string where = "round " + std::to_string(round) + " symbol " + std::to_string(s);
      ASSERT_TRUE(c.valid && f.valid) << where;
      EXPECT_EQ(c.bits, lengths[s] + extraBits) << where;
      EXPECT_EQ(f.bits, lengths[s] + extraBits) << where;
      EXPECT_EQ(c.endOfBlock, eob) << where;
      EXPECT_EQ(f.endOfBlock, eob) << where;
      if (!eob) {
        EXPECT_EQ(c.value, expected) << where;
        EXPECT_EQ(f.value, expected) << where;
      }
    }
  }
}

TEST(MszipFastTable, UnusedPatternsOfTheFixedDistanceCodeAreInvalid) {
  std::vector<uint8_t> lengths(kMszipFixedDistanceCodes, 5);
  std::vector<uint32_t> table(kMszipDistanceTableSize);
  ASSERT_TRUE(BuildFastTable(lengths.data(), kMszipFixedDistanceCodes, kMszipDistanceSymbols,
                             kMszipDistanceRootBits, table.data(), kMszipDistanceTableSize));
  // Codes 30 and 31 (11110, 11111) are not assigned.
  EXPECT_FALSE(DecodeFast(table, kMszipDistanceRootBits, Reversed(30, 5)).valid);
  EXPECT_FALSE(DecodeFast(table, kMszipDistanceRootBits, Reversed(31, 5)).valid);
  EXPECT_EQ(DecodeFast(table, kMszipDistanceRootBits, Reversed(29, 5) | (5u << 5)).value, 24577u + 5);
}

TEST(MszipCountLengths, CountsEveryLengthWhateverTheSymbolCount) {
  // Symbol counts around the four side-by-side partial counts, up to the largest code.
  std::mt19937 rng(11);
  for (unsigned n : {0u, 1u, 3u, 4u, 5u, 19u, 30u, 286u, 288u}) {
    std::vector<uint8_t> lengths(n);
    for (uint8_t& l : lengths) l = static_cast<uint8_t>(rng() % (kMszipMaxCodeLength + 1));
    if (n > 0) lengths[n - 1] = kMszipMaxCodeLength;  // the last symbol counts too
    unsigned counts[kMszipMaxCodeLength + 1];
    MszipCountLengths(lengths.data(), n, counts);
    for (unsigned len = 0; len <= kMszipMaxCodeLength; ++len) {
      EXPECT_EQ(counts[len], static_cast<unsigned>(std::count(lengths.begin(), lengths.end(), len)))
          << n << " symbols, length " << len;
    }
  }
}

}  // namespace
}  // namespace vorlax
