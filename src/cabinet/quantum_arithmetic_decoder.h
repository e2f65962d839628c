// The bit input and arithmetic decoder of one Quantum frame (internal to the Quantum decoder).
//
// One 64-bit register holds the coder's 16-bit code in its top bits and the input bits that
// follow it below, so that shifting the code left takes the next input bits in the same step.
// `buffered_` counts the valid bits below the code (it starts at -16, before the code is
// loaded). Past the frame's last byte zero bytes are appended and counted in `padding_`, so the
// input is exhausted exactly when some of those padding bits reached the code (padding_ >
// buffered_). A refill leaves at least kMinBufferedBits below the code: enough for one symbol
// (at most 30 renormalisation bits) or one run of raw extra bits (at most 19). Raw extra bits
// are taken from just below the code, which stays in place.
//
// Dividing is slow and sits on the path from one symbol to the next, so the symbol search of a
// narrow model compares products instead of dividing by the range, and the division by the
// model's total multiplies by a reciprocal from a table. A wide model is searched with SSE2
// where the compiler targets it: one division, then eight entries compared per step.
//
// Coder: 16-bit low, high and code with low <= code <= high always (whatever the input bits, so a
// decoded value always names an entry of the model). Renormalisation shifts out the leading bits
// that low and high share in one step, then takes the underflow steps (low in 0x4000..0x7FFF,
// high in 0x8000..0xBFFF) one bit at a time.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cabinet/quantum_model.h"
#include "cabinet/quantum_reciprocals.h"

namespace vorlax {

class QuantumArithmeticDecoder {
 public:
  // Starts the coder on a frame: the first 16 bits become the code register.
  QuantumArithmeticDecoder(const uint8_t* input, uint32_t length)
      : next_(input), end_(input + length), reciprocals_(QuantumTotalReciprocals()) {
    Refill();
  }

  bool Exhausted() const { return padding_ > buffered_; }

  // Raw extra bits, most significant first; count <= 24.
  uint32_t ReadRaw(uint32_t count) {
    if (count == 0) return 0;
    if (buffered_ < static_cast<int32_t>(count)) Refill();
    const uint64_t below = stream_ << kCodeBits;
    const uint32_t value = static_cast<uint32_t>(below >> (64 - count));
    stream_ = (stream_ & kCodeField) | ((below << count) >> kCodeBits);
    buffered_ -= static_cast<int32_t>(count);
    return value;
  }

  // Decodes one symbol from the model and adapts the model to it.
  uint32_t DecodeSymbol(QuantumModel* model) {
    // Refilled unless the register is full (rare): whether a refill is due by the symbol's bits
    // depends on the bits the last symbols took, a branch the processor mispredicts often; where
    // 8 input bytes remain the refill itself has no branch.
    if (buffered_ < kFullBufferedBits) Refill();
    const uint32_t code = Code();
    const uint32_t range = high_ - low_ + 1;
    const uint32_t total = model->cum[0];
    const uint32_t entry = FindEntry(model, code, range, total);
    // FindEntry has already added the step to cum[0..entry].
    const uint32_t upper = model->cum[entry] - kQuantumFrequencyStep;
    const uint32_t lower = model->cum[entry + 1];
    const uint32_t symbol = model->sym[entry];
    const uint64_t reciprocal = reciprocals_[total];
    high_ = low_ + QuantumDivideByTotal(range * upper, reciprocal) - 1;
    low_ = low_ + QuantumDivideByTotal(range * lower, reciprocal);
    Renormalise();
    if (model->cum[0] > kQuantumRescaleLimit) QuantumModelRescale(model);
    return symbol;
  }

 private:
  static constexpr int32_t kCodeBits = 16;
  static constexpr uint64_t kCodeField = 0xFFFF000000000000ull;
  static constexpr int32_t kFullBufferedBits = 64 - kCodeBits;
  static constexpr int32_t kMinBufferedBits = 40;
  static constexpr uint32_t kRegisterMask = 0xFFFF;
  static constexpr uint32_t kSecondBit = 0x4000;
  static constexpr uint64_t kCodeSecondBit = uint64_t{kSecondBit} << 48;

  uint32_t Code() const { return static_cast<uint32_t>(stream_ >> 48); }

  // Symbol search: FindEntry returns the entry j with cum[j] > v >= cum[j + 1] for
  // v = ((code - low + 1) * total - 1) / range, and has added the frequency step to cum[0..j].

