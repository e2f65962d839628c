// The fixed tables of the Quantum method, shared by the decoder and the packer's encoder: window
// limits, the seven model sizes, the position slots (offset bases and extra bits) and the length
// slots of the longer matches.
//
// Trap: the offset coded for a match is one less than the distance back; the length of a
// selector-6 match is its slot's base + extra bits + 5. Both sides must add the same constants,
// so they are named here once.
#pragma once

#include <cstdint>

namespace vorlax {

constexpr uint32_t kQuantumMinWindowBits = 10;
constexpr uint32_t kQuantumMaxWindowBits = 21;

// Extra input space a frame may need beyond its output size (the reader allocates max + this).
constexpr uint32_t kQuantumInputSlack = 10240;

// Selector symbols: 0-3 literal from literal model 0-3, then the three match kinds.
constexpr uint32_t kQuantumSelectorSymbols = 7;
constexpr uint32_t kQuantumLiteralModels = 4;
constexpr uint32_t kQuantumLiteralSymbols = 64;  // literal model k codes bytes 64k .. 64k + 63
constexpr uint32_t kQuantumSelectorMatch3 = 4;
constexpr uint32_t kQuantumSelectorMatch4 = 5;
constexpr uint32_t kQuantumSelectorLongMatch = 6;

// The largest model (a literal model) and the largest slot counts.
constexpr uint32_t kQuantumMaxModelSymbols = 64;
constexpr uint32_t kQuantumPositionSlots = 42;
constexpr uint32_t kQuantumMatch3MaxSlots = 24;
constexpr uint32_t kQuantumMatch4MaxSlots = 36;
constexpr uint32_t kQuantumLengthSlots = 27;

// Match lengths: kinds 4 and 5 have fixed lengths; kind 6 adds kQuantumLongMatchBase to its slot.
constexpr uint32_t kQuantumMatch3Length = 3;
constexpr uint32_t kQuantumMatch4Length = 4;
constexpr uint32_t kQuantumLongMatchBase = 5;
constexpr uint32_t kQuantumMaxMatchLength = 254 + kQuantumLongMatchBase;  // slot 26, no extra bits

// A match's distance back is its slot base + extra bits + this.
constexpr uint32_t kQuantumOffsetBias = 1;

// Model adaptation: every coded symbol adds kQuantumFrequencyStep to the frequencies up to it;
// a total above kQuantumRescaleLimit rescales the model.
constexpr uint16_t kQuantumFrequencyStep = 8;
constexpr uint16_t kQuantumRescaleLimit = 3800;
constexpr uint16_t kQuantumFirstRebuildCountdown = 4;
constexpr uint16_t kQuantumRebuildCountdown = 50;

// Position slot s (s >= 2) has s / 2 - 1 extra bits; its base is the sum of 2^extra of the slots
// before it.
constexpr uint8_t kQuantumPositionExtraBits[kQuantumPositionSlots] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9,
    9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19};
constexpr uint32_t kQuantumPositionBase[kQuantumPositionSlots] = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,
    48,     64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,
    2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,
    98304,  131072, 196608, 262144, 393216, 524288, 786432, 1048576, 1572864};

constexpr uint8_t kQuantumLengthExtraBits[kQuantumLengthSlots] = {
    0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint32_t kQuantumLengthBase[kQuantumLengthSlots] = {
    0,  1,  2,  3,  4,  5,  6,  8,  10,  12,  14,  18,  22, 26,
    30, 38, 46, 54, 62, 78, 94, 110, 126, 158, 190, 222, 254};

// The position slots whose base lies below 2^windowBits: two per window bit.
constexpr uint32_t QuantumWindowSlots(uint32_t windowBits) { return 2 * windowBits; }

}  // namespace vorlax
