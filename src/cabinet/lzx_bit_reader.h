// The LZX bit reader: 16-bit little-endian words, bits taken from each word's most significant
// end, over one frame's compressed bytes.
//
// With the two bytes of every word swapped, the stream is a plain byte stream read from each
// byte's most significant bit, which can be refilled a byte at a time from one big-endian 8-byte
// load with no branch on the bit count. The reader swaps the words it is about to read into a
// small buffer of the caller's (LzxBitReader::kSwapBytes) a span at a time, so the input itself
// is never written and a restart after an uncompressed block costs one span at most.
//
// Invariants, variable by variable:
//   buffer_   the next count_ bits of the stream, left-aligned (bit 63 is the next bit); the bits
//             below them are the stream's following bits or 0, never anything else, so adding
//             the same stream bytes again changes nothing.
//   count_    valid bits in buffer_, 0..63.
//   next_     byte offset (in the data) of the next stream byte to add. It may pass size_: bytes
//             past the end of the data read as zeros and never touch memory, so look-ahead at the
//             end of a frame is safe. Overrun() tells whether the bits actually consumed went
//             past the data.
//   swapBase_ the data offset whose stream byte is swapped_[0]; an even distance from start_.
// Trap: words are counted from start_ (which need not be even); the last byte of an input with an
// odd number of bytes from start_ is the low half of its word (the word's second 8 bits); the
// missing high half reads as 0, as if the data had a zero padding byte.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/little_endian.h"

namespace vorlax {

inline uint64_t ReadBe64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

inline void WriteLe64(uint8_t* p, uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  std::memcpy(p, &v, sizeof v);
}

// Fills swapped[0, LzxBitReader::kSwapBytes) with the stream bytes from data offset `base`: the
// two bytes of every word (counted from base) swapped, zeros past `size`. Out of line: it runs
// once per span, and keeps the reader's inline code small.
void LzxSwapWords(const uint8_t* data, uint32_t size, uint32_t base, uint8_t* swapped);

class LzxBitReader {
 public:
  // Stream bytes swapped per span, and the size of the caller's buffer for them (a span plus the
  // 8 bytes a load from the span's last byte reaches).
  static constexpr uint32_t kSwapSpan = 512;
  static constexpr uint32_t kSwapBytes = kSwapSpan + 8;

  // Starts reading words at data[startByte], with size bytes of real data at data; `swapped`
  // holds kSwapBytes bytes and belongs to the reader until the next Start.
  void Start(const uint8_t* data, uint32_t size, uint32_t startByte, uint8_t* swapped) {
    data_ = data;
    size_ = size;
    start_ = startByte;
    next_ = startByte;
    swapped_ = swapped;
    buffer_ = 0;
    count_ = 0;
    Swap(startByte);
  }

  // Tops the buffer up to at least 56 valid bits, with no branch on the count (which depends on
  // the codes just read, and so is hard to predict): the bytes that fit go right below the valid
  // bits.
  void Refill() {
    if (next_ - swapBase_ > kSwapSpan) Swap(next_ - ((next_ - start_) & 1));
    buffer_ |= ReadBe64(swapped_ + (next_ - swapBase_)) >> count_;
    next_ += static_cast<uint32_t>(63 - count_) >> 3;
    count_ |= 56;
  }

  // The next n bits (0..32) without consuming them; needs count_ >= n (call Refill first). Two
  // shifts rather than a test for n = 0, which a shift by 64 would get wrong.
  uint32_t Peek(uint32_t n) const { return static_cast<uint32_t>((buffer_ >> 1) >> (63 - n)); }
  // The next kBits bits (1..32) without consuming them, for a width known at compile time.
  template <uint32_t kBits>
  uint32_t PeekTop() const {
    static_assert(kBits >= 1 && kBits <= 32, "peek width");
    return static_cast<uint32_t>(buffer_ >> (64 - kBits));
  }
  // Bit k (0 = next) of the look-ahead.
  uint32_t PeekBit(uint32_t k) const { return static_cast<uint32_t>(buffer_ >> (63 - k)) & 1; }
  uint32_t Available() const { return count_; }

  // Consumes n bits (0..count_, so below 64: one shift).
  void ConsumeShort(uint32_t n) {
    buffer_ <<= n;
    count_ -= static_cast<int>(n);
  }

  // Reads n bits (0..32).
  uint32_t Read(uint32_t n) {
    if (count_ < static_cast<int>(n)) Refill();
    const uint32_t v = Peek(n);
    ConsumeShort(n);
    return v;
  }

  // True when more bits were consumed than the real data holds (only possible once bytes past
  // the data's end were added).
  bool Overrun() const {
    return next_ > size_ &&
           static_cast<uint64_t>(next_) * 8 - static_cast<uint64_t>(count_) > static_cast<uint64_t>(size_) * 8;
  }

  // The byte offset where an uncompressed block's bytes begin: the stream moves on to the next
  // 16-bit word boundary, skipping 1 to 16 bits (a whole word when it already stands on one).
  uint32_t AlignedBytePosition() const {
    const uint64_t consumed = static_cast<uint64_t>(next_ - start_) * 8 - static_cast<uint64_t>(count_);
    return start_ + static_cast<uint32_t>(consumed / 16 * 2 + 2);
  }

 private:
  void Swap(uint32_t base) {
    swapBase_ = base;
    LzxSwapWords(data_, size_, base, swapped_);
  }

  const uint8_t* data_ = nullptr;
  uint8_t* swapped_ = nullptr;
  uint32_t size_ = 0;
  uint32_t start_ = 0;
  uint32_t next_ = 0;
  uint32_t swapBase_ = 0;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace vorlax
