// The LZX decoder: compression type 3 of cabinet folders, window exponent in bits 8-12 (15..21).
//
// LZX is an LZ77 scheme over a sliding window of 2^15 to 2^21 bytes, with Huffman-coded literals,
// match lengths and position slots, three repeated offsets, three block kinds (verbatim, aligned
// offset, uncompressed) and optional x86 call translation. The cabinet reader creates one decoder
// per folder compression type, resets it at every folder start and hands it each data block as
// one frame with the block's uncompressed size. Window, trees, repeated offsets and the block in
// progress carry over from frame to frame within a folder; every frame's bits start afresh at the
// first byte of its data.
//
// Beyond what the format requires, every frame is checked so that no input can make the decoder
// read or write outside its input, its window or the output buffer: a match reaching before the
// first byte decoded since the reset, a match crossing the end of its block or frame, a code
// that no tree holds and bits read past the frame's data all fail the frame. After a failure the
// decoder refuses every frame until it is reset.
//
// Results (DecoderResult): kDecoderBadWindow for a window exponent outside 15..21,
// kDecoderNoMemory when an allocation fails, kDecoderBadHandle for a null handle or one that is
// not a live LZX decoder, kDecoderInputTooLong for a wanted length above the decoder's maximum,
// kDecoderDataError for every frame that does not decode to exactly the wanted length.
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"

namespace vorlax {

// The handle's first field: the bytes 'L', 'D', 'I', 'C' in memory order.
constexpr uint32_t kLzxDecoderTag = 0x4349444C;

struct LzxDecoder;

// Reports the input buffer the reader must allocate (the maximum output plus 6,144). With a
// non-null handle slot also creates a decoder for a window of 2^windowBits bytes through
// memory.alloc and resets it. maxOutput must be 1..32,768 (else kDecoderInputTooLong).
// processorType is stored, not used.
int LzxQueryCreate(uint32_t maxOutput, uint32_t windowBits, int processorType,
                   const DecoderMemory& memory, uint32_t* inputBufferSize, LzxDecoder** handle);

// Decodes one frame: in, *outputLength is the wanted length; out, the bytes produced (the wanted
// length on success, 0 on failure). The input is only read within input[0, inputLength).
int LzxDecompress(LzxDecoder* decoder, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                  uint32_t* outputLength);

// Starts a new folder: empty history, all tree lengths 0, repeated offsets 1, stream header due.
int LzxReset(LzxDecoder* decoder);

// Frees the window, the state and the handle; the handle must not be used afterwards.
int LzxDestroy(LzxDecoder* decoder);

}  // namespace vorlax
