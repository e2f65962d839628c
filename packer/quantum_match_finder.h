// Match finding for the Quantum encoder: the folder's recent bytes with hash chains over 3-byte
// prefixes.
//
// Positions count bytes from the folder start (the decoder's reset), so a position is also the
// history a match at it may reach into. The history kept always covers the window behind the
// block being encoded; older bytes are dropped in large steps so that dropping costs little.
// A position joins the chains once its 3 bytes are known, which for the last two bytes of a
// block is only after the next block arrives.
#pragma once

#include <cstdint>
#include <vector>

namespace vorlax {

struct QuantumMatch {
  uint32_t length = 0;  // 0: no usable match
  uint32_t distance = 0;
};

// How far each match kind can reach (from the frame encoder's models).
struct QuantumReach {
  uint32_t length3 = 0;
  uint32_t length4 = 0;
  uint32_t longer = 0;
};

class QuantumMatchFinder {
 public:
  QuantumMatchFinder(uint32_t windowBits, const QuantumReach& reach);

  // Appends the next block; answers the position of its first byte.
  uint32_t Append(const uint8_t* data, uint32_t size);
  // The longest codable match at `pos` that ends at or before `end` (at most 259 bytes).
  QuantumMatch Find(uint32_t pos, uint32_t end);
  // Adds every position before `pos` whose 3 bytes are known to the chains.
  void InsertUpTo(uint32_t pos);
  uint8_t ByteAt(uint32_t pos) const { return history_[pos - base_]; }

 private:
  uint32_t Hash(uint32_t pos) const;
  uint32_t UsableLength(uint32_t length, uint32_t distance) const;
  void DropOldHistory();

  uint32_t windowSize_;
  QuantumReach reach_;
  std::vector<uint8_t> history_;  // bytes from position base_ on
  uint32_t base_ = 0;
  uint32_t end_ = 0;       // position after the last byte appended
  uint32_t inserted_ = 0;  // positions before this one are in the chains
  std::vector<uint32_t> head_;  // per hash: newest position + 1, 0 for none
  std::vector<uint32_t> prev_;  // per position modulo the window: the older position + 1
};

}  // namespace vorlax
