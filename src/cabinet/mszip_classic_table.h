// The classic multi-level inflate table construction, which decides whether a code of a dynamic
// MSZIP block is accepted.
//
// A code is judged by this construction exactly: complete, incomplete, over-subscribed, or too
// large for the decoder's table pool (900 entries for the code-length and literal/length tables,
// 200 for the distance table). Its pool usage depends on its peculiar sub-table sizing (sizes are
// chosen from the counts of all codes of each length, and every level is assumed `lookupBits`
// wide), so it is reproduced step by step here. The decoder decodes with its own faster tables
// (mszip_fast_table.h); this unit only answers the question, and can also fill the classic
// entries so that tests can check the construction decodes what it claims.
#pragma once

#include <cstdint>

namespace vorlax {

enum MszipTableResult : int {
  kMszipTableComplete = 0,
  kMszipTableIncomplete = 1,
  kMszipTableOverSubscribed = 2,
  kMszipTablePoolExhausted = 3,
};

// Operation byte of a classic table entry.
enum MszipClassicOperation : uint8_t {
  kMszipClassicEndOfBlock = 15,
  kMszipClassicLiteral = 16,  // also the first value of links: 16 + sub-table bits
  kMszipClassicInvalid = 99,
};

// One classic table entry: `operation` 0-13 is a length or distance base in `value` with that many
// extra bits, 16 a literal or plain symbol, 15 end of block, 99 an invalid code, and 17-31 a link
// to the sub-table at pool index `value`, indexed by (operation - 16) further bits. `bits` is the
// number of bits the entry consumes.
struct MszipClassicEntry {
  uint8_t operation;
  uint8_t bits;
  uint16_t value;
};

constexpr unsigned kMszipLitLenPoolLimit = 900;
constexpr unsigned kMszipDistancePoolLimit = 200;
constexpr unsigned kMszipCodeLengthLookupBits = 7;
constexpr unsigned kMszipLitLenLookupBits = 9;
constexpr unsigned kMszipDistanceLookupBits = 6;

struct MszipClassicCode {
  const uint8_t* lengths;     // code length of each symbol, 0 (unused) to 15
  unsigned count;             // number of symbols, at most 288
  unsigned plainSymbols;      // symbols below this are plain (257 literal/length, 0 distance)
  const uint16_t* bases;      // base of symbol plainSymbols + i
  const uint8_t* extraBits;   // extra bits of symbol plainSymbols + i
};

struct MszipClassicOutcome {
  MszipTableResult result;
  unsigned entriesUsed;   // pool entries the construction took (up to the failure)
  unsigned lookupBits;    // width of the first level after the construction's adjustment
};

// Runs the construction with the requested first-level width and pool limit. When `pool` is not
// null it must hold `poolLimit` entries and receives the tables (first level at index 0).
MszipClassicOutcome BuildClassicTable(const MszipClassicCode& code, unsigned lookupBits,
                                      unsigned poolLimit, MszipClassicEntry* pool);

}  // namespace vorlax
