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

inline void Copy16(uint8_t* dst, const uint8_t* src) {
  uint8_t v[16];
  std::memcpy(v, src, sizeof v);
  std::memcpy(dst, v, sizeof v);
}

// Copies exactly `length` bytes to dst from `distance` (at least 8) bytes before it. Overlapping
// pieces of one copy are fine: every byte read is final before it is read, as pieces never span
// more than the distance.
inline void CopyFar(uint8_t* dst, unsigned distance, unsigned length) {
  const uint8_t* src = dst - distance;
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
  if (length <= 16) {
    Copy8(dst, src);
    Copy8(end - 8, end - 8 - distance);
    return;
  }
  if (distance >= 16) {
    do {
      Copy16(dst, src);
      dst += 16;
      src += 16;
    } while (end - dst > 16);
    Copy16(end - 16, end - 16 - distance);
    return;
  }
  do {
    Copy8(dst, src);
    dst += 8;
    src += 8;
  } while (end - dst > 8);
  Copy8(end - 8, end - 8 - distance);
}

// Copies `length` bytes from `distance` bytes back; needs dst - distance to lie in the buffer.
inline void CopyWithinOutput(uint8_t* dst, unsigned distance, unsigned length) {
  if (distance >= 8) {
    CopyFar(dst, distance, length);
    return;
  }
  // A pattern shorter than 8 bytes: its first bytes one by one, until a whole number of periods
  // of at least 8 bytes lies behind the write position; from there the copy reads from that far
  // back, which repeats the same pattern.
  // The smallest multiple of each distance 1-7 that is at least 8.
  static const uint8_t kWholePeriods[8] = {0, 8, 8, 9, 8, 10, 12, 14};
  unsigned far = kWholePeriods[distance];
  unsigned head = far - distance;
  if (head > length) head = length;
  const uint8_t* src = dst - distance;
  for (unsigned i = 0; i < head; ++i) dst[i] = src[i];
  if (length > head) CopyFar(dst + head, far, length - head);
}

// Copies `length` bytes forward from `src`, which lies after dst: every byte read is read before
// this copy could overwrite it, as a byte-by-byte forward copy would.
inline void CopyForward(uint8_t* dst, const uint8_t* src, size_t length) {
  while (length >= 8) {
    Copy8(dst, src);
    dst += 8;
    src += 8;
    length -= 8;
  }
  while (length-- > 0) *dst++ = *src++;
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
    CopyForward(out->next, out->start + source, n);
    out->next += n;
    length -= static_cast<unsigned>(n);
    if (length == 0) return true;
  }
  CopyWithinOutput(out->next, distance, length);
  out->next += length;
  return true;
}

}  // namespace vorlax
