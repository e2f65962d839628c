// The Quantum decoder: compression type 2 of cabinet folders, window exponent in bits 8-12.
//
// Quantum is an LZ77 scheme whose literals, match kinds, match lengths and offset slots are coded
// with an adaptive arithmetic coder over seven small frequency models; the extra bits of lengths
// and offsets are read raw from the same bit stream. The cabinet reader creates one decoder per
// folder compression type, resets it at every folder start and hands it each data block as one
// frame together with the block's uncompressed size. The window, the models and the count of bytes
// decoded carry over from frame to frame within a folder; the arithmetic coder restarts with every
// frame.
//
// Each handle holds its whole state (window, models, coder), so independent decoders never share
// anything and may even run side by side.
//
// Results (DecoderResult): kDecoderBadWindow for a window exponent outside 10..21,
// kDecoderNoMemory when an allocation fails, kDecoderBadHandle for a handle that is null or not a
// live Quantum decoder, kDecoderInputTooLong for a wanted length above the decoder's maximum,
// kDecoderDataError for every frame that does not decode to exactly the wanted length.
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"

namespace vorlax {

// The handle's first field: the bytes 'Q', 'D', 'I', 'C' in memory order.
constexpr uint32_t kQuantumDecoderTag = 0x43494451;

struct QuantumDecoder;

// Reports the input buffer the reader must allocate (the maximum output, 0 or above 32,768 taken
// as 32,768, plus 10,240). With a non-null handle slot also creates a decoder for a window of
// 2^windowBits bytes through memory.alloc. processorType is stored, not used.
int QuantumQueryCreate(uint32_t maxOutput, uint32_t windowBits, int processorType,
                       const DecoderMemory& memory, uint32_t* inputBufferSize, QuantumDecoder** handle);

// Decodes one frame: in, *outputLength is the wanted length; out, the bytes produced (the wanted
// length on success, 0 on failure).
int QuantumDecompress(QuantumDecoder* decoder, const uint8_t* input, uint32_t inputLength,
                      uint8_t* output, uint32_t* outputLength);

// Starts a new folder: empty history, every model back to its initial contents.
int QuantumReset(QuantumDecoder* decoder);

// Frees the window and the handle; the handle must not be used afterwards.
int QuantumDestroy(QuantumDecoder* decoder);

}  // namespace vorlax
