// Match finding for the LZX encoder over the folder's recent data, by hash chains (the fast and
// default levels) or by binary trees (the smallest level, which wants every useful match).
//
// Positions are absolute offsets in the folder's (translated) data; a cabinet folder holds less
// than 2^31 bytes, so they are kept as 32-bit numbers inside. The finder keeps the last window's
// worth of data plus the frames not yet coded (heldBytes) and the frame being encoded in one
// buffer, which it slides forward as frames arrive, so that a match never reaches further back
// than the window allows.
// Both structures hash the next 4 bytes; a second, chainless table remembers the latest position
// of each 3-byte prefix, for the short matches that 4-byte hashing cannot see; with trees, a
// third remembers the latest position of each 2-byte pair.
// Every match keeps distance + length within the window size (see Reach; tests may lift it).
// Traps: a chain or tree link is only trusted while it points less than a window back (older
// slots have been reused by newer positions); every match returned is checked byte by byte, so a
// stale link costs search time, never a wrong match. A position is only inserted when its 4 bytes
// are in the buffer (the last 3 bytes of a frame wait for nothing: they are simply not found).
#pragma once

#include <cstdint>
#include <vector>

namespace vorlax {

struct LzxMatch {
  uint32_t length = 0;    // 0: none
  uint32_t distance = 0;
};

// How hard the finder searches.
struct LzxSearchLimits {
  uint32_t depth = 24;        // candidates examined per position
  uint32_t niceLength = 64;   // a match this long ends the search
  bool tree = false;          // binary trees instead of hash chains
  // Tests only: false lets a match's distance + length exceed the window size (valid by the
  // format, but see Reach), to reproduce what other decoders make of such matches.
  bool fitWindowRing = true;
};

// Binary trees also report the latest 2-byte match up to this far back (a near slot's few extra
// bits can beat two literals); otherwise matches are 3 bytes or longer.
constexpr uint32_t kLzxMaxPairDistance = 1u << 11;

// The most matches FindAll reports for one position (one per length found, lengths growing).
constexpr uint32_t kLzxMaxMatchesPerPosition = 64;

class LzxMatchFinder {
 public:
  // maxDistance: the farthest a match may reach back (the window size less 3). heldBytes: how many
  // bytes before the frame being appended must stay readable beyond one window (frames that the
  // encoder holds back).
  LzxMatchFinder(uint32_t windowSize, uint32_t maxDistance, const LzxSearchLimits& limits, uint32_t heldBytes = 0);

  // Appends a frame's bytes; returns where they start in the buffer. A folder stays under 2^31
  // bytes, so there is always room.
  uint8_t* AppendFrame(const uint8_t* data, uint32_t size);
  // Absolute position of the first byte not yet appended.
  uint64_t End() const { return base_ + buffer_.size(); }
  // The byte at absolute position p (base_ <= p < End()).
  const uint8_t* At(uint64_t p) const { return buffer_.data() + (p - base_); }

  // The longest match at p whose bytes lie within [p, limit), of length 3 or more; inserts p.
  LzxMatch FindAndInsert(uint64_t p, uint64_t limit);
  // Every match at p within [p, limit) that is longer than the ones before it (length 3 or more,
  // or 2 with trees, see kLzxMaxPairDistance; shortest first) into out[0..count); inserts p.
  // Returns count.
  uint32_t FindAllAndInsert(uint64_t p, uint64_t limit, LzxMatch* out);
  // Inserts p without reporting matches (for bytes coded otherwise).
  void Insert(uint64_t p);
  // Length of the match at p with the given distance, within [p, limit); 0 when distance
  // reaches before the folder's start or beyond the window.
  uint32_t MatchLength(uint64_t p, uint32_t distance, uint64_t limit) const;

 private:
  uint32_t Reach(uint32_t distance, uint32_t maxLength) const;
  uint32_t Search(uint32_t p, uint32_t maxLength, LzxMatch* out, uint32_t outMax);
  uint32_t SearchChain(uint32_t p, uint32_t maxLength, uint32_t have, LzxMatch* out, uint32_t outMax);
  uint32_t SearchTree(uint32_t p, uint32_t maxLength, uint32_t have, LzxMatch* out, uint32_t outMax);

  uint32_t windowMask_;
  uint32_t maxDistance_;
  uint32_t heldBytes_;
  LzxSearchLimits limits_;
  uint32_t hashShift_;  // 32 less the 4-byte table's bits
  uint64_t base_ = 0;  // absolute position of buffer_[0]
  std::vector<uint8_t> buffer_;
  std::vector<uint32_t> head_;       // 4-byte hash -> latest position (a chain's or tree's root)
  std::vector<uint32_t> head3_;      // 3-byte hash -> latest position
  std::vector<uint32_t> head2_;      // trees only: 2 bytes -> latest position
  std::vector<uint32_t> links_;      // chains: one link per window slot; trees: two (smaller, larger)
};

}  // namespace vorlax
