// Hash-chain match finding for the Quantum encoder.
#include "packer/quantum_match_finder.h"

#include <cstddef>

#include "cabinet/decoder.h"
#include "cabinet/quantum_tables.h"

namespace vorlax {

namespace {
constexpr uint32_t kHashBits = 18;
constexpr uint32_t kMinMatch = 3;
// Candidates examined per position: enough for real compression at a modest cost.
constexpr uint32_t kMaxChainSteps = 48;
}  // namespace

QuantumMatchFinder::QuantumMatchFinder(uint32_t windowBits, const QuantumReach& reach)
    : windowSize_(1u << windowBits), reach_(reach), head_(1u << kHashBits, 0), prev_(windowSize_, 0) {}

void QuantumMatchFinder::DropOldHistory() {
  // Keep the whole window behind the next block; drop only when twice that has piled up.
  const uint32_t kept = windowSize_;
  if (history_.size() <= 2 * static_cast<std::size_t>(kept) + kMaxBlockOutput) return;
  const std::size_t drop = history_.size() - kept;
  history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop));
  base_ += static_cast<uint32_t>(drop);
}

uint32_t QuantumMatchFinder::Append(const uint8_t* data, uint32_t size) {
  DropOldHistory();
  const uint32_t start = end_;
  history_.insert(history_.end(), data, data + size);
  end_ += size;
  return start;
}

uint32_t QuantumMatchFinder::Hash(uint32_t pos) const {
  const uint8_t* p = &history_[pos - base_];
  const uint32_t key = (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
  return (key * 2654435761u) >> (32 - kHashBits);
}

void QuantumMatchFinder::InsertUpTo(uint32_t pos) {
  for (; inserted_ < pos && inserted_ + kMinMatch <= end_; ++inserted_) {
    const uint32_t h = Hash(inserted_);
    prev_[inserted_ & (windowSize_ - 1)] = head_[h];
    head_[h] = inserted_ + 1;
  }
}

uint32_t QuantumMatchFinder::UsableLength(uint32_t length, uint32_t distance) const {
  if (length > kQuantumMatch4Length) return distance <= reach_.longer ? length : 0;
  if (length == kQuantumMatch4Length && distance <= reach_.length4) return length;
  if (length >= kQuantumMatch3Length && distance <= reach_.length3) return kQuantumMatch3Length;
  return 0;
}

QuantumMatch QuantumMatchFinder::Find(uint32_t pos, uint32_t end) {
  QuantumMatch best;
  uint32_t limit = end - pos;
  if (limit > kQuantumMaxMatchLength) limit = kQuantumMaxMatchLength;
  if (limit < kMinMatch) return best;
  // A match may reach into what was decoded since the folder start, and no further than the window.
  const uint32_t reach = pos < windowSize_ ? pos : windowSize_;
  const uint8_t* here = &history_[pos - base_];
  uint32_t candidate = head_[Hash(pos)];
  for (uint32_t step = 0; candidate != 0 && step < kMaxChainSteps; ++step) {
    const uint32_t older = candidate - 1;
    if (older >= pos || pos - older > reach) break;
    const uint8_t* there = &history_[older - base_];
    // Only a candidate that also matches the byte after the best length so far can beat it.
    if (best.length == 0 || there[best.length] == here[best.length]) {
      uint32_t length = 0;
      while (length < limit && there[length] == here[length]) ++length;
      const uint32_t usable = UsableLength(length, pos - older);
      if (usable > best.length) {
        best.length = usable;
        best.distance = pos - older;
        if (usable == limit) break;
      }
    }
    const uint32_t next = prev_[older & (windowSize_ - 1)];
    if (next == 0 || next - 1 >= older) break;
    candidate = next;
  }
  return best;
}

}  // namespace vorlax
