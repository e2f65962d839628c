// Hash chains over 3-byte prefixes, searched to a fixed depth; a match as long as the largest
// allowed ends the search early.
#include "packer/lzx_match_finder.h"

#include <cstring>

#include "cabinet/lzx_format.h"

namespace vorlax {

namespace {

constexpr uint32_t kHashBits = 16;
constexpr uint32_t kHashSize = 1u << kHashBits;
constexpr uint32_t kChainDepth = 24;
constexpr uint32_t kMinHashMatch = 3;
constexpr uint64_t kNoPosition = ~uint64_t{0};

}  // namespace

LzxMatchFinder::LzxMatchFinder(uint32_t windowSize, uint32_t maxDistance)
    : windowSize_(windowSize),
      maxDistance_(maxDistance),
      head_(kHashSize, kNoPosition),
      previous_(windowSize, kNoPosition) {}

uint8_t* LzxMatchFinder::AppendFrame(const uint8_t* data, uint32_t size) {
  // Keep one window of history; slide once the buffer holds two.
  if (buffer_.size() > 2 * static_cast<std::size_t>(windowSize_)) {
    const std::size_t drop = buffer_.size() - windowSize_;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += drop;
  }
  const std::size_t start = buffer_.size();
  buffer_.resize(start + size);
  if (size != 0) std::memcpy(buffer_.data() + start, data, size);
  return buffer_.data() + start;
}

uint32_t LzxMatchFinder::Hash(uint64_t p) const {
  const uint8_t* b = At(p);
  const uint32_t v = (static_cast<uint32_t>(b[0]) << 16) | (static_cast<uint32_t>(b[1]) << 8) | b[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}

void LzxMatchFinder::Insert(uint64_t p) {
  if (p + kMinHashMatch > End()) return;
  const uint32_t h = Hash(p);
  previous_[p & (windowSize_ - 1)] = head_[h];
  head_[h] = p;
}

uint32_t LzxMatchFinder::MatchLength(uint64_t p, uint32_t distance, uint64_t limit) const {
  if (distance == 0 || distance > maxDistance_ || distance > p - base_) return 0;
  uint64_t max = limit - p;
  if (max > kLzxMaxMatch) max = kLzxMaxMatch;
  const uint8_t* a = At(p);
  const uint8_t* b = a - distance;
  uint32_t n = 0;
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

LzxMatch LzxMatchFinder::FindAndInsert(uint64_t p, uint64_t limit) {
  LzxMatch best;
  if (p + kMinHashMatch > limit || p + kMinHashMatch > End()) {
    Insert(p);
    return best;
  }
  const uint32_t h = Hash(p);
  uint64_t candidate = head_[h];
  const uint32_t maxLength = limit - p > kLzxMaxMatch ? kLzxMaxMatch : static_cast<uint32_t>(limit - p);
  for (uint32_t depth = 0; depth < kChainDepth && candidate != kNoPosition; ++depth) {
    if (candidate >= p || p - candidate > maxDistance_ || candidate < base_) break;
    const uint32_t distance = static_cast<uint32_t>(p - candidate);
    const uint8_t* a = At(p);
    const uint8_t* b = At(candidate);
    if (b[best.length] == a[best.length] || best.length == 0) {
      uint32_t n = 0;
      while (n < maxLength && a[n] == b[n]) ++n;
      if (n > best.length && n >= kMinHashMatch) {
        best.length = n;
        best.distance = distance;
        if (n == maxLength) break;
      }
    }
    candidate = previous_[candidate & (windowSize_ - 1)];
  }
  previous_[p & (windowSize_ - 1)] = head_[h];
  head_[h] = p;
  return best;
}

}  // namespace vorlax
