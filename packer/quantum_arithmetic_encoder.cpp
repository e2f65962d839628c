// The Quantum frame's arithmetic encoder and its bit output.
#include "packer/quantum_arithmetic_encoder.h"

namespace vorlax {

namespace {
constexpr uint32_t kRegisterMask = 0xFFFF;
constexpr uint32_t kTopBit = 0x8000;
constexpr uint32_t kSecondBit = 0x4000;
constexpr uint32_t kRegisterBits = 16;
constexpr uint32_t kMinPaddingBits = 2;
}  // namespace

void QuantumArithmeticEncoder::EncodeSymbol(QuantumModel* model, uint32_t symbol) {
  uint32_t entry = 0;
  while (entry < model->symbols && model->sym[entry] != symbol) ++entry;
  if (entry == model->symbols) return;  // not a symbol of this model: callers never ask for one
  Encode(model->cum[entry], model->cum[entry + 1], model->cum[0]);
  QuantumModelUpdate(model, entry);
}

void QuantumArithmeticEncoder::Encode(uint32_t upper, uint32_t lower, uint32_t total) {
  const uint32_t range = high_ - low_ + 1;
  high_ = low_ + range * upper / total - 1;
  low_ = low_ + range * lower / total;
  for (;;) {
    if (((low_ ^ high_) & kTopBit) == 0) {
      EmitWithPending((high_ >> 15) & 1);
    } else if ((low_ & kSecondBit) && !(high_ & kSecondBit)) {
      ++pending_;
      low_ &= kSecondBit - 1;
      high_ |= kSecondBit;
    } else {
      break;
    }
    low_ = (low_ << 1) & kRegisterMask;
    high_ = ((high_ << 1) | 1) & kRegisterMask;
    ++shifts_;
  }
}

void QuantumArithmeticEncoder::EmitWithPending(uint32_t bit) {
  EmitCoderBit(bit);
  for (; pending_ > 0; --pending_) EmitCoderBit(bit ^ 1);
}

void QuantumArithmeticEncoder::EmitCoderBit(uint32_t bit) {
  PutBits(bit, 1);
  ++coderBitsOut_;
  while (queuedHead_ < queued_.size() && queued_[queuedHead_].position == coderBitsOut_) {
    PutBits(queued_[queuedHead_].value, queued_[queuedHead_].count);
    ++queuedHead_;
  }
}

void QuantumArithmeticEncoder::WriteRaw(uint32_t value, uint32_t count) {
  if (count == 0) return;
  // The coder's output always lags the decoder's reads by at least 16 bits, so these bits wait.
  queued_.push_back({kRegisterBits + shifts_, value, count});
}

void QuantumArithmeticEncoder::PutBits(uint32_t value, uint32_t count) {
  for (uint32_t i = count; i > 0; --i) {
    bitBuffer_ = (bitBuffer_ << 1) | ((value >> (i - 1)) & 1);
    if (++bitCount_ == 8) {
      bytes_.push_back(static_cast<char>(bitBuffer_));
      bitBuffer_ = 0;
      bitCount_ = 0;
    }
  }
}

void QuantumArithmeticEncoder::Finish(std::string* out) {
  // The final low lies in the final interval; its 16 bits (the pending underflow bits after the
  // first) are what the decoder's code register reads last.
  EmitWithPending((low_ >> 15) & 1);
  for (int bit = 14; bit >= 0; --bit) EmitCoderBit((low_ >> bit) & 1);
  for (; queuedHead_ < queued_.size(); ++queuedHead_) {
    PutBits(queued_[queuedHead_].value, queued_[queuedHead_].count);
  }
  // Some decoders read two bits past the coder's last one and refuse a frame that leaves a whole
  // byte unread, so the frame ends with 2 to 9 zero bits.
  uint32_t padding = (8 - bitCount_) % 8;
  if (padding < kMinPaddingBits) padding += 8;
  PutBits(0, padding);
  out->append(bytes_);
  *this = QuantumArithmeticEncoder();
}

}  // namespace vorlax
