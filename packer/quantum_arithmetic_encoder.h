// The arithmetic encoder of one Quantum frame, the mirror of the decoder's coder, with the raw
// extra bits merged into the same bit stream.
//
// Trap: the decoder keeps 16 bits of look-ahead in its code register and more while an underflow
// is pending, so when it reads raw extra bits they come after coder bit number 16 + (its shifts so
// far), a position the encoder has not written yet. Raw bits are therefore queued with that
// position and written once the coder's output has caught up with it. A frame ends with a flush
// of 16 + pending bits (the final low register), which is exactly what the decoder reads, so a
// frame needs no bytes beyond the one holding its last bit; it is padded with 2 to 9 zero bits
// (see Finish).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/quantum_model.h"

namespace vorlax {

class QuantumArithmeticEncoder {
 public:
  // Codes `symbol` (which the model must hold) and adapts the model to it.
  void EncodeSymbol(QuantumModel* model, uint32_t symbol);
  // Raw bits, most significant first; count <= 24.
  void WriteRaw(uint32_t value, uint32_t count);
  // Flushes the coder and appends the frame's bytes (the last byte padded with zero bits) to *out.
  // The encoder is ready for a new frame afterwards.
  void Finish(std::string* out);

 private:
  struct RawBits {
    uint64_t position;  // coder bits that precede these bits in the stream
    uint32_t value;
    uint32_t count;
  };

  void Encode(uint32_t upper, uint32_t lower, uint32_t total);
  void EmitWithPending(uint32_t bit);
  void EmitCoderBit(uint32_t bit);
  void PutBits(uint32_t value, uint32_t count);

  uint32_t low_ = 0;
  uint32_t high_ = 0xFFFF;
  uint32_t pending_ = 0;       // underflow bits to follow the next determined bit
  uint64_t shifts_ = 0;        // renormalisation shifts, the decoder's as well
  uint64_t coderBitsOut_ = 0;  // coder bits written to the stream
  std::vector<RawBits> queued_;
  size_t queuedHead_ = 0;
  std::string bytes_;
  uint32_t bitBuffer_ = 0;
  uint32_t bitCount_ = 0;
};

}  // namespace vorlax
