// What the cabinet reader and its three decoders (MSZIP, LZX, Quantum) share.
//
// Each decoder lives in its own file pair (mszip_decoder.h/.cpp, lzx_decoder.h/.cpp,
// quantum_decoder.h/.cpp) and offers the same narrow interface of free functions, all answering a
// DecoderResult value:
//
//   XxxQueryCreate(maxOutput, <window exponent / processor type where the decoder has them>,
//                  const DecoderMemory& memory, uint32_t* inputBufferSize, XxxDecoder** handle)
//       reports the input buffer size the reader must allocate; with a non-null handle slot also
//       allocates the decoder through memory.alloc.
//   XxxDecompress(XxxDecoder*, const uint8_t* input, uint32_t inputLength,
//                 uint8_t* output, uint32_t* outputLength)      in: wanted length, out: produced
//   XxxReset(XxxDecoder*)
//   XxxDestroy(XxxDecoder*)
//
// The reader maps the results onto its error codes: kDecoderNoMemory to 5, everything else that
// is not kDecoderOk to 7.
#pragma once

#include <cstdint>

namespace vorlax {

// Bits 0-3 of a folder's compression type.
enum DecoderKind : uint16_t {
  kDecoderStored = 0,
  kDecoderMszip = 1,
  kDecoderQuantum = 2,
  kDecoderLzx = 3,
  kDecoderNone = 15,  // the reader's state before any folder was selected
};

// Every uncompressed data block is at most this long.
constexpr uint32_t kMaxBlockOutput = 32768;

enum DecoderResult : int {
  kDecoderOk = 0,
  kDecoderNoMemory = 1,
  kDecoderBadHandle = 2,
  kDecoderInputTooLong = 3,
  kDecoderDataError = 4,
  kDecoderBadWindow = 5,
};

// The memory callbacks of the reader's host, handed on to the decoders.
struct DecoderMemory {
  void* (*alloc)(uint32_t size);
  void (*free)(void* block);
};

}  // namespace vorlax
