// The LZX bit reader: 16-bit little-endian words, bits taken from each word's most significant
// end, over one frame's compressed bytes.
//
// Invariants, variable by variable:
//   buffer_  the next count_ bits of the stream, left-aligned (bit 63 is the next bit); the bits
//            below them are 0.
//   count_   valid bits in buffer_, 0..64.
//   next_    byte offset of the next word to load. It may pass size_: words past the end of the
//            data load as zeros and never touch memory, so look-ahead at the end of a frame is
//            safe. Overrun() tells whether the bits actually consumed went past the data.
// Trap: the last byte of an odd-sized input is the low half of its word (the word's second 8
// bits); the missing high half loads as 0, as if the data had a zero padding byte.
#pragma once

#include <cstdint>

#include "base/little_endian.h"

namespace vorlax {

inline uint64_t ReadLe64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadLe32(p)) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
}

class LzxBitReader {
 public:
  // Starts reading words at data[startByte], with size bytes of real data at data.
  void Start(const uint8_t* data, uint32_t size, uint32_t startByte) {
    data_ = data;
    size_ = size;
    start_ = startByte;
    next_ = startByte;
    buffer_ = 0;
    count_ = 0;
  }

  // Tops the buffer up to at least 48 valid bits. Where 8 bytes of data remain, whole words are
  // added from one 64-bit load; near the end they are added one by one.
  void Refill() {
    if (count_ > 48) return;
    if (next_ + 8 <= size_) {
      // Little-endian words w0..w3 into stream order w0 w1 w2 w3 from the top.
      uint64_t v = ReadLe64(data_ + next_);
      v = ((v & 0x0000FFFF0000FFFFull) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFull);
      v = (v << 32) | (v >> 32);
      const uint32_t words = static_cast<uint32_t>(64 - count_) / 16;  // 1..4 as count_ <= 48
      buffer_ |= (v >> (64 - 16 * words)) << (64 - count_ - 16 * words);
      count_ += static_cast<int>(16 * words);
      next_ += 2 * words;
      return;
    }
    while (count_ <= 48) {
      buffer_ |= static_cast<uint64_t>(NextWord()) << (48 - count_);
      count_ += 16;
    }
  }

  // Refill for the decoding loops, with no branch on the count, which depends on the codes just
  // read and so is hard to predict. Needs count_ <= 63, which holds once a code has been consumed
  // since the last refill. Where 8 bytes of data remain it adds the whole words that fit (none
  // when 49 or more bits are valid); afterwards at least 49 bits are valid.
  void RefillAfterCode() {
    if (next_ + 8 > size_) {
      Refill();
      return;
    }
    uint64_t v = ReadLe64(data_ + next_);
    v = ((v & 0x0000FFFF0000FFFFull) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFull);
    v = (v << 32) | (v >> 32);
    const uint32_t room = static_cast<uint32_t>(64 - count_);  // 1..64
    // The words that fit go right below the valid bits; the part of a word that does not fit is
    // cut off, so the bits below the valid ones stay 0.
    buffer_ |= (v >> count_) & (~0ull << (room & 15));
    count_ += static_cast<int>(room & ~15u);
    next_ += (room >> 4) * 2;
  }

  // The next n bits (0..32) without consuming them; needs count_ >= n (call Refill first).
  uint32_t Peek(uint32_t n) const { return n == 0 ? 0 : static_cast<uint32_t>(buffer_ >> (64 - n)); }
  // The next kBits bits (1..32) without consuming them, for a width known at compile time.
  template <uint32_t kBits>
  uint32_t PeekTop() const {
    static_assert(kBits >= 1 && kBits <= 32, "peek width");
    return static_cast<uint32_t>(buffer_ >> (64 - kBits));
  }
  // Bit k (0 = next) of the look-ahead.
  uint32_t PeekBit(uint32_t k) const { return static_cast<uint32_t>(buffer_ >> (63 - k)) & 1; }
  uint32_t Available() const { return count_; }

  void Consume(uint32_t n) {
    buffer_ = n >= 64 ? 0 : buffer_ << n;
    count_ -= n;
  }

  // Consume for a count known to be below 64 (a code's length): no test for a whole-buffer shift.
  void ConsumeShort(uint32_t n) {
    buffer_ <<= n;
    count_ -= static_cast<int>(n);
  }

  // Reads n bits (0..32).
  uint32_t Read(uint32_t n) {
    if (count_ < static_cast<int>(n)) Refill();
    const uint32_t v = Peek(n);
    Consume(n);
    return v;
  }

  // True when more bits were consumed than the real data holds (only possible once words past
  // the data's end were loaded).
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
  uint32_t NextWord() {
    uint32_t w = 0;
    if (next_ + 2 <= size_) {
      w = ReadLe16(data_ + next_);
    } else if (next_ < size_) {
      w = data_[next_];
    }
    next_ += 2;
    return w;
  }

  const uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t start_ = 0;
  uint32_t next_ = 0;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace vorlax
