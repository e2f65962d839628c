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
#include "cabinet/short_copy.h"

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
  QuantumModels models;
};

namespace {

bool IsLive(const QuantumDecoder* decoder) {
  return decoder != nullptr && decoder->tag == kQuantumDecoderTag;
}

// The window as the frame loop uses it: copied out of the handle at the frame's start and back at
// its end, so that the compiler can keep it in registers while bytes are stored.
struct WindowCursor {
  uint8_t* bytes;
  uint32_t mask;     // window size - 1
  uint32_t pos;      // next byte written

  // Writes one byte to the window and the output.
  void Put(uint8_t byte, uint8_t* out) {
    bytes[pos] = byte;
    *out = byte;
    pos = (pos + 1) & mask;
  }

  // Copies a match of `length` bytes from `distance` back; needs distance within the history, so
  // every source byte was decoded since the reset.
  void Copy(uint32_t distance, uint32_t length, uint8_t* out) {
    const uint32_t source = (pos - distance) & mask;
    // The fast path needs neither span to reach the window's end, so pos needs no wrap after it.
    if (source + length <= mask && pos + length <= mask) {
      CopyWithin(bytes + source, bytes + pos, distance, length);
      CopyToOutput(bytes + pos, out, length);
      pos += length;
    } else {
      for (uint32_t i = 0; i < length; ++i) {
        const uint8_t byte = bytes[(source + i) & mask];
        bytes[pos] = byte;
        out[i] = byte;
        pos = (pos + 1) & mask;
      }
    }
  }

  // A match's bytes from the window to the output (no overlap): short ones without a call.
  static void CopyToOutput(const uint8_t* from, uint8_t* to, uint32_t length) {
    if (length < kChunk) {
      CopyShort(to, from, length);
    } else if (length <= 2 * kChunk) {
      std::memmove(to, from, kChunk);
      std::memmove(to + length - kChunk, from + length - kChunk, kChunk);
    } else {
      std::memcpy(to, from, length);
    }
  }

  // The byte-by-byte copy from `from` to `to` (distance apart, the source either before the
  // destination or, for a match into the window's older half, after it), done in larger steps
  // where that gives the same bytes: a chunk of 8 moved at once never reads a byte that the same
  // chunk writes unless the source lies after the destination, where reading first is what the
  // byte-by-byte copy does as well. With the source behind, the last chunk ends at the match's end
  // and may overlap the one before: the bytes it reads, 8 or more behind, are final by then. With
  // the source ahead such a chunk could read bytes this copy has just written: bytes go one by one.
  static void CopyWithin(const uint8_t* from, uint8_t* to, uint32_t distance, uint32_t length) {
    if (distance == 1) {
      std::memset(to, *from, length);
      return;
    }
    if (distance >= kChunk) {
      if (length < kChunk) {
        CopyShort(to, from, length);
        return;
      }
      uint32_t i = 0;
      for (; i + kChunk <= length; i += kChunk) std::memmove(to + i, from + i, kChunk);
      if (i == length) return;
      if (from < to) {
        std::memmove(to + length - kChunk, from + length - kChunk, kChunk);
        return;
      }
      for (; i < length; ++i) to[i] = from[i];
      return;
    }
    for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
  }

  static constexpr uint32_t kChunk = 8;
};

struct MatchKind {
  QuantumModel* offsetModel;
  uint32_t length;
};

// Reads the length part of a match of the given selector (4, 5 or 6).
MatchKind ReadMatchKind(QuantumDecoder* d, QuantumArithmeticDecoder* coder, uint32_t selector) {
  if (selector == kQuantumSelectorMatch3) return {&d->models.offset3, kQuantumMatch3Length};
  if (selector == kQuantumSelectorMatch4) return {&d->models.offset4, kQuantumMatch4Length};
  const uint32_t slot = coder->DecodeSymbol(&d->models.length);
  const uint32_t length =
      kQuantumLengthBase[slot] + coder->ReadRaw(kQuantumLengthExtraBits[slot]) + kQuantumLongMatchBase;
  return {&d->models.offsetLong, length};
}

// Decodes exactly `wanted` bytes into `out`; false when the input runs out (even while
// renormalising after the last symbol), a match is longer than the bytes left, or a match reaches
// before the history.
bool DecodeFrame(QuantumDecoder* d, const uint8_t* input, uint32_t inputLength, uint8_t* out,
                 uint32_t wanted) {
  QuantumArithmeticDecoder coder(input, inputLength);
  WindowCursor window = {d->window, d->windowSize - 1, d->windowPos};
  uint32_t produced = 0;
  bool ok = true;
  while (produced < wanted && !coder.Exhausted()) {
    const uint32_t selector = coder.DecodeSymbol(&d->models.selector);
    if (selector < kQuantumLiteralModels) {
      const uint32_t value = coder.DecodeSymbol(&d->models.literal[selector]);
      window.Put(static_cast<uint8_t>(selector * kQuantumLiteralSymbols + value), out + produced);
      ++produced;
      continue;
    }
    const MatchKind kind = ReadMatchKind(d, &coder, selector);
    const uint32_t slot = coder.DecodeSymbol(kind.offsetModel);
    const uint32_t distance =
        kQuantumPositionBase[slot] + coder.ReadRaw(kQuantumPositionExtraBits[slot]) + kQuantumOffsetBias;
    // The slot models reach at most the window, so the history check also keeps the source in it.
    const uint32_t history = d->history + produced < d->windowSize ? d->history + produced : d->windowSize;
    if (kind.length > wanted - produced || distance > history) {
      ok = false;
      break;
    }
    window.Copy(distance, kind.length, out + produced);
    produced += kind.length;
  }
  d->windowPos = window.pos;
  d->history = d->history + produced < d->windowSize ? d->history + produced : d->windowSize;
  return ok && !coder.Exhausted() && produced == wanted;
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
  QuantumModelsInit(&decoder->models, decoder->windowBits);
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
  QuantumModelsInit(&decoder->models, decoder->windowBits);
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
