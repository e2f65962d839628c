// Shortest path over the positions of a stretch: node i is the cheapest way found to code the
// first i bytes, with the repeated offsets that way leaves. Each reachable node is expanded
// forward by a literal, by every length of each repeated-offset match and by every length of
// the collected matches (each length with the nearest distance that reaches it).
#include "packer/lzx_optimal_parser.h"

#include <algorithm>

namespace vorlax {

namespace {

constexpr uint32_t kUnreached = 0xFFFFFFFFu;
// Prices before any code exists (the folder's first block), close to what text costs.
constexpr uint32_t kFirstLiteralPrice = 8;
constexpr uint32_t kFirstMatchPrice = 10;
constexpr uint32_t kFirstLengthPrice = 6;
// A symbol the previous codes did not use.
constexpr uint32_t kRarePrice = kLzxMaxCodeLength;
constexpr uint32_t kAlignedMask = (1u << kLzxAlignedOffsetBits) - 1;

uint32_t MatchPrice(const LzxPrices& prices, uint32_t slot, uint32_t length) {
  const uint32_t header = length - kLzxMinMatch;
  if (header < kLzxLengthHeaderEscape) return prices.main[kLzxLiteralCount + slot * kLzxLengthHeaders + header];
  return prices.main[kLzxLiteralCount + slot * kLzxLengthHeaders + kLzxLengthHeaderEscape] +
         prices.length[header - kLzxLengthHeaderEscape];
}

}  // namespace

void LzxPricesFromLengths(const uint8_t* mainLengths, const uint8_t* lengthLengths, LzxPrices* prices) {
  const bool anyCode = std::any_of(mainLengths, mainLengths + kLzxMainSymbolsMax, [](uint8_t l) { return l != 0; });
  for (uint32_t s = 0; s < kLzxMainSymbolsMax; ++s) {
    const uint32_t first = s < kLzxLiteralCount ? kFirstLiteralPrice : kFirstMatchPrice;
    prices->main[s] = !anyCode ? first : mainLengths[s] != 0 ? mainLengths[s] : kRarePrice;
  }
  for (uint32_t s = 0; s < kLzxLengthSymbols; ++s) {
    prices->length[s] = !anyCode ? kFirstLengthPrice : lengthLengths[s] != 0 ? lengthLengths[s] : kRarePrice;
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

void LzxOptimalParser::Parse(uint64_t begin, uint64_t end, uint64_t folderStart, const LzxPrices& prices,
                             uint32_t repeated[3], std::vector<LzxItem>* items) {
  const uint32_t n = static_cast<uint32_t>(end - begin);
  const uint32_t* first = first_.data() + (begin - begin_);
  nodes_.assign(n + 1, Node{kUnreached, 0, 0, 0, -1, {0, 0, 0}, 0});
  nodes_[0].cost = 0;
  std::copy(repeated, repeated + 3, nodes_[0].repeated);
  auto relax = [this](uint32_t to, uint32_t cost, uint32_t from, uint32_t length, uint32_t distance, int32_t repeat,
                      const uint32_t* offsets, uint32_t tail = 0) {
    Node& node = nodes_[to];
    if (cost >= node.cost) return;
    node = Node{cost, from, length, distance, repeat, {offsets[0], offsets[1], offsets[2]}, tail};
  };
  uint32_t skipUntil = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (i < skipUntil) continue;
    const Node here = nodes_[i];
    if (here.cost == kUnreached) continue;
    const uint64_t p = begin + i;
    relax(i + 1, here.cost + prices.main[*finder_->At(p)], i, 1, 0, -1, here.repeated);
    // The whole match, one literal, then the same distance again as repeated offset 0.
    auto relaxTail = [&](uint32_t length, uint32_t distance, int32_t repeat, uint32_t cost, const uint32_t* after) {
      const uint64_t q = p + length + 1;
      if (q >= end) return;
      const uint32_t tail = finder_->MatchLength(q, distance, end);
      if (tail < kLzxMinMatch) return;
      relax(i + length + 1 + tail, cost + prices.main[*finder_->At(p + length)] + MatchPrice(prices, 0, tail), i,
            length, distance, repeat, after, tail);
    };
    uint32_t longest = 0;
    for (int32_t r = 0; r < static_cast<int32_t>(kLzxRepeatedOffsets); ++r) {
      const uint32_t d = here.repeated[r];
      if (d > p - folderStart || (r > 0 && d == here.repeated[0]) || (r == 2 && d == here.repeated[1])) continue;
      const uint32_t length = finder_->MatchLength(p, d, end);
      if (length < kLzxMinMatch) continue;
      uint32_t after[3] = {here.repeated[0], here.repeated[1], here.repeated[2]};
      std::swap(after[0], after[r]);
      for (uint32_t l = kLzxMinMatch; l <= length; ++l) {
        relax(i + l, here.cost + MatchPrice(prices, static_cast<uint32_t>(r), l), i, l, d, r, after);
      }
      relaxTail(length, d, r, here.cost + MatchPrice(prices, static_cast<uint32_t>(r), length), after);
      longest = std::max(longest, length);
    }
    uint32_t covered = kLzxMinMatch - 1;
    for (uint32_t m = first[i]; m < first[i + 1]; ++m) {
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
        relax(i + l, here.cost + extra + MatchPrice(prices, slot, l), i, l, d, -1, after);
      }
      if (match.length > covered) {
        relaxTail(match.length, d, -1, here.cost + extra + MatchPrice(prices, slot, match.length), after);
      }
      covered = std::max(covered, match.length);
      longest = std::max(longest, match.length);
    }
    if (longest >= niceLength_) skipUntil = i + longest;
  }
  std::vector<uint32_t> path;
  for (uint32_t j = n; j > 0; j = nodes_[j].from) path.push_back(j);
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
  std::copy(nodes_[n].repeated, nodes_[n].repeated + 3, repeated);
}

}  // namespace vorlax
