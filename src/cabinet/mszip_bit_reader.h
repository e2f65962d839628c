// The MSZIP decoder's bit input: bits least-significant first from the block's bytes, with reads
// past the end of the block yielding zero bytes (a truncated block decodes as if padded with
// zeros; the cabinet reader catches the short or wrong output by the block's length).
//
// Invariants, variable by variable:
//   next      first byte not yet taken into `bits`; begin <= next <= end
//   bits      the next `count` input bits in its low bits; above them, if anything, only copies of
//             the bytes at `next` onwards (the fast refill loads whole words), never other data
//   count     number of valid bits in `bits`, at most 63
//   padding   zero bytes taken in past the end of the block
// The logical position of the next unread bit is 8 * (next - begin + padding) - count.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/little_endian.h"

namespace vorlax {

struct MszipBitReader {
  const uint8_t* begin;
  const uint8_t* next;
  const uint8_t* end;
  uint64_t bits;
  unsigned count;
  uint32_t padding;
};

// A refill reads 8 bytes at once; the fast decode loop keeps at least this much input ahead.
constexpr unsigned kMszipRefillBytes = 8;
// After a fast refill at least this many bits are valid.
constexpr unsigned kMszipRefillBits = 56;

inline void StartBits(MszipBitReader* r, const uint8_t* data, uint32_t length) {
  r->begin = data;
  r->next = data;
  r->end = data + length;
  r->bits = 0;
  r->count = 0;
  r->padding = 0;
}

inline bool CanRefillFast(const MszipBitReader* r) {
  return static_cast<size_t>(r->end - r->next) >= kMszipRefillBytes;
}

// Needs CanRefillFast. Afterwards at least kMszipRefillBits bits are valid.
inline void RefillFast(MszipBitReader* r) {
  r->bits |= ReadLe64(r->next) << r->count;
  r->next += (63 - r->count) >> 3;
  r->count |= kMszipRefillBits;
}

// Makes at least n bits valid (n <= 56), one byte at a time, zero bytes past the end.
inline void NeedBits(MszipBitReader* r, unsigned n) {
  while (r->count < n) {
    uint64_t byte = 0;
    if (r->next < r->end) {
      byte = *r->next++;
    } else {
      ++r->padding;
    }
    r->bits |= byte << r->count;
    r->count += 8;
  }
}

// NeedBits(r, n), but with one whole-word refill while at least kMszipRefillBytes of input are
// left: no loop over bytes, whose branches follow the bit count.
inline void NeedBitsWide(MszipBitReader* r, unsigned n) {
  if (CanRefillFast(r)) {
    RefillFast(r);
  } else {
    NeedBits(r, n);
  }
}

inline uint32_t PeekBits(const MszipBitReader* r, unsigned n) {
  return static_cast<uint32_t>(r->bits & ((uint64_t{1} << n) - 1));
}

inline void DropBits(MszipBitReader* r, unsigned n) {
  r->bits >>= n;
  r->count -= n;
}

inline uint32_t ReadBits(MszipBitReader* r, unsigned n) {
  NeedBits(r, n);
  uint32_t v = PeekBits(r, n);
  DropBits(r, n);
  return v;
}

}  // namespace vorlax
