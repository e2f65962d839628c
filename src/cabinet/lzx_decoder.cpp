// The LZX decoder's handle, its lifecycle and the frame loop: blocks are read and decoded until
// the wanted length is in the window, then the frame is copied out and its calls translated.
//
// Frame rules: every frame starts a fresh bit reader at its first byte, except when it continues
// an uncompressed block, whose bytes then begin right at the frame's first byte. An odd-sized
// uncompressed block is followed by one padding byte; when such a block ends exactly at a frame's
// end the padding byte ends that frame's data, so the next frame starts with its block header.
#include "cabinet/lzx_decoder.h"

#include <cstring>
#include <new>

#include "cabinet/lzx_block_decoder.h"
#include "cabinet/lzx_block_header.h"
#include "cabinet/lzx_call_translation.h"
#include "cabinet/lzx_decoder_state.h"

namespace vorlax {

struct LzxDecoder {
  uint32_t tag;
  DecoderMemory memory;
  int processorType;  // stored, not used for decoding
  uint32_t maxOutput;
  LzxState* state;
};

namespace {

bool IsLive(const LzxDecoder* decoder) {
  return decoder != nullptr && decoder->tag == kLzxDecoderTag && decoder->state != nullptr;
}

void ResetState(LzxState* s) {
  std::memset(s->mainLengths, 0, sizeof s->mainLengths);
  std::memset(s->lengthLengths, 0, sizeof s->lengthLengths);
  std::memset(s->alignedLengths, 0, sizeof s->alignedLengths);
  for (uint32_t& r : s->repeated) r = 1;
  s->windowPosition = 0;
  s->decodedSinceReset = 0;
  s->headerNeeded = true;
  s->blockType = kLzxBlockNone;
  s->blockSize = 0;
  s->blockLeft = 0;
  s->streamHeaderNeeded = true;
  s->translationSize = 0;
  s->framesDecoded = 0;
  s->translationPosition = 0;
  s->failed = false;
}

void InitState(LzxState* s, uint8_t* window, uint32_t windowBits) {
  s->window = window;
  s->windowSize = 1u << windowBits;
  s->windowMask = s->windowSize - 1;
  s->positionSlots = LzxPositionSlots(windowBits);
  s->mainSymbols = LzxMainSymbols(s->positionSlots);
  s->mainTable = s->mainStorage.View();
  s->mainTable.symbols = s->mainSymbols;
  s->lengthTable = s->lengthStorage.View();
  s->alignedTable = s->alignedStorage.View();
  s->pretreeTable = s->pretreeStorage.View();
  ResetState(s);
}

void StartFrameInput(const LzxState* s, const uint8_t* input, uint32_t size, LzxFrameInput* in) {
  in->data = input;
  in->size = size;
  in->padPending = false;
  in->rawPosition = 0;
  in->raw = !s->headerNeeded && s->blockType == kLzxBlockUncompressed;
  if (!in->raw) in->bits.Start(input, size, 0, in->swapped);
}

// Decodes `wanted` bytes into the window, block after block.
bool DecodeFrame(LzxState* s, LzxFrameInput* in, uint32_t wanted) {
  while (wanted > 0) {
    if (s->headerNeeded && !LzxReadBlockHeader(s, in)) return false;
    const uint32_t n = s->blockLeft < wanted ? s->blockLeft : wanted;
    const bool ok = s->blockType == kLzxBlockUncompressed ? LzxCopyUncompressed(s, in, n)
                                                          : LzxDecodeCompressed(s, in, n);
    if (!ok) return false;
    s->blockLeft -= n;
    wanted -= n;
    if (s->blockLeft == 0) {
      s->headerNeeded = true;
      in->padPending = s->blockType == kLzxBlockUncompressed && (s->blockSize & 1) != 0;
    }
  }
  return true;
}

// Copies the frame's `n` bytes, which end at the window position, out of the window.
void CopyOut(const LzxState* s, uint8_t* output, uint32_t n) {
  const uint32_t start = (s->windowPosition - n) & s->windowMask;
  const uint32_t first = s->windowSize - start < n ? s->windowSize - start : n;
  std::memcpy(output, s->window + start, first);
  std::memcpy(output + first, s->window, n - first);
}

void FreeDecoder(LzxDecoder* d) {
  if (d->state != nullptr) {
    if (d->state->window != nullptr) d->memory.free(d->state->window);
    d->state->~LzxState();
    d->memory.free(d->state);
  }
  d->tag = 0;
  d->memory.free(d);
}

}  // namespace

int LzxQueryCreate(uint32_t maxOutput, uint32_t windowBits, int processorType,
                   const DecoderMemory& memory, uint32_t* inputBufferSize, LzxDecoder** handle) {
  if (maxOutput == 0 || maxOutput > kLzxFrameSize) return kDecoderInputTooLong;
  if (inputBufferSize != nullptr) *inputBufferSize = maxOutput + kLzxInputSlack;
  if (handle == nullptr) return kDecoderOk;
  *handle = nullptr;
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return kDecoderBadWindow;
  void* block = memory.alloc(sizeof(LzxDecoder));
  if (block == nullptr) return kDecoderNoMemory;
  LzxDecoder* d = new (block) LzxDecoder{kLzxDecoderTag, memory, processorType, maxOutput, nullptr};
  void* stateBlock = memory.alloc(sizeof(LzxState));
  if (stateBlock == nullptr) {
    FreeDecoder(d);
    return kDecoderNoMemory;
  }
  d->state = new (stateBlock) LzxState();
  d->state->window = nullptr;
  uint8_t* window = static_cast<uint8_t*>(memory.alloc(1u << windowBits));
  if (window == nullptr) {
    FreeDecoder(d);
    return kDecoderNoMemory;
  }
  std::memset(window, 0, 1u << windowBits);
  InitState(d->state, window, windowBits);
  *handle = d;
  return kDecoderOk;
}

int LzxDecompress(LzxDecoder* decoder, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                  uint32_t* outputLength) {
  if (!IsLive(decoder) || outputLength == nullptr) return kDecoderBadHandle;
  const uint32_t wanted = *outputLength;
  *outputLength = 0;
  if (wanted > decoder->maxOutput) return kDecoderInputTooLong;
  LzxState* s = decoder->state;
  if (s->failed || output == nullptr || (input == nullptr && inputLength != 0)) {
    return kDecoderDataError;
  }
  LzxFrameInput in;
  StartFrameInput(s, input, inputLength, &in);
  if (!DecodeFrame(s, &in, wanted)) {
    s->failed = true;
    return kDecoderDataError;
  }
  CopyOut(s, output, wanted);
  if (s->translationSize != 0 && s->framesDecoded < kLzxTranslationFrameLimit) {
    LzxUntranslateCalls(output, wanted, s->translationPosition, s->translationSize);
  }
  s->translationPosition += wanted;
  if (s->framesDecoded < kLzxTranslationFrameLimit) ++s->framesDecoded;
  *outputLength = wanted;
  return kDecoderOk;
}

int LzxReset(LzxDecoder* decoder) {
  if (!IsLive(decoder)) return kDecoderBadHandle;
  ResetState(decoder->state);
  return kDecoderOk;
}

int LzxDestroy(LzxDecoder* decoder) {
  if (!IsLive(decoder)) return kDecoderBadHandle;
  FreeDecoder(decoder);
  return kDecoderOk;
}

}  // namespace vorlax
