// The constants of the LZX format shared by the decoder (src/cabinet) and the encoder (packer/):
// window limits, alphabet sizes, block types, the position-slot tables and the frame rules.
//
// Trap: position bases are stored minus 2, so that a formatted offset decodes straight into a
// match distance (slot 3 means distance 1); slots 0 to 2 are the three repeated offsets and have
// no base of their own.
#pragma once

#include <cstdint>

namespace vorlax {

constexpr uint32_t kLzxMinWindowBits = 15;
constexpr uint32_t kLzxMaxWindowBits = 21;

// Bytes of output per frame; every data block of a folder but its last holds one whole frame.
constexpr uint32_t kLzxFrameSize = 32768;
// The compressed-block buffer the reader needs beyond the maximum output.
constexpr uint32_t kLzxInputSlack = 6144;

constexpr uint32_t kLzxLiteralCount = 256;
constexpr uint32_t kLzxLengthHeaders = 8;            // main-tree symbols per position slot
constexpr uint32_t kLzxMaxPositionSlots = 50;
constexpr uint32_t kLzxMainSymbolsMax = kLzxLiteralCount + kLzxLengthHeaders * kLzxMaxPositionSlots;
constexpr uint32_t kLzxLengthSymbols = 249;
constexpr uint32_t kLzxAlignedSymbols = 8;
constexpr uint32_t kLzxPretreeSymbols = 20;

constexpr uint32_t kLzxMinMatch = 2;
constexpr uint32_t kLzxMaxMatch = 257;
// A length header of 7 means "add a length-tree symbol".
constexpr uint32_t kLzxLengthHeaderEscape = 7;
constexpr uint32_t kLzxRepeatedOffsets = 3;
constexpr uint32_t kLzxMaxCodeLength = 16;

// Bit widths of the header fields.
constexpr uint32_t kLzxBlockTypeBits = 3;
constexpr uint32_t kLzxBlockSizeBits = 24;
constexpr uint32_t kLzxAlignedLengthBits = 3;
constexpr uint32_t kLzxPretreeLengthBits = 4;
constexpr uint32_t kLzxAlignedOffsetBits = 3;  // low offset bits carried by the aligned tree

// Pretree symbols: 0..16 are length deltas, the rest are runs.
constexpr uint32_t kLzxPretreeDeltaLimit = 17;  // deltas are taken modulo 17
constexpr uint32_t kLzxPretreeShortZeros = 17;  // 4 + (4 bits) zeros
constexpr uint32_t kLzxPretreeLongZeros = 18;   // 20 + (5 bits) zeros
constexpr uint32_t kLzxPretreeSameRun = 19;     // 4 + (1 bit) copies of one delta-coded length

// Call translation: frames from this count on are left as they are.
constexpr uint32_t kLzxTranslationFrameLimit = 32768;

enum LzxBlockType : uint32_t {
  kLzxBlockNone = 0,
  kLzxBlockVerbatim = 1,
  kLzxBlockAligned = 2,
  kLzxBlockUncompressed = 3,
};

namespace lzx_detail {

constexpr uint32_t kMaxExtraBits = 17;
// Slots 0..3 cover the formatted offsets 0..3 (three repeats and distance 1).
constexpr uint32_t kUnextendedSlots = 4;
// Formatted offsets are distance + 2.
constexpr uint32_t kFormattedOffsetBias = 2;

struct SlotTables {
  uint32_t extra[kLzxMaxPositionSlots];
  uint32_t base[kLzxMaxPositionSlots];
};

// Slots 0 to 3 carry no extra bits, slot s from 4 on (s - 2) / 2 of them up to 17; each slot's
// base follows the previous slot's range.
constexpr SlotTables MakeSlotTables() {
  SlotTables t{};
  uint32_t formatted = 0;
  for (uint32_t s = 0; s < kLzxMaxPositionSlots; ++s) {
    const uint32_t e = s < kUnextendedSlots ? 0 : (s - 2) / 2;
    t.extra[s] = e > kMaxExtraBits ? kMaxExtraBits : e;
    t.base[s] = formatted >= kFormattedOffsetBias ? formatted - kFormattedOffsetBias : 0;
    formatted += 1u << t.extra[s];
  }
  return t;
}

inline constexpr SlotTables kSlotTables = MakeSlotTables();

}  // namespace lzx_detail

// Number of extra offset bits of a position slot (slot < 50).
inline uint32_t LzxExtraBits(uint32_t slot) { return lzx_detail::kSlotTables.extra[slot]; }
// Position base of a slot minus 2 (slots 3 and up; the distance is this plus the extra bits).
inline uint32_t LzxPositionBase(uint32_t slot) { return lzx_detail::kSlotTables.base[slot]; }
// Number of position slots for a window of 2^windowBits bytes (30 for 2^15 ... 50 for 2^21),
// 0 for an exponent outside 15..21.
uint32_t LzxPositionSlots(uint32_t windowBits);
// Main-tree symbol count for a window: 256 literals plus 8 per position slot.
inline uint32_t LzxMainSymbols(uint32_t slots) { return kLzxLiteralCount + kLzxLengthHeaders * slots; }

}  // namespace vorlax
