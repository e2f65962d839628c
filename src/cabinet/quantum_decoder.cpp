// The Quantum decoder: handle lifecycle, the seven models and the frame loop.
//
// Trap: a match may reach back at most as far as the bytes decoded since the last reset. The
// window of a fresh or reset decoder holds stale or uninitialised bytes, so a longer reach fails
// the frame instead of copying them.
#include "cabinet/quantum_decoder.h"

#include <cstring>
#include <new>

#include "cabinet/quantum_arithmetic_decoder.h"
#include "cabinet/quantum_model.h"
#include "cabinet/quantum_tables.h"

namespace vorlax {

struct QuantumDecoder {
  uint32_t tag = kQuantumDecoderTag;
  DecoderMemory memory{};
  uint32_t maxOutput = kMaxBlockOutput;
  int processorType = 0;
  uint32_t windowBits = 0;
  uint32_t windowSize = 0;
  uint8_t* window = nullptr;
  uint32_t windowPos = 0;  // next byte written; wraps at windowSize
  uint32_t history = 0;    // bytes decoded since the reset, capped at windowSize
  QuantumModel selector;
  QuantumModel literal[kQuantumLiteralModels];
  QuantumModel offset3;
  QuantumModel offset4;
  QuantumModel offsetLong;
  QuantumModel length;
};

namespace {

bool IsLive(const QuantumDecoder* decoder) {
  return decoder != nullptr && decoder->tag == kQuantumDecoderTag;
}

void InitModels(QuantumDecoder* d) {
  const uint32_t slots = QuantumWindowSlots(d->windowBits);
  QuantumModelInit(&d->selector, kQuantumSelectorSymbols);
  for (QuantumModel& model : d->literal) QuantumModelInit(&model, kQuantumLiteralSymbols);
  QuantumModelInit(&d->offset3, slots < kQuantumMatch3MaxSlots ? slots : kQuantumMatch3MaxSlots);
  QuantumModelInit(&d->offset4, slots < kQuantumMatch4MaxSlots ? slots : kQuantumMatch4MaxSlots);
  QuantumModelInit(&d->offsetLong, slots);
  QuantumModelInit(&d->length, kQuantumLengthSlots);
}

// Writes one byte to the window and the output.
inline void PutByte(QuantumDecoder* d, uint8_t byte, uint8_t* out) {
  d->window[d->windowPos] = byte;
  *out = byte;
  d->windowPos = (d->windowPos + 1) & (d->windowSize - 1);
}

// Copies a match of `length` bytes from `distance` back; needs distance <= history and
// distance <= windowSize, so every source byte was decoded since the reset.
void CopyMatch(QuantumDecoder* d, uint32_t distance, uint32_t length, uint8_t* out) {
  const uint32_t mask = d->windowSize - 1;
  const uint32_t source = (d->windowPos - distance) & mask;
  const uint32_t dest = d->windowPos;
  if (source + length <= d->windowSize && dest + length <= d->windowSize) {
    uint8_t* window = d->window;
    if (distance >= length) {
      // No byte of the match is written before it is read (a distance of the whole window
      // copies the span onto itself), so a block move gives the byte-by-byte result.
      std::memmove(window + dest, window + source, length);
    } else {
      for (uint32_t i = 0; i < length; ++i) window[dest + i] = window[source + i];
    }
    std::memcpy(out, window + dest, length);
    d->windowPos = (dest + length) & mask;
  } else {
    for (uint32_t i = 0; i < length; ++i) PutByte(d, d->window[(source + i) & mask], out + i);
  }
  d->history = d->history + length < d->windowSize ? d->history + length : d->windowSize;
}

struct MatchKind {
  QuantumModel* offsetModel;
  uint32_t length;
};

// Reads the length part of a match of the given selector (4, 5 or 6).
MatchKind ReadMatchKind(QuantumDecoder* d, QuantumArithmeticDecoder* coder, uint32_t selector) {
  if (selector == kQuantumSelectorMatch3) return {&d->offset3, kQuantumMatch3Length};
  if (selector == kQuantumSelectorMatch4) return {&d->offset4, kQuantumMatch4Length};
  const uint32_t slot = coder->DecodeSymbol(&d->length);
  const uint32_t length =
      kQuantumLengthBase[slot] + coder->ReadRaw(kQuantumLengthExtraBits[slot]) + kQuantumLongMatchBase;
  return {&d->offsetLong, length};
}

// Decodes exactly `wanted` bytes into `out`; false when the input runs out (even while
// renormalising after the last symbol), a match is longer than the bytes left, or a match reaches
// before the history.
bool DecodeFrame(QuantumDecoder* d, const uint8_t* input, uint32_t inputLength, uint8_t* out,
                 uint32_t wanted) {
  QuantumArithmeticDecoder coder(input, inputLength);
  uint32_t produced = 0;
  while (produced < wanted && !coder.Exhausted()) {
    const uint32_t selector = coder.DecodeSymbol(&d->selector);
    if (selector < kQuantumLiteralModels) {
      const uint32_t value = coder.DecodeSymbol(&d->literal[selector]);
      PutByte(d, static_cast<uint8_t>(selector * kQuantumLiteralSymbols + value), out + produced);
      if (d->history < d->windowSize) ++d->history;
      ++produced;
      continue;
    }
    const MatchKind kind = ReadMatchKind(d, &coder, selector);
    const uint32_t slot = coder.DecodeSymbol(kind.offsetModel);
    const uint32_t distance =
        kQuantumPositionBase[slot] + coder.ReadRaw(kQuantumPositionExtraBits[slot]) + kQuantumOffsetBias;
    if (kind.length > wanted - produced) return false;
    if (distance > d->history) return false;
    CopyMatch(d, distance, kind.length, out + produced);
    produced += kind.length;
  }
  return !coder.Exhausted() && produced == wanted;
}

}  // namespace

int QuantumQueryCreate(uint32_t maxOutput, uint32_t windowBits, int processorType,
                       const DecoderMemory& memory, uint32_t* inputBufferSize, QuantumDecoder** handle) {
  if (windowBits < kQuantumMinWindowBits || windowBits > kQuantumMaxWindowBits) return kDecoderBadWindow;
  if (maxOutput == 0 || maxOutput > kMaxBlockOutput) maxOutput = kMaxBlockOutput;
  if (inputBufferSize != nullptr) *inputBufferSize = maxOutput + kQuantumInputSlack;
  if (handle == nullptr) return kDecoderOk;
  *handle = nullptr;
  void* block = memory.alloc(static_cast<uint32_t>(sizeof(QuantumDecoder)));
  if (block == nullptr) return kDecoderNoMemory;
  QuantumDecoder* decoder = new (block) QuantumDecoder;
  decoder->memory = memory;
  decoder->maxOutput = maxOutput;
  decoder->processorType = processorType;
  decoder->windowBits = windowBits;
  decoder->windowSize = 1u << windowBits;
  decoder->window = static_cast<uint8_t*>(memory.alloc(decoder->windowSize));
  if (decoder->window == nullptr) {
    decoder->tag = 0;
    decoder->~QuantumDecoder();
    memory.free(block);
    return kDecoderNoMemory;
  }
  InitModels(decoder);
  *handle = decoder;
  return kDecoderOk;
}

int QuantumDecompress(QuantumDecoder* decoder, const uint8_t* input, uint32_t inputLength,
                      uint8_t* output, uint32_t* outputLength) {
  if (!IsLive(decoder)) return kDecoderBadHandle;
  if (outputLength == nullptr) return kDecoderDataError;
  const uint32_t wanted = *outputLength;
  *outputLength = 0;
  if (wanted > decoder->maxOutput) return kDecoderInputTooLong;
  if ((input == nullptr && inputLength > 0) || (output == nullptr && wanted > 0)) return kDecoderDataError;
  if (!DecodeFrame(decoder, input, inputLength, output, wanted)) return kDecoderDataError;
  *outputLength = wanted;
  return kDecoderOk;
}

int QuantumReset(QuantumDecoder* decoder) {
  if (!IsLive(decoder)) return kDecoderBadHandle;
  decoder->windowPos = 0;
  decoder->history = 0;
  InitModels(decoder);
  return kDecoderOk;
}

int QuantumDestroy(QuantumDecoder* decoder) {
  if (!IsLive(decoder)) return kDecoderBadHandle;
  const DecoderMemory memory = decoder->memory;
  memory.free(decoder->window);
  decoder->tag = 0;
  decoder->~QuantumDecoder();
  memory.free(decoder);
  return kDecoderOk;
}

}  // namespace vorlax
