// Copying a deflate match inside the MSZIP decoder's workspace.
//
// The result must equal a byte-by-byte copy (an overlapping match repeats its pattern). The
// previous block's output lies right before the output (MszipOutput), so every match is a copy
// from `distance` bytes back and the bytes after the write position are free: the fast loop's
// copies may store up to kMszipCopyOverrun bytes past a match's end (the next symbols overwrite
// them); the exact copies here store nothing past it, for the careful loop that runs up to the end
// of the output.
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

// Copies exactly `length` bytes from src to dst, which lie `gap` (at least 8) bytes apart, in
// either order. Copying in pieces of at most `gap` bytes, each piece loaded before it is stored,
// gives what a byte-by-byte forward copy gives: a byte is never read after this copy wrote it,
// except where a byte-by-byte copy would have read that same new value (source behind dst).
inline void CopyApart(uint8_t* dst, const uint8_t* src, unsigned length, size_t gap) {
  if (length <= 8) {
    if (length >= 4) {
      Copy4(dst, src);
      Copy4(dst + length - 4, src + length - 4);
    } else if (length == 3) {  // the shortest match
      Copy2(dst, src);
      dst[2] = src[2];
    } else {
      for (unsigned i = 0; i < length; ++i) dst[i] = src[i];
    }
    return;
  }
  uint8_t* end = dst + length;
  const uint8_t* srcEnd = src + length;
  if (length <= 16) {
    Copy8(dst, src);
    Copy8(end - 8, srcEnd - 8);
    return;
  }
  if (gap >= 16) {
    do {
      Copy16(dst, src);
      dst += 16;
      src += 16;
    } while (end - dst > 16);
    Copy16(end - 16, srcEnd - 16);
    return;
  }
  do {
    Copy8(dst, src);
    dst += 8;
    src += 8;
  } while (end - dst > 8);
  Copy8(end - 8, srcEnd - 8);
}

inline void CopyFar(uint8_t* dst, unsigned distance, unsigned length) {
  CopyApart(dst, dst - distance, length, distance);
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

// Bytes the fast copies below may store past a match's end.
constexpr unsigned kMszipCopyOverrun = 15;

// Copies `length` bytes from `distance` bytes back like CopyWithinOutput, but in whole 16- or
// 8-byte pieces, storing up to kMszipCopyOverrun bytes past the end. A piece reads only bytes
// already final: its source ends at or before its destination starts. Every match from 8 or more
// back starts with two 8-byte pieces whatever its distance, so that the common matches of up to
// 16 bytes take no branch on the distance (one that program code, with its matches from 8 to 15
// back, mispredicts); only longer ones pick 16-byte pieces for distances of 16 or more.
inline void CopyWithinOutputWide(uint8_t* dst, unsigned distance, unsigned length) {
  const uint8_t* src = dst - distance;
  uint8_t* end = dst + length;
  if (distance >= 8) {
    Copy8(dst, src);
    Copy8(dst + 8, src + 8);
    if (length > 16) {
      dst += 16;
      src += 16;
      if (distance >= 16) {
        do {
          Copy16(dst, src);
          dst += 16;
          src += 16;
        } while (dst < end);
      } else {
        do {
          Copy8(dst, src);
          dst += 8;
          src += 8;
        } while (dst < end);
      }
    }
  } else {
    CopyWithinOutput(dst, distance, length);
  }
}

// Copies a match of `length` bytes (not more than the bytes still wanted) at `distance`. False
// when the distance reaches further back than the window.
inline bool CopyMatch(MszipOutput* out, unsigned distance, unsigned length) {
  if (distance > out->window) return false;
  CopyWithinOutput(out->next, distance, length);
  out->next += length;
  return true;
}

}  // namespace vorlax
