// The MSZIP decoder: turns one MSZIP data block of a cabinet folder ("CK" followed by a deflate
// stream) into at most 32,768 bytes of output.
//
// Trap: the caller's output buffer is also the decoder's history window. Back-references of a
// block may reach into the previous block's output, which is still in the same buffer, so the
// caller must hand the same buffer (at least the decoder's maximum output size long) to every
// block of a folder and must not touch it in between. The decoder never writes past the bytes it
// produces: the bytes after the write position are live history.
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"

namespace vorlax {

struct MszipDecoder;

// Bytes of input a block may carry beyond its maximum output (the "CK" tag and deflate overhead).
constexpr uint32_t kMszipInputSlack = 12;

// Reports in *inputBufferSize the compressed buffer size the reader must allocate (maximum output
// + 12; a maxOutput of 0 or above 32,768 becomes 32,768). With a non-null handle slot also
// creates a decoder through memory.alloc: kDecoderNoMemory when that fails, else kDecoderOk.
int MszipQueryCreate(uint32_t maxOutput, const DecoderMemory& memory, uint32_t* inputBufferSize,
                     MszipDecoder** handle);

// Decodes one block. *outputLength is the wanted length on entry and the produced length on
// success. Results: kDecoderOk, kDecoderBadHandle, kDecoderInputTooLong (input longer than
// maximum output + 12), kDecoderDataError (no "CK" tag or damaged data).
int MszipDecompress(MszipDecoder* decoder, const uint8_t* input, uint32_t inputLength,
                    uint8_t* output, uint32_t* outputLength);

// kDecoderOk, or kDecoderBadHandle. The history lives in the caller's buffer, so nothing changes.
int MszipReset(MszipDecoder* decoder);

// kDecoderOk, or kDecoderBadHandle; clears the tag and frees the decoder through memory.free.
int MszipDestroy(MszipDecoder* decoder);

}  // namespace vorlax
