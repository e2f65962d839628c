// The LZX encoder's cost-based parser (the smallest level): for a stretch of data it chooses the
// sequence of literals, matches and repeated-offset matches of least cost in bits under given
// code lengths, with the three repeated offsets tracked along every path as the decoder tracks
// them.
//
// The matches of each position are found once (Collect, frame after frame) and kept, so that the
// frames can be parsed again under better prices (the codes an earlier parse produced). A position inside a
// match of niceLength or more is not expanded (the long match is taken): that bounds the work on
// very repetitive data.
// Each position keeps the cheapest way to reach it and the cheapest with other repeated
// offsets, as offsets that cost more to set up may be the ones the data repeats next.
// Besides single items, a step may be a match, one literal and the same distance again (the
// change of one byte inside a longer repeat), which a search keeping one way per position would
// otherwise miss when the literal's position is reached more cheaply by another way.
// Trap: a new-distance match equal to one of the repeated offsets is never chosen (the
// repeated-offset form covers it), so the offsets after each item follow from the item alone.
#pragma once

#include <cstdint>
#include <vector>

#include "cabinet/lzx_format.h"
#include "packer/lzx_match_finder.h"
#include "packer/lzx_parser.h"

namespace vorlax {

// Cost in bits of each main-tree and length-tree symbol, and of the low 3 offset bits of a
// slot with 3 or more extra bits (3 each in a verbatim block; the aligned tree's lengths in an
// aligned-offset block).
struct LzxPrices {
  uint32_t main[kLzxMainSymbolsMax];
  uint32_t length[kLzxLengthSymbols];
  uint32_t aligned[kLzxAlignedSymbols];
};

// Prices from code lengths; a symbol without a code (length 0) is priced as a rare one, below
// the longest codes, so that the parse still tries it. The low offset bits are priced as a
// verbatim block's.
void LzxPricesFromLengths(const uint8_t* mainLengths, const uint8_t* lengthLengths, LzxPrices* prices);
// Prices the low offset bits by the aligned tree's lengths.
void LzxPriceAlignedBits(const uint8_t* alignedLengths, LzxPrices* prices);

class LzxOptimalParser {
 public:
  // niceLength: a match this long is taken whole, the positions inside it not expanded.
  LzxOptimalParser(LzxMatchFinder* finder, uint32_t niceLength) : finder_(finder), niceLength_(niceLength) {}

  // Forgets every collected match.
  void Clear();
  // How many matches are kept.
  std::size_t MatchCount() const { return matches_.size(); }
  // Finds and keeps the matches of every position of [begin, end), one frame (no match crosses
  // end), inserting each position; begin is where the previous Collect ended, unless cleared.
  void Collect(uint64_t begin, uint64_t end);
  // The cheapest parse of the collected [begin, end), within one frame, from the given repeated
  // offsets (updated to those after it); appends its items.
  void Parse(uint64_t begin, uint64_t end, uint64_t folderStart, const LzxPrices& prices, uint32_t repeated[3],
             std::vector<LzxItem>* items);

 private:
  struct Node {
    uint32_t cost;
    uint32_t from;      // position (relative to the parse's begin) the item starts at
    uint32_t length;    // 1 for a literal
    uint32_t distance;  // the match's distance
    int32_t repeat;     // repeated offset used, or -1
    uint32_t repeated[3];
    uint32_t tail;      // 0, or the length of a repeated-offset-0 match after the match and one literal
    uint32_t fromWay;   // which of the ways kept at from the item continues
  };
  // The stretch being parsed.
  struct Stretch {
    uint64_t begin;
    uint64_t end;
    uint64_t folderStart;
    const LzxPrices* prices;
    const uint32_t* first;  // first_ at begin
  };

  // Ways kept per position, each with its own repeated offsets, cheapest first: a way dearer at
  // a position may leave offsets that pay later (ways told apart by offset 0 alone gave 0.2%
  // more bytes on product data; three such ways more than two, as the prices are those of an
  // earlier parse).
  static constexpr uint32_t kWays = 2;

  void Relax(uint32_t to, const Node& candidate);
  // Expands one way of position i; returns the longest match length seen there.
  uint32_t Expand(const Stretch& stretch, uint32_t i, uint32_t way);
  void AppendPath(const Stretch& stretch, uint32_t n, std::vector<LzxItem>* items) const;

  LzxMatchFinder* finder_;
  uint32_t niceLength_;
  uint64_t begin_ = 0;           // the first collected position
  std::vector<uint32_t> first_ = {0};  // matches of begin_ + i: matches_[first_[i] .. first_[i + 1])
  std::vector<LzxMatch> matches_;
  std::vector<Node> nodes_;
};

}  // namespace vorlax
