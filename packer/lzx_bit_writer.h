// The LZX bit writer, the reader's mirror: bits go into 16-bit words from each word's most
// significant end, and each finished word is appended little-endian to the output.
//
// Invariant: pending_ holds the count_ (0..15) bits of the word being filled, in its low bits.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

class LzxBitWriter {
 public:
  explicit LzxBitWriter(std::string* out) : out_(out) {}

  // Writes the low n bits of value (n = 0..32), most significant first.
  void Write(uint32_t value, uint32_t n) {
    if (n > 16) {
      Write(value >> 16, n - 16);
      n = 16;
    }
    if (n == 0) return;
    pending_ = (pending_ << n) | (value & ((1u << n) - 1));
    count_ += n;
    if (count_ >= 16) {
      count_ -= 16;
      Emit(static_cast<uint16_t>(pending_ >> count_));
      pending_ &= (1u << count_) - 1;
    }
  }

  // Completes the current word with zero bits (nothing when no bits are pending): a frame's end.
  void FlushWord() {
    if (count_ > 0) Write(0, 16 - count_);
  }

  // The padding before an uncompressed block's bytes: 1 to 16 zero bits up to the next word
  // boundary, a whole word when already on one.
  void AlignForRawBytes() { Write(0, 16 - count_); }

  uint64_t BitsWritten() const { return written_ * 16 + count_; }

 private:
  void Emit(uint16_t word) {
    out_->push_back(static_cast<char>(word & 0xFF));
    out_->push_back(static_cast<char>(word >> 8));
    ++written_;
  }

  std::string* out_;
  uint32_t pending_ = 0;
  uint32_t count_ = 0;
  uint64_t written_ = 0;
};

}  // namespace vorlax
