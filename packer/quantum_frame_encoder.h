// The symbol level of the Quantum encoder: literals and matches turned into model symbols and raw
// extra bits, with the seven models kept exactly as the decoder keeps them.
//
// The models persist across frames until Reset (a new folder); each frame has its own arithmetic
// coder. Nothing here checks that a match's source lies in the decoder's history: the match
// finder guarantees that, and tests use this level to write streams the decoder must refuse.
#pragma once

#include <cstdint>
#include <string>

#include "cabinet/quantum_model.h"
#include "packer/quantum_arithmetic_encoder.h"

namespace vorlax {

// The farthest distance a match model with `slots` position slots can code.
uint32_t QuantumMaxDistance(uint32_t slots);

// Position slot of a distance (distance >= 1, below 2^21).
uint32_t QuantumPositionSlot(uint32_t distance);

class QuantumFrameEncoder {
 public:
  explicit QuantumFrameEncoder(uint32_t windowBits);

  // Every model back to its initial contents, as the decoder's reset does.
  void Reset();

  void Literal(uint8_t byte);
  // Codes a match; false (nothing written) when no match kind can code this length at this
  // distance: length 3 reaches MaxDistance3(), length 4 MaxDistance4(), lengths 5..259 the window.
  bool Match(uint32_t length, uint32_t distance);
  // Ends the frame and appends its bytes to *out.
  void EndFrame(std::string* out);

  uint32_t MaxDistance3() const { return QuantumMaxDistance(models_.offset3.symbols); }
  uint32_t MaxDistance4() const { return QuantumMaxDistance(models_.offset4.symbols); }
  uint32_t MaxDistanceLong() const { return QuantumMaxDistance(models_.offsetLong.symbols); }

 private:
  void WriteDistance(QuantumModel* model, uint32_t distance);

  uint32_t windowBits_;
  QuantumArithmeticEncoder coder_;
  QuantumModels models_;
};

}  // namespace vorlax