  // The search as a walk that compares products instead of dividing: cum > v exactly when
  // cum * range >= (code - low + 1) * total. cum[n] is 0 and code >= low, so the walk stops
  // inside the model. Entries passed over get the frequency step on the way.
  uint32_t WalkEntry(QuantumModel* model, uint32_t code, uint32_t range, uint32_t total) const {
    const uint32_t scaledCode = (code - low_ + 1) * total;
    uint32_t entry = 0;
    while (model->cum[entry + 1] * range >= scaledCode) {
      model->cum[entry] = static_cast<uint16_t>(model->cum[entry] + kQuantumFrequencyStep);
      ++entry;
    }
    model->cum[entry] = static_cast<uint16_t>(model->cum[entry] + kQuantumFrequencyStep);
    return entry;
  }

#if defined(__SSE2__)
  // The search as a count, after one division for v. As cum strictly decreases, the entries 0..j are
  // exactly those with cum > v: j + 1 is their count, and the same comparison masks the step.
  // Eight entries are compared at once, so no branch depends on where the symbol lies. Every
  // value fits a signed 16-bit lane (totals stay below 2^15), and the entries past cum[n] are 0
  // (QuantumModelInit), so lanes after the model never count.
  uint32_t CountEntry(QuantumModel* model, uint32_t code, uint32_t range, uint32_t total) const {
    const uint32_t target = ((code - low_ + 1) * total - 1) / range;
    const __m128i v = _mm_set1_epi16(static_cast<int16_t>(target));
    const __m128i step = _mm_set1_epi16(static_cast<int16_t>(kQuantumFrequencyStep));
    const uint32_t groups = (model->symbols + kLanes - 1) / kLanes;
    __m128i* cum = reinterpret_cast<__m128i*>(model->cum);
    __m128i above = _mm_setzero_si128();
    for (uint32_t g = 0; g < groups; ++g) {
      const __m128i values = _mm_loadu_si128(cum + g);
      const __m128i greater = _mm_cmpgt_epi16(values, v);
      above = _mm_sub_epi16(above, greater);
      _mm_storeu_si128(cum + g, _mm_add_epi16(values, _mm_and_si128(greater, step)));
    }
    // Each lane holds at most `groups`, so the byte sums of the two halves are the lane sums.
    const __m128i halves = _mm_sad_epu8(above, _mm_setzero_si128());
    const uint32_t count = static_cast<uint32_t>(_mm_cvtsi128_si32(halves) + _mm_extract_epi16(halves, 4));
    return count - 1;
  }

  static constexpr uint32_t kLanes = 8;

  // Wide models (the literal models, and the offset models of 30 or more slots, from window 15
  // on) are counted: their walks are long and end at hard-to-predict places, which costs more
  // than the division. Narrow ones (the selector, the length model, the offset models of small
  // windows) are walked: their frequent symbols at the front end the walk early. The split was
  // chosen by measuring both ways on text and program data.
  uint32_t FindEntry(QuantumModel* model, uint32_t code, uint32_t range, uint32_t total) const {
    if (model->symbols < kCountedModelSymbols) return WalkEntry(model, code, range, total);
    return CountEntry(model, code, range, total);
  }

  static constexpr uint32_t kCountedModelSymbols = 30;
#else
  uint32_t FindEntry(QuantumModel* model, uint32_t code, uint32_t range, uint32_t total) const {
    return WalkEntry(model, code, range, total);
  }
#endif


  // Fills the register below the code and the buffered bits. The byte after the last whole one
  // may land in the register too: those are the very bits the next refill ORs in again.
  void Refill() {
    if (end_ - next_ >= 8) {
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i) word = (word << 8) | next_[i];
      stream_ |= word >> (kCodeBits + buffered_);
      const int32_t whole = (64 - kCodeBits - buffered_) >> 3;
      next_ += whole;
      buffered_ += whole * 8;
      return;
    }
    while (buffered_ < kMinBufferedBits) {
      uint64_t byte = 0;
      if (next_ < end_) {
        byte = *next_++;
      } else {
        padding_ += 8;
      }
      stream_ |= byte << (64 - kCodeBits - 8 - buffered_);
      buffered_ += 8;
    }
  }

  void Renormalise() {
    const uint32_t shared = (low_ ^ high_) & kRegisterMask;
    const uint32_t same = shared ? static_cast<uint32_t>(__builtin_clz(shared)) - 16 : 16;
    if (same > 0) {
      low_ = (low_ << same) & kRegisterMask;
      high_ = ((high_ << same) | ((1u << same) - 1)) & kRegisterMask;
      stream_ <<= same;
      buffered_ -= static_cast<int32_t>(same);
    }
    // Underflow: low has 0x4000 set and high has it clear.
    while ((low_ & ~high_ & kSecondBit) != 0) {
      low_ = ((low_ & (kSecondBit - 1)) << 1) & kRegisterMask;
      high_ = (((high_ | kSecondBit) << 1) | 1) & kRegisterMask;
      stream_ = (stream_ ^ kCodeSecondBit) << 1;
      buffered_ -= 1;
    }
  }

  const uint8_t* next_;
  const uint8_t* end_;
  const uint64_t* reciprocals_;
  uint64_t stream_ = 0;     // code in bits 63-48, then the next input bits
  int32_t buffered_ = -kCodeBits;  // valid bits below the code
  int32_t padding_ = 0;
  uint32_t low_ = 0;
  uint32_t high_ = kRegisterMask;
};

}  // namespace vorlax
