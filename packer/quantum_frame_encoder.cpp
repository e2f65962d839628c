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

uint32_t Smaller(uint32_t a, uint32_t b) { return a < b ? a : b; }

}  // namespace

QuantumFrameEncoder::QuantumFrameEncoder(uint32_t windowBits) : windowBits_(windowBits) { Reset(); }

void QuantumFrameEncoder::Reset() {
  const uint32_t slots = QuantumWindowSlots(windowBits_);
  QuantumModelInit(&selector_, kQuantumSelectorSymbols);
  for (QuantumModel& model : literal_) QuantumModelInit(&model, kQuantumLiteralSymbols);
  QuantumModelInit(&offset3_, Smaller(slots, kQuantumMatch3MaxSlots));
  QuantumModelInit(&offset4_, Smaller(slots, kQuantumMatch4MaxSlots));
  QuantumModelInit(&offsetLong_, slots);
  QuantumModelInit(&length_, kQuantumLengthSlots);
}

void QuantumFrameEncoder::Literal(uint8_t byte) {
  const uint32_t model = byte / kQuantumLiteralSymbols;
  coder_.EncodeSymbol(&selector_, model);
  coder_.EncodeSymbol(&literal_[model], byte % kQuantumLiteralSymbols);
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
    coder_.EncodeSymbol(&selector_, kQuantumSelectorMatch3);
    WriteDistance(&offset3_, distance);
    return true;
  }
  if (length == kQuantumMatch4Length) {
    if (distance > MaxDistance4()) return false;
    coder_.EncodeSymbol(&selector_, kQuantumSelectorMatch4);
    WriteDistance(&offset4_, distance);
    return true;
  }
  if (length < kQuantumLongMatchBase || length > kQuantumMaxMatchLength || distance > MaxDistanceLong()) {
    return false;
  }
  const uint32_t value = length - kQuantumLongMatchBase;
  const uint32_t slot = LengthSlot(value);
  coder_.EncodeSymbol(&selector_, kQuantumSelectorLongMatch);
  coder_.EncodeSymbol(&length_, slot);
  coder_.WriteRaw(value - kQuantumLengthBase[slot], kQuantumLengthExtraBits[slot]);
  WriteDistance(&offsetLong_, distance);
  return true;
}

void QuantumFrameEncoder::EndFrame(std::string* out) { coder_.Finish(out); }

}  // namespace vorlax
