// Block headers of the LZX format:
//   stream header (first frame after a reset only): 1 bit; when 1, the translation size as a
//     16-bit high half then a 16-bit low half;
//   block type (3 bits) and block size (24 bits, most significant first);
//   aligned-offset blocks: 8 aligned-tree lengths of 3 bits each;
//   verbatim and aligned-offset blocks: main-tree lengths 0..255 and 256..end, then the 249
//     length-tree lengths, each of the three runs coded with its own pretree as deltas against
//     the tree's previous lengths;
//   uncompressed blocks: 1 to 16 bits of padding up to a 16-bit boundary, then R0, R1, R2 as
//     32-bit little-endian values, then the bytes themselves.
#include "cabinet/lzx_block_header.h"

#include "base/little_endian.h"
#include "cabinet/lzx_symbol_decoder.h"

namespace vorlax {

namespace {

constexpr uint32_t kHalfWordBits = 16;
constexpr uint32_t kShortZeroBase = 4;
constexpr uint32_t kShortZeroBits = 4;
constexpr uint32_t kLongZeroBase = 20;
constexpr uint32_t kLongZeroBits = 5;
constexpr uint32_t kSameRunBase = 4;
constexpr uint32_t kSameRunBits = 1;
constexpr uint32_t kRepeatedOffsetBytes = 4 * kLzxRepeatedOffsets;

uint8_t DeltaLength(uint8_t previous, uint32_t delta) {
  return static_cast<uint8_t>((previous + kLzxPretreeDeltaLimit - delta) % kLzxPretreeDeltaLimit);
}

// Reads the pretree, then lengths[first, end) as pretree-coded deltas against their current
// values. A run that would pass `end` is cut there.
bool ReadLengthRun(LzxState* state, LzxBitReader& bits, uint8_t* lengths, uint32_t first,
                   uint32_t end) {
  uint8_t pretreeLengths[kLzxPretreeSymbols];
  for (uint32_t i = 0; i < kLzxPretreeSymbols; ++i) {
    pretreeLengths[i] = static_cast<uint8_t>(bits.Read(kLzxPretreeLengthBits));
  }
  if (!BuildLzxDecodeTable(pretreeLengths, kLzxTableComplete, &state->pretreeTable)) return false;
  if (state->pretreeTable.empty) return first == end;
  uint32_t i = first;
  while (i < end) {
    if (bits.Overrun()) return false;
    bits.Refill();
    uint32_t symbol = 0;
    if (!LzxDecodeSymbol(state->pretreeTable, bits, &symbol)) return false;
    uint32_t run = 0;
    if (symbol < kLzxPretreeDeltaLimit) {
      lengths[i] = DeltaLength(lengths[i], symbol);
      ++i;
      continue;
    }
    uint8_t value = 0;
    if (symbol == kLzxPretreeShortZeros) {
      run = kShortZeroBase + bits.Read(kShortZeroBits);
    } else if (symbol == kLzxPretreeLongZeros) {
      run = kLongZeroBase + bits.Read(kLongZeroBits);
    } else {
      run = kSameRunBase + bits.Read(kSameRunBits);
      uint32_t delta = 0;
      if (!LzxDecodeSymbol(state->pretreeTable, bits, &delta)) return false;
      // Only a delta can follow; a run symbol here has no meaning.
      if (delta >= kLzxPretreeDeltaLimit) return false;
      value = DeltaLength(lengths[i], delta);
    }
    for (; run > 0 && i < end; --run) lengths[i++] = value;
  }
  return !bits.Overrun();
}

bool ReadAlignedTree(LzxState* state, LzxBitReader& bits) {
  for (uint32_t i = 0; i < kLzxAlignedSymbols; ++i) {
    state->alignedLengths[i] = static_cast<uint8_t>(bits.Read(kLzxAlignedLengthBits));
  }
  return BuildLzxDecodeTable(state->alignedLengths, kLzxTableMayBeIncomplete, &state->alignedTable);
}

bool ReadMainAndLengthTrees(LzxState* state, LzxBitReader& bits) {
  if (!ReadLengthRun(state, bits, state->mainLengths, 0, kLzxLiteralCount)) return false;
  if (!ReadLengthRun(state, bits, state->mainLengths, kLzxLiteralCount, state->mainSymbols)) {
    return false;
  }
  if (!BuildLzxDecodeTable(state->mainLengths, kLzxTableComplete, &state->mainTable)) return false;
  // A block with bytes to decode needs at least one main-tree code.
  if (state->mainTable.empty && state->blockSize != 0) return false;
  if (!ReadLengthRun(state, bits, state->lengthLengths, 0, kLzxLengthSymbols)) return false;
  return BuildLzxDecodeTable(state->lengthLengths, kLzxTableComplete, &state->lengthTable);
}

bool ReadRepeatedOffsets(LzxState* state, LzxFrameInput* input) {
  const uint32_t position = input->bits.AlignedBytePosition();
  if (position > input->size || input->size - position < kRepeatedOffsetBytes) return false;
  for (uint32_t i = 0; i < kLzxRepeatedOffsets; ++i) {
    state->repeated[i] = ReadLe32(input->data + position + 4 * i);
  }
  input->raw = true;
  input->rawPosition = position + kRepeatedOffsetBytes;
  return true;
}

// After an uncompressed block of this frame: its padding byte, then bits again from there.
void ResumeBits(LzxFrameInput* input) {
  if (!input->raw) return;
  if (input->padPending && input->rawPosition < input->size) ++input->rawPosition;
  input->padPending = false;
  input->raw = false;
  input->bits.Start(input->data, input->size, input->rawPosition, input->swapped);
}

void ReadStreamHeader(LzxState* state, LzxBitReader& bits) {
  state->translationSize = 0;
  if (bits.Read(1)) {
    const uint32_t high = bits.Read(kHalfWordBits);
    const uint32_t low = bits.Read(kHalfWordBits);
    state->translationSize = (high << kHalfWordBits) | low;
  }
  state->streamHeaderNeeded = false;
}

}  // namespace

bool LzxReadBlockHeader(LzxState* state, LzxFrameInput* input) {
  ResumeBits(input);
  LzxBitReader& bits = input->bits;
  bits.Refill();
  if (state->streamHeaderNeeded) ReadStreamHeader(state, bits);
  const uint32_t type = bits.Read(kLzxBlockTypeBits);
  state->blockSize = bits.Read(kLzxBlockSizeBits);
  state->blockLeft = state->blockSize;
  if (bits.Overrun()) return false;
  switch (type) {
    case kLzxBlockAligned:
      if (!ReadAlignedTree(state, bits)) return false;
      if (!ReadMainAndLengthTrees(state, bits)) return false;
      break;
    case kLzxBlockVerbatim:
      if (!ReadMainAndLengthTrees(state, bits)) return false;
      break;
    case kLzxBlockUncompressed:
      if (!ReadRepeatedOffsets(state, input)) return false;
      break;
    default:
      return false;
  }
  state->blockType = static_cast<LzxBlockType>(type);
  state->headerNeeded = false;
  return !input->bits.Overrun();
}

}  // namespace vorlax
