// Shortest path over the positions of a stretch: the nodes of position i are the cheapest ways
// found to code the first i bytes (the cheapest of all, and the cheapest with other repeated
// offsets), with the repeated offsets each leaves. Each reachable node is expanded forward by a
// literal and by every length of each repeated-offset match; the cheapest also by every length
// of the collected matches (each length with the nearest distance that reaches it).
#include "packer/lzx_optimal_parser.h"

#include <algorithm>

namespace vorlax {

namespace {

constexpr uint32_t kUnreached = 0xFFFFFFFFu;
// Prices before any code exists (the folder's first block), close to what text costs.
constexpr uint32_t kFirstLiteralPrice = 8;
constexpr uint32_t kFirstMatchPrice = 10;
constexpr uint32_t kFirstLengthPrice = 6;
// A symbol the previous codes did not use: priced low enough that the parse still tries it, as
// the next codes give it a length of its own (on text and programs, a main-tree price of 11
// bits instead of 16 gave 0.6% fewer bytes; a length-tree price of 6 instead of 11, 0.2%).
constexpr uint32_t kRarePrice = 11;
constexpr uint32_t kRareLengthPrice = 6;
constexpr uint32_t kAlignedMask = (1u << kLzxAlignedOffsetBits) - 1;

uint32_t MatchPrice(const LzxPrices& prices, uint32_t slot, uint32_t length) {
  const uint32_t header = length - kLzxMinMatch;
  if (header < kLzxLengthHeaderEscape) return prices.main[kLzxLiteralCount + slot * kLzxLengthHeaders + header];
  return prices.main[kLzxLiteralCount + slot * kLzxLengthHeaders + kLzxLengthHeaderEscape] +
         prices.length[header - kLzxLengthHeaderEscape];
}

bool SameOffsets(const uint32_t* a, const uint32_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

void LzxPricesFromLengths(const uint8_t* mainLengths, const uint8_t* lengthLengths, LzxPrices* prices) {
  const bool anyCode = std::any_of(mainLengths, mainLengths + kLzxMainSymbolsMax, [](uint8_t l) { return l != 0; });
  for (uint32_t s = 0; s < kLzxMainSymbolsMax; ++s) {
    const uint32_t first = s < kLzxLiteralCount ? kFirstLiteralPrice : kFirstMatchPrice;
    prices->main[s] = !anyCode ? first : mainLengths[s] != 0 ? mainLengths[s] : kRarePrice;
  }
  for (uint32_t s = 0; s < kLzxLengthSymbols; ++s) {
    prices->length[s] = !anyCode ? kFirstLengthPrice : lengthLengths[s] != 0 ? lengthLengths[s] : kRareLengthPrice;
  }
  std::fill(prices->aligned, prices->aligned + kLzxAlignedSymbols, kLzxAlignedOffsetBits);
}

void LzxPriceAlignedBits(const uint8_t* alignedLengths, LzxPrices* prices) {
  std::copy(alignedLengths, alignedLengths + kLzxAlignedSymbols, prices->aligned);
}

void LzxOptimalParser::Clear() {
  first_.assign(1, 0);
  matches_.clear();
}

void LzxOptimalParser::Collect(uint64_t begin, uint64_t end) {
  if (first_.size() == 1) begin_ = begin;
  LzxMatch found[kLzxMaxMatchesPerPosition];
  uint64_t coveredUntil = begin;
  for (uint64_t p = begin; p < end; ++p) {
    if (p < coveredUntil) {
      finder_->Insert(p);
    } else {
      const uint32_t count = finder_->FindAllAndInsert(p, end, found);
      matches_.insert(matches_.end(), found, found + count);
      if (count != 0 && found[count - 1].length >= niceLength_) coveredUntil = p + found[count - 1].length;
    }
    first_.push_back(static_cast<uint32_t>(matches_.size()));
  }
}

// A candidate replaces the way with its repeated offsets, when cheaper, or else the dearest way;
// the ways stay ordered by cost.
inline void LzxOptimalParser::Relax(uint32_t to, const Node& candidate) {
  Node* ways = &nodes_[std::size_t{to} * kWays];
  uint32_t w = 0;
  while (w + 1 < kWays && ways[w].cost != kUnreached && !SameOffsets(ways[w].repeated, candidate.repeated)) ++w;
  if (candidate.cost >= ways[w].cost) return;
  ways[w] = candidate;
  for (; w > 0 && ways[w].cost < ways[w - 1].cost; --w) std::swap(ways[w], ways[w - 1]);
}

void LzxOptimalParser::Parse(uint64_t begin, uint64_t end, uint64_t folderStart, const LzxPrices& prices,
                             uint32_t repeated[3], std::vector<LzxItem>* items) {
  const uint32_t n = static_cast<uint32_t>(end - begin);
  const Stretch stretch{begin, end, folderStart, &prices, first_.data() + (begin - begin_)};
  nodes_.assign(std::size_t{n + 1} * kWays, Node{kUnreached, 0, 0, 0, -1, {0, 0, 0}, 0, 0});
  nodes_[0].cost = 0;
  std::copy(repeated, repeated + 3, nodes_[0].repeated);
  uint32_t skipUntil = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (i < skipUntil) continue;
    for (uint32_t way = 0; way < kWays; ++way) {
      if (nodes_[std::size_t{i} * kWays + way].cost == kUnreached) continue;
      const uint32_t longest = Expand(stretch, i, way);
      if (longest >= niceLength_) skipUntil = std::max(skipUntil, i + longest);
    }
  }
  AppendPath(stretch, n, items);
  std::copy(nodes_[std::size_t{n} * kWays].repeated, nodes_[std::size_t{n} * kWays].repeated + 3, repeated);
}

uint32_t LzxOptimalParser::Expand(const Stretch& stretch, uint32_t i, uint32_t way) {
  const Node here = nodes_[std::size_t{i} * kWays + way];
  const LzxPrices& prices = *stretch.prices;
  const uint64_t p = stretch.begin + i;
  const uint64_t end = stretch.end;
  auto relax = [this, way, i](uint32_t to, uint32_t cost, uint32_t length, uint32_t distance, int32_t repeat,
                              const uint32_t* offsets, uint32_t tail = 0) {
    if (cost >= nodes_[std::size_t{to} * kWays + kWays - 1].cost) return;
    Relax(to, Node{cost, i, length, distance, repeat, {offsets[0], offsets[1], offsets[2]}, tail, way});
  };
  relax(i + 1, here.cost + prices.main[*finder_->At(p)], 1, 0, -1, here.repeated);
  // The whole match, one literal, then the same distance again as repeated offset 0.
  auto relaxTail = [&](uint32_t length, uint32_t distance, int32_t repeat, uint32_t cost, const uint32_t* after) {
    const uint64_t q = p + length + 1;
    if (q >= end) return;
    const uint32_t tail = finder_->MatchLength(q, distance, end);
    if (tail < kLzxMinMatch) return;
    relax(i + length + 1 + tail, cost + prices.main[*finder_->At(p + length)] + MatchPrice(prices, 0, tail), length,
          distance, repeat, after, tail);
  };
  uint32_t longest = 0;
  for (int32_t r = 0; r < static_cast<int32_t>(kLzxRepeatedOffsets); ++r) {
    const uint32_t d = here.repeated[r];
    if (d > p - stretch.folderStart || (r > 0 && d == here.repeated[0]) || (r == 2 && d == here.repeated[1])) continue;
    const uint32_t length = finder_->MatchLength(p, d, end);
    if (length < kLzxMinMatch) continue;
    uint32_t after[3] = {here.repeated[0], here.repeated[1], here.repeated[2]};
    std::swap(after[0], after[r]);
    for (uint32_t l = kLzxMinMatch; l <= length; ++l) {
      relax(i + l, here.cost + MatchPrice(prices, static_cast<uint32_t>(r), l), l, d, r, after);
    }
    relaxTail(length, d, r, here.cost + MatchPrice(prices, static_cast<uint32_t>(r), length), after);
    longest = std::max(longest, length);
  }
  // New distances from the cheapest way only (from the second as well: 0.1% smaller on text and
  // programs, for about a third more time in one run).
  if (way != 0) return longest;
  uint32_t covered = kLzxMinMatch - 1;
  for (uint32_t m = stretch.first[i]; m < stretch.first[i + 1]; ++m) {
    const LzxMatch& match = matches_[m];
    const uint32_t d = match.distance;
    if (d == here.repeated[0] || d == here.repeated[1] || d == here.repeated[2]) {
      covered = std::max(covered, match.length);
      continue;
    }
    const uint32_t slot = LzxSlotOfDistance(d);
    uint32_t extra = LzxExtraBits(slot);
    if (extra >= kLzxAlignedOffsetBits) {
      extra += prices.aligned[(d - LzxPositionBase(slot)) & kAlignedMask] - kLzxAlignedOffsetBits;
    }
    const uint32_t after[3] = {d, here.repeated[0], here.repeated[1]};
    for (uint32_t l = covered + 1; l <= match.length; ++l) {
      relax(i + l, here.cost + extra + MatchPrice(prices, slot, l), l, d, -1, after);
    }
    if (match.length > covered) {
      relaxTail(match.length, d, -1, here.cost + extra + MatchPrice(prices, slot, match.length), after);
    }
    covered = std::max(covered, match.length);
    longest = std::max(longest, match.length);
  }
  return longest;
}

// The items of the cheapest way to the stretch's end, traced back from it.
void LzxOptimalParser::AppendPath(const Stretch& stretch, uint32_t n, std::vector<LzxItem>* items) const {
  std::vector<std::size_t> path;
  for (uint32_t j = n, way = 0; j > 0;) {
    const Node& node = nodes_[std::size_t{j} * kWays + way];
    path.push_back(std::size_t{j} * kWays + way);
    j = node.from;
    way = node.fromWay;
  }
  const uint64_t begin = stretch.begin;
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const Node& node = nodes_[*it];
    if (node.length == 1) {
      items->push_back(LzxItem{0, *finder_->At(begin + node.from), 0});
    } else if (node.repeat >= 0) {
      items->push_back(LzxItem{node.length, 0, static_cast<uint32_t>(node.repeat)});
    } else {
      const uint32_t slot = LzxSlotOfDistance(node.distance);
      items->push_back(LzxItem{node.length, node.distance - LzxPositionBase(slot), slot});
    }
    if (node.tail != 0) {
      items->push_back(LzxItem{0, *finder_->At(begin + node.from + node.length), 0});
      items->push_back(LzxItem{node.tail, 0, 0});
    }
  }
}

}  // namespace vorlax
