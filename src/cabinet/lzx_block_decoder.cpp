// The inner loops of the LZX decoder.
//
// A match is checked before it is copied: its distance must lie within the history decoded
// since the reset (and within the window), and its length within the bytes still wanted from the
// block in this frame. The copy itself then needs no further checks: the fast path covers a
// match whose source and destination both lie before the window's end and that does not overlap
// itself within 8 bytes; everything else goes byte by byte with the window mask.
#include "cabinet/lzx_block_decoder.h"

#include <cstring>

#include "cabinet/lzx_symbol_decoder.h"

namespace vorlax {

namespace {

constexpr uint32_t kChunk = 8;
// Refill before every symbol when fewer bits than this remain: a main symbol, a length symbol,
// 17 extra bits and an aligned symbol fit in 48 bits.
constexpr uint32_t kSymbolBits = 48;

void CopyMatch(uint8_t* window, uint32_t mask, uint32_t size, uint32_t position, uint32_t distance,
               uint32_t length) {
  const uint32_t source = (position - distance) & mask;
  if (source + length <= size && position + length <= size && distance >= kChunk) {
    uint8_t* to = window + position;
    const uint8_t* from = window + source;
    uint32_t left = length;
    while (left >= kChunk) {
      uint64_t chunk;
      std::memcpy(&chunk, from, kChunk);
      std::memcpy(to, &chunk, kChunk);
      from += kChunk;
      to += kChunk;
      left -= kChunk;
    }
    while (left-- > 0) *to++ = *from++;
    return;
  }
  for (uint32_t i = 0; i < length; ++i) {
    window[(position + i) & mask] = window[(source + i) & mask];
  }
}

// The match distance of a position slot, updating the repeated offsets.
uint32_t SlotDistance(LzxState* state, LzxBitReader& bits, uint32_t slot, bool aligned,
                      bool* ok) {
  uint32_t* r = state->repeated;
  if (slot < kLzxRepeatedOffsets) {
    const uint32_t distance = r[slot];
    r[slot] = r[0];
    r[0] = distance;
    return distance;
  }
  const uint32_t extra = LzxExtraBits(slot);
  uint32_t distance = LzxPositionBase(slot);
  if (aligned && extra >= kLzxAlignedOffsetBits) {
    distance += bits.Read(extra - kLzxAlignedOffsetBits) << kLzxAlignedOffsetBits;
    uint32_t low = 0;
    *ok = LzxDecodeSymbol(state->alignedTable, bits, &low);
    distance += low;
  } else {
    distance += bits.Read(extra);
  }
  r[2] = r[1];
  r[1] = r[0];
  r[0] = distance;
  return distance;
}

}  // namespace

bool LzxDecodeCompressed(LzxState* state, LzxFrameInput* input, uint32_t count) {
  LzxBitReader& bits = input->bits;
  uint8_t* const window = state->window;
  const uint32_t mask = state->windowMask;
  const uint32_t size = state->windowSize;
  const bool aligned = state->blockType == kLzxBlockAligned;
  uint32_t position = state->windowPosition;
  uint64_t history = state->decodedSinceReset;
  uint32_t left = count;
  bool ok = true;
  while (left > 0) {
    if (bits.Overrun()) return false;
    if (bits.Available() < kSymbolBits) bits.Refill();
    uint32_t symbol = 0;
    if (!LzxDecodeSymbol(state->mainTable, bits, &symbol)) return false;
    if (symbol < kLzxLiteralCount) {
      window[position] = static_cast<uint8_t>(symbol);
      position = (position + 1) & mask;
      ++history;
      --left;
      continue;
    }
    symbol -= kLzxLiteralCount;
    uint32_t length = symbol % kLzxLengthHeaders;
    if (length == kLzxLengthHeaderEscape) {
      uint32_t more = 0;
      if (!LzxDecodeSymbol(state->lengthTable, bits, &more)) return false;
      length += more;
    }
    length += kLzxMinMatch;
    const uint32_t distance =
        SlotDistance(state, bits, symbol / kLzxLengthHeaders, aligned, &ok);
    if (!ok || distance == 0 || distance > size || distance > history || length > left) {
      return false;
    }
    CopyMatch(window, mask, size, position, distance, length);
    position = (position + length) & mask;
    history += length;
    left -= length;
  }
  state->windowPosition = position;
  state->decodedSinceReset = history;
  return !bits.Overrun();
}

bool LzxCopyUncompressed(LzxState* state, LzxFrameInput* input, uint32_t count) {
  if (input->rawPosition > input->size || input->size - input->rawPosition < count) return false;
  const uint8_t* from = input->data + input->rawPosition;
  uint32_t left = count;
  while (left > 0) {
    const uint32_t room = state->windowSize - state->windowPosition;
    const uint32_t n = left < room ? left : room;
    std::memcpy(state->window + state->windowPosition, from, n);
    state->windowPosition = (state->windowPosition + n) & state->windowMask;
    from += n;
    left -= n;
  }
  input->rawPosition += count;
  state->decodedSinceReset += count;
  return true;
}

}  // namespace vorlax
