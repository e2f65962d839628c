// The position-slot tables of the LZX format, computed once from their two rules: slots 0 to 3
// carry no extra bits, slot s from 4 on carries (s - 2) / 2 of them up to 17, and each slot's base
// follows the previous slot's range.
#include "cabinet/lzx_format.h"

namespace vorlax {

namespace {

constexpr uint32_t kMaxExtraBits = 17;
// Slots 0..3 cover the formatted offsets 0..3 (three repeats and distance 1).
constexpr uint32_t kUnextendedSlots = 4;
// Formatted offsets are distance + 2.
constexpr uint32_t kFormattedOffsetBias = 2;

struct SlotTables {
  uint32_t extra[kLzxMaxPositionSlots];
  uint32_t base[kLzxMaxPositionSlots];
};

constexpr SlotTables MakeSlotTables() {
  SlotTables t{};
  uint32_t formatted = 0;
  for (uint32_t s = 0; s < kLzxMaxPositionSlots; ++s) {
    uint32_t e = s < kUnextendedSlots ? 0 : (s - 2) / 2;
    t.extra[s] = e > kMaxExtraBits ? kMaxExtraBits : e;
    t.base[s] = formatted >= kFormattedOffsetBias ? formatted - kFormattedOffsetBias : 0;
    formatted += 1u << t.extra[s];
  }
  return t;
}

constexpr SlotTables kSlots = MakeSlotTables();

}  // namespace

uint32_t LzxExtraBits(uint32_t slot) { return slot < kLzxMaxPositionSlots ? kSlots.extra[slot] : 0; }

uint32_t LzxPositionBase(uint32_t slot) { return slot < kLzxMaxPositionSlots ? kSlots.base[slot] : 0; }

uint32_t LzxPositionSlots(uint32_t windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return 0;
  const uint64_t window = uint64_t{1} << windowBits;
  uint32_t slots = kUnextendedSlots;
  uint64_t covered = kUnextendedSlots;
  while (covered < window && slots < kLzxMaxPositionSlots) {
    covered += uint64_t{1} << kSlots.extra[slots];
    ++slots;
  }
  return slots;
}

}  // namespace vorlax
