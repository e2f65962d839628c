// Literals and matches of the Quantum encoder as model symbols and raw extra bits.
#include "packer/quantum_frame_encoder.h"

#include "cabinet/quantum_tables.h"

namespace vorlax {

uint32_t QuantumMaxDistance(uint32_t slots) {
  if (slots == 0) return 0;
  const uint32_t last = slots - 1;
  return kQuantumPositionBase[last] + (1u << kQuantumPositionExtraBits[last]) - 1 + kQuantumOffsetBias;
}

uint32_t QuantumPositionSlot(uint32_t distance) {
  const uint32_t value = distance - kQuantumOffsetBias;
  if (value < 4) return value;
  const uint32_t top = 31 - static_cast<uint32_t>(__builtin_clz(value));
  return 2 * top + ((value >> (top - 1)) & 1);
}

namespace {

uint32_t LengthSlot(uint32_t value) {
  uint32_t slot = kQuantumLengthSlots - 1;
  while (kQuantumLengthBase[slot] > value) --slot;
  return slot;
}

}  // namespace

QuantumFrameEncoder::QuantumFrameEncoder(uint32_t windowBits) : windowBits_(windowBits) { Reset(); }

void QuantumFrameEncoder::Reset() { QuantumModelsInit(&models_, windowBits_); }

void QuantumFrameEncoder::Literal(uint8_t byte) {
  const uint32_t model = byte / kQuantumLiteralSymbols;
  coder_.EncodeSymbol(&models_.selector, model);
  coder_.EncodeSymbol(&models_.literal[model], byte % kQuantumLiteralSymbols);
}

void QuantumFrameEncoder::WriteDistance(QuantumModel* model, uint32_t distance) {
  const uint32_t slot = QuantumPositionSlot(distance);
  coder_.EncodeSymbol(model, slot);
  coder_.WriteRaw(distance - kQuantumOffsetBias - kQuantumPositionBase[slot], kQuantumPositionExtraBits[slot]);
}

bool QuantumFrameEncoder::Match(uint32_t length, uint32_t distance) {
  if (distance == 0) return false;
  if (length == kQuantumMatch3Length) {
    if (distance > MaxDistance3()) return false;
    coder_.EncodeSymbol(&models_.selector, kQuantumSelectorMatch3);
    WriteDistance(&models_.offset3, distance);
    return true;
  }
  if (length == kQuantumMatch4Length) {
    if (distance > MaxDistance4()) return false;
    coder_.EncodeSymbol(&models_.selector, kQuantumSelectorMatch4);
    WriteDistance(&models_.offset4, distance);
    return true;
  }
  if (length < kQuantumLongMatchBase || length > kQuantumMaxMatchLength || distance > MaxDistanceLong()) {
    return false;
  }
  const uint32_t value = length - kQuantumLongMatchBase;
  const uint32_t slot = LengthSlot(value);
  coder_.EncodeSymbol(&models_.selector, kQuantumSelectorLongMatch);
  coder_.EncodeSymbol(&models_.length, slot);
  coder_.WriteRaw(value - kQuantumLengthBase[slot], kQuantumLengthExtraBits[slot]);
  WriteDistance(&models_.offsetLong, distance);
  return true;
}

void QuantumFrameEncoder::EndFrame(std::string* out) { coder_.Finish(out); }

}  // namespace vorlax
