// Hash chains and binary trees over 4-byte prefixes, plus the latest position of each 3-byte
// prefix. A chain is searched newest first to the level's depth. A tree keeps, per hash, the
// positions ordered by the strings that start there; inserting a position walks down from the
// root, reports each longer match on the way and splits the tree around the new position, which
// becomes the root (the textbook binary-tree match finder).
#include "packer/lzx_match_finder.h"

#include <cstring>

#include "cabinet/lzx_format.h"

namespace vorlax {

namespace {

// The 4-byte table has about one slot per window position, at most 2^20: fewer collisions to
// walk past in incompressible data, and no larger than the window needs.
constexpr uint32_t kMinHashBits = 16;
constexpr uint32_t kMaxHashBits = 20;
constexpr uint32_t kHash3Bits = 16;
// A 3-byte match further back costs about as much as its literals; the 4-byte chains find the rest.
constexpr uint32_t kMaxHash3Distance = 1u << 15;
constexpr uint32_t kPair2Slots = 1u << 16;
constexpr uint32_t kPair2Length = 2;
constexpr uint32_t kHashBytes = 4;
constexpr uint32_t kMinFound = 3;
constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kHashMultiplier = 2654435761u;

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint32_t HashBits(uint32_t windowSize) {
  uint32_t bits = kMinHashBits;
  while (bits < kMaxHashBits && (1u << bits) < windowSize) ++bits;
  return bits;
}
uint32_t Hash4(const uint8_t* p, uint32_t shift) { return (Load32(p) * kHashMultiplier) >> shift; }
uint32_t Hash3(const uint8_t* p) { return ((Load32(p) & 0xFFFFFFu) * kHashMultiplier) >> (32 - kHash3Bits); }

// How many bytes a and b have in common, up to max; eight at a time (little-endian hosts: the
// lowest differing byte is the first).
uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t max) {
  uint32_t n = 0;
  while (n + 8 <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<uint32_t>(__builtin_ctzll(x ^ y)) / 8;
    n += 8;
  }
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

// A match is kept within one window's length of its source (distance + length <= the window
// size): decoders that copy from a window-sized ring in pieces (7-Zip's) would otherwise read
// bytes of the same match that they have not written yet.
uint32_t LzxMatchFinder::Reach(uint32_t distance, uint32_t maxLength) const {
  if (!limits_.fitWindowRing) return maxLength;
  const uint32_t room = windowMask_ + 1 - distance;
  return room < maxLength ? room : maxLength;
}

LzxMatchFinder::LzxMatchFinder(uint32_t windowSize, uint32_t maxDistance, const LzxSearchLimits& limits,
                               uint32_t heldBytes)
    : windowMask_(windowSize - 1),
      maxDistance_(maxDistance),
      heldBytes_(heldBytes),
      limits_(limits),
      hashShift_(32 - HashBits(windowSize)),
      head_(std::size_t{1} << HashBits(windowSize), kNone),
      head3_(std::size_t{1} << kHash3Bits, kNone),
      head2_(limits.tree ? kPair2Slots : 0, kNone),
      links_(static_cast<std::size_t>(windowSize) * (limits.tree ? 2 : 1), kNone) {}

uint8_t* LzxMatchFinder::AppendFrame(const uint8_t* data, uint32_t size) {
  // Keep one window of history and the held bytes; slide once the buffer holds a window more.
  const std::size_t window = std::size_t{windowMask_} + 1;
  const std::size_t keep = window + heldBytes_;
  if (buffer_.size() > keep + window) {
    const std::size_t drop = buffer_.size() - keep;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += drop;
  }
  const std::size_t start = buffer_.size();
  buffer_.resize(start + size);
  if (size != 0) std::memcpy(buffer_.data() + start, data, size);
  return buffer_.data() + start;
}

uint32_t LzxMatchFinder::MatchLength(uint64_t p, uint32_t distance, uint64_t limit) const {
  if (distance == 0 || distance > maxDistance_ || distance > p - base_) return 0;
  const uint64_t max = limit - p > kLzxMaxMatch ? kLzxMaxMatch : limit - p;
  return CommonLength(At(p), At(p) - distance, Reach(distance, static_cast<uint32_t>(max)));
}

void LzxMatchFinder::Insert(uint64_t p) {
  if (p + kHashBytes > End()) return;
  if (limits_.tree) {
    const uint64_t room = End() - p;
    Search(static_cast<uint32_t>(p), room > kLzxMaxMatch ? kLzxMaxMatch : static_cast<uint32_t>(room), nullptr, 0);
    return;
  }
  const uint8_t* a = At(p);
  const uint32_t h = Hash4(a, hashShift_);
  head3_[Hash3(a)] = static_cast<uint32_t>(p);
  links_[p & windowMask_] = head_[h];
  head_[h] = static_cast<uint32_t>(p);
}

LzxMatch LzxMatchFinder::FindAndInsert(uint64_t p, uint64_t limit) {
  LzxMatch found[kLzxMaxMatchesPerPosition];
  const uint32_t count = FindAllAndInsert(p, limit, found);
  return count == 0 ? LzxMatch() : found[count - 1];
}

uint32_t LzxMatchFinder::FindAllAndInsert(uint64_t p, uint64_t limit, LzxMatch* out) {
  const uint64_t room = limit - p;
  if (room < kHashBytes || p + kHashBytes > End()) {
    Insert(p);
    return 0;
  }
  return Search(static_cast<uint32_t>(p), room > kLzxMaxMatch ? kLzxMaxMatch : static_cast<uint32_t>(room), out,
                kLzxMaxMatchesPerPosition);
}

// Inserts p and reports the matches within maxLength (>= 4) into out[0..outMax).
uint32_t LzxMatchFinder::Search(uint32_t p, uint32_t maxLength, LzxMatch* out, uint32_t outMax) {
  const uint8_t* a = At(p);
  uint32_t have = 0;
  if (limits_.tree) {
    uint32_t& latest2 = head2_[a[0] | (uint32_t{a[1]} << 8)];
    const uint32_t candidate2 = latest2;
    latest2 = p;
    if (outMax != 0 && candidate2 < p && p - candidate2 <= maxDistance_ && p - candidate2 <= kLzxMaxPairDistance &&
        Reach(p - candidate2, maxLength) >= kPair2Length) {
      out[have++] = LzxMatch{kPair2Length, p - candidate2};
    }
  }
  uint32_t& latest3 = head3_[Hash3(a)];
  const uint32_t candidate3 = latest3;
  latest3 = p;
  if (outMax != 0 && candidate3 < p && p - candidate3 <= maxDistance_ && p - candidate3 <= kMaxHash3Distance) {
    const uint32_t n = CommonLength(a, At(candidate3), Reach(p - candidate3, maxLength));
    if (n >= kMinFound && n > (have != 0 ? out[have - 1].length : 0)) out[have++] = LzxMatch{n, p - candidate3};
  }
  return limits_.tree ? SearchTree(p, maxLength, have, out, outMax) : SearchChain(p, maxLength, have, out, outMax);
}

uint32_t LzxMatchFinder::SearchChain(uint32_t p, uint32_t maxLength, uint32_t have, LzxMatch* out,
                                     uint32_t outMax) {
  const uint8_t* a = At(p);
  uint32_t& root = head_[Hash4(a, hashShift_)];
  uint32_t candidate = root;
  links_[p & windowMask_] = candidate;
  root = p;
  if (outMax == 0) return 0;
  uint32_t best = have != 0 ? out[have - 1].length : 0;
  for (uint32_t depth = limits_.depth; depth != 0 && best < maxLength; --depth) {
    if (candidate >= p || p - candidate > maxDistance_) break;
    const uint8_t* b = At(candidate);
    if (b[best] == a[best] && Reach(p - candidate, maxLength) > best) {
      const uint32_t n = CommonLength(a, b, Reach(p - candidate, maxLength));
      if (n > best && n >= kMinFound) {
        best = n;
        if (have < outMax) out[have++] = LzxMatch{n, p - candidate};
        if (n >= limits_.niceLength) break;
      }
    }
    candidate = links_[candidate & windowMask_];
  }
  return have;
}

uint32_t LzxMatchFinder::SearchTree(uint32_t p, uint32_t maxLength, uint32_t have, LzxMatch* out,
                                    uint32_t outMax) {
  const uint8_t* a = At(p);
  uint32_t& root = head_[Hash4(a, hashShift_)];
  uint32_t candidate = root;
  root = p;
  // The tree is ordered on at most niceLength bytes; a match that long ends the walk.
  const uint32_t treeLength = maxLength < limits_.niceLength ? maxLength : limits_.niceLength;
  uint32_t* smaller = &links_[2 * (p & windowMask_)];
  uint32_t* larger = smaller + 1;
  uint32_t smallerLength = 0;
  uint32_t largerLength = 0;
  uint32_t best = have != 0 ? out[have - 1].length : 0;
  for (uint32_t depth = limits_.depth;; --depth) {
    if (depth == 0 || candidate >= p || p - candidate > maxDistance_) {
      *smaller = kNone;
      *larger = kNone;
      return have;
    }
    uint32_t* pair = &links_[2 * (candidate & windowMask_)];
    const uint8_t* b = At(candidate);
    uint32_t n = smallerLength < largerLength ? smallerLength : largerLength;
    n += CommonLength(a + n, b + n, treeLength - n);
    if (n > best && n >= kMinFound && have < outMax) {
      // The walk's prefix lengths hold for a consistent tree only; the length reported is
      // counted afresh.
      const uint32_t full = CommonLength(a, b, Reach(p - candidate, maxLength));
      if (full > best && full >= kMinFound) {
        best = full;
        out[have++] = LzxMatch{full, p - candidate};
      }
    }
    if (n >= treeLength) {
      *smaller = pair[0];
      *larger = pair[1];
      return have;
    }
    if (b[n] < a[n]) {
      *smaller = candidate;
      smaller = pair + 1;
      candidate = *smaller;
      smallerLength = n;
    } else {
      *larger = candidate;
      larger = pair;
      candidate = *larger;
      largerLength = n;
    }
  }
}

}  // namespace vorlax
