// Match finding for the LZX encoder: hash chains over the folder's recent data.
//
// Positions are absolute offsets in the folder's (translated) data. The finder keeps the last
// window's worth of data plus the frame being encoded in one buffer, which it slides forward as
// frames arrive, so that a match never reaches further back than the window allows.
// Trap: a chain link is only trusted while it points less than a window back; older links may
// already have been overwritten by newer positions sharing the same slot.
#pragma once

#include <cstdint>
#include <vector>

namespace vorlax {

struct LzxMatch {
  uint32_t length = 0;    // 0: none
  uint32_t distance = 0;
};

class LzxMatchFinder {
 public:
  // maxDistance: the farthest a match may reach back (the window size less 3).
  LzxMatchFinder(uint32_t windowSize, uint32_t maxDistance);

  // Appends a frame's bytes; returns where they start in Data().
  uint8_t* AppendFrame(const uint8_t* data, uint32_t size);
  // Absolute position of the first byte not yet appended.
  uint64_t End() const { return base_ + buffer_.size(); }
  // The byte at absolute position p (base_ <= p < End()).
  const uint8_t* At(uint64_t p) const { return buffer_.data() + (p - base_); }

  // The longest match at p whose bytes lie within [p, limit), of length 3 or more; and inserts p.
  LzxMatch FindAndInsert(uint64_t p, uint64_t limit);
  // Inserts p without searching (for bytes coded otherwise).
  void Insert(uint64_t p);
  // Length of the match at p with the given distance, within [p, limit); 0 when distance
  // reaches before the folder's start or beyond the window.
  uint32_t MatchLength(uint64_t p, uint32_t distance, uint64_t limit) const;

 private:
  uint32_t Hash(uint64_t p) const;

  uint32_t windowSize_;
  uint32_t maxDistance_;
  uint64_t base_ = 0;  // absolute position of buffer_[0]
  std::vector<uint8_t> buffer_;
  std::vector<uint64_t> head_;
  std::vector<uint64_t> previous_;  // indexed by position modulo the window size
};

}  // namespace vorlax
