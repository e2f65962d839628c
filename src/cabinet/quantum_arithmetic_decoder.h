// The bit input and arithmetic decoder of one Quantum frame (internal to the Quantum decoder).
//
// Bit input: the frame's bytes, most significant bit first. `bits_` holds the next `count_`
// bits left-aligned; past the frame's last byte zero bytes are appended and counted in
// `padding_`, so the input is exhausted exactly when some of those padding bits were taken
// (padding_ > count_). Every refill leaves at least kMinBitsAfterRefill bits, enough for one
// symbol (at most 30 renormalisation bits) or one run of raw extra bits (at most 19).
//
// Dividing is slow and sits on the path from one symbol to the next, so the symbol search compares
// products instead of dividing by the range, and the division by the model's total multiplies by
// a reciprocal from a table.
//
// Coder: 16-bit low, high and code with low <= code <= high always (whatever the input bits, so a
// decoded value always names an entry of the model). Renormalisation shifts out the leading bits
// that low and high share in one step, then takes the underflow steps (low in 0x4000..0x7FFF,
// high in 0x8000..0xBFFF) one bit at a time.
#pragma once

#include <cstdint>

#include "cabinet/quantum_model.h"
#include "cabinet/quantum_reciprocals.h"

namespace vorlax {

class QuantumArithmeticDecoder {
 public:
  // Starts the coder on a frame: the first 16 bits become the code register.
  QuantumArithmeticDecoder(const uint8_t* input, uint32_t length)
      : next_(input), end_(input + length), reciprocals_(QuantumTotalReciprocals()) {
    Refill();
    code_ = Take(16);
  }

  bool Exhausted() const { return padding_ > count_; }

  // Raw extra bits, most significant first; count <= 24.
  uint32_t ReadRaw(uint32_t count) {
    if (count_ < count) Refill();
    return Take(count);
  }

  // Decodes one symbol from the model and adapts the model to it.
  uint32_t DecodeSymbol(QuantumModel* model) {
    if (count_ < kMaxBitsPerSymbol) Refill();
    const uint32_t range = high_ - low_ + 1;
    const uint32_t total = model->cum[0];
    // The entry j with cum[j] > v >= cum[j + 1] for v = ((code - low + 1) * total - 1) / range,
    // found without dividing: cum > v exactly when cum * range >= (code - low + 1) * total.
    // cum[symbols] is 0 and code >= low, so the walk stops inside the model. The entries passed
    // over get the frequency step on the way (cum[j] itself only after it is read).
    const uint32_t scaledCode = (code_ - low_ + 1) * total;
    uint32_t entry = 0;
    while (model->cum[entry + 1] * range >= scaledCode) {
      model->cum[entry] = static_cast<uint16_t>(model->cum[entry] + kQuantumFrequencyStep);
      ++entry;
    }
    const uint32_t upper = model->cum[entry];
    const uint32_t lower = model->cum[entry + 1];
    const uint32_t symbol = model->sym[entry];
    model->cum[entry] = static_cast<uint16_t>(upper + kQuantumFrequencyStep);
    const uint32_t reciprocal = reciprocals_[total];
    high_ = low_ + DivideByTotal(range * upper, total, reciprocal) - 1;
    low_ = low_ + DivideByTotal(range * lower, total, reciprocal);
    Renormalise();
    if (model->cum[0] > kQuantumRescaleLimit) QuantumModelRescale(model);
    return symbol;
  }

 private:
  static constexpr uint32_t kMaxBitsPerSymbol = 32;
  static constexpr uint32_t kMinBitsAfterRefill = 56;
  static constexpr uint32_t kRegisterMask = 0xFFFF;
  static constexpr uint32_t kTopBit = 0x8000;
  static constexpr uint32_t kSecondBit = 0x4000;

  // value / total for value < 2^28: the reciprocal's estimate is exact or one short.
  static uint32_t DivideByTotal(uint32_t value, uint32_t total, uint32_t reciprocal) {
    uint32_t quotient = static_cast<uint32_t>((static_cast<uint64_t>(value) * reciprocal) >> 32);
    if (value - quotient * total >= total) ++quotient;
    return quotient;
  }

  void Refill() {
    if (end_ - next_ >= 8) {
      // Eight bytes at once: the whole bytes that fit are counted; the bits of the next byte
      // that also land in the buffer are the same bits the next refill ORs in again.
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i) word = (word << 8) | next_[i];
      bits_ |= word >> count_;
      const uint32_t whole = (63 - count_) >> 3;
      next_ += whole;
      count_ += whole * 8;
      return;
    }
    while (count_ < kMinBitsAfterRefill) {
      uint64_t byte = 0;
      if (next_ < end_) {
        byte = *next_++;
      } else {
        padding_ += 8;
      }
      bits_ |= byte << (56 - count_);
      count_ += 8;
    }
  }

  // 1 <= count <= count_.
  uint32_t Take(uint32_t count) {
    if (count == 0) return 0;
    const uint32_t value = static_cast<uint32_t>(bits_ >> (64 - count));
    bits_ <<= count;
    count_ -= count;
    return value;
  }

  void Renormalise() {
    const uint32_t shared = (low_ ^ high_) & kRegisterMask;
    const uint32_t same = shared ? static_cast<uint32_t>(__builtin_clz(shared)) - 16 : 16;
    if (same > 0) {
      low_ = (low_ << same) & kRegisterMask;
      high_ = ((high_ << same) | ((1u << same) - 1)) & kRegisterMask;
      code_ = ((code_ << same) | Take(same)) & kRegisterMask;
    }
    // Underflow: low has 0x4000 set and high has it clear.
    while ((low_ & ~high_ & kSecondBit) != 0) {
      code_ ^= kSecondBit;
      low_ = ((low_ & (kSecondBit - 1)) << 1) & kRegisterMask;
      high_ = (((high_ | kSecondBit) << 1) | 1) & kRegisterMask;
      code_ = ((code_ << 1) | Take(1)) & kRegisterMask;
    }
  }

  const uint8_t* next_;
  const uint8_t* end_;
  const uint32_t* reciprocals_;
  uint64_t bits_ = 0;
  uint32_t count_ = 0;
  uint32_t padding_ = 0;
  uint32_t low_ = 0;
  uint32_t high_ = kRegisterMask;
  uint32_t code_ = 0;
};

}  // namespace vorlax
