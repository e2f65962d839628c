// Copying a deflate match inside the MSZIP history window.
//
// The result must equal a byte-by-byte copy (an overlapping match repeats its pattern), and no
// byte after the match may be written: the bytes ahead of the write position still hold the
// previous block's output, which later matches of this block may read.
#pragma once

#include <cstdint>
#include <cstring>

#include "cabinet/mszip_stream.h"

namespace vorlax {

inline void Copy8(uint8_t* dst, const uint8_t* src) {
  uint64_t v;
  std::memcpy(&v, src, sizeof v);
  std::memcpy(dst, &v, sizeof v);
}

inline void Copy4(uint8_t* dst, const uint8_t* src) {
  uint32_t v;
  std::memcpy(&v, src, sizeof v);
  std::memcpy(dst, &v, sizeof v);
}

inline void Copy2(uint8_t* dst, const uint8_t* src) {
  uint16_t v;
  std::memcpy(&v, src, sizeof v);
  std::memcpy(dst, &v, sizeof v);
}

// Copies exactly `length` bytes to dst from at least 8 bytes before it. Overlapping
// pieces of one copy are fine: every byte read is final before it is read.
inline void CopyFar(uint8_t* dst, const uint8_t* src, unsigned length) {
  if (length <= 8) {
    if (length >= 4) {
      Copy4(dst, src);
      Copy4(dst + length - 4, src + length - 4);
    } else {
      for (unsigned i = 0; i < length; ++i) dst[i] = src[i];
    }
    return;
  }
  uint8_t* end = dst + length;
  const uint8_t* srcEnd = src + length;
  do {
    Copy8(dst, src);
    dst += 8;
    src += 8;
  } while (end - dst > 8);
  Copy8(end - 8, srcEnd - 8);
}

// Copies `length` bytes from `distance` bytes back; needs dst - distance to lie in
// the buffer.
inline void CopyWithinOutput(uint8_t* dst, unsigned distance, unsigned length) {
  const uint8_t* src = dst - distance;
  if (distance >= 8) {
    CopyFar(dst, src, length);
  } else if (length <= 16) {
    for (unsigned i = 0; i < length; ++i) dst[i] = src[i];
  } else if (distance == 1) {
    std::memset(dst, *src, length);
  } else {
    // [src, dst) is whole periods of the pattern: copying it doubles what can be copied next.
    unsigned span = distance;
    while (length > span) {
      std::memcpy(dst, src, span);
      dst += span;
      length -= span;
      span <<= 1;
    }
    std::memcpy(dst, src, length);
  }
}

// Copies a match of `length` bytes (not more than the bytes still wanted) at `distance`. A source
// before the buffer's start continues `window` bytes later, in the previous block's output, and
// wraps from the buffer's last byte back to its start. False when the distance reaches further
// back than the window.
inline bool CopyMatch(MszipOutput* out, unsigned distance, unsigned length) {
  size_t position = static_cast<size_t>(out->next - out->start);
  if (distance > position) {
    if (distance > out->window) return false;
    size_t source = position + out->window - distance;  // position <= source < window
    size_t beforeWrap = out->window - source;
    size_t n = length < beforeWrap ? length : beforeWrap;
    std::memmove(out->next, out->start + source, n);  // source ahead: forward copy is exact
    out->next += n;
    length -= static_cast<unsigned>(n);
    if (length == 0) return true;
  }
  CopyWithinOutput(out->next, distance, length);
  out->next += length;
  return true;
}

}  // namespace vorlax
