// The one switch between a folder's compression type and its decoder: creating, resetting,
// decoding with and destroying the decoder of a DecoderKind. The cabinet reader holds the handle
// as an opaque pointer and never names a decoder itself.
//
// Each decoder kind is one short case per function below; a kind without a case answers
// kFolderDecoderUnknownKind, which the reader reports as "Unknown compression type".
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"

namespace vorlax {

enum FolderDecoderStatus : int {
  kFolderDecoderOk = 0,
  kFolderDecoderNoMemory = 1,     // reader code 5
  kFolderDecoderFailed = 2,       // reader code 7
  kFolderDecoderUnknownKind = 3,  // reader code 6
};

// The decoder's kind from a folder's compression type field (bits 0-3).
DecoderKind CompressionKind(uint16_t compressionType);
// The window exponent of a compression type (bits 8-12), for Quantum and LZX.
uint32_t CompressionWindowBits(uint16_t compressionType);

// Reports the compressed-block buffer size the reader must allocate for this compression type
// and, with a non-null handle slot, creates the decoder. Stored data (kind 0) has no decoder:
// its size is kMaxBlockOutput and *handle stays null.
FolderDecoderStatus FolderDecoderQueryCreate(uint16_t compressionType, int processorType,
                                             const DecoderMemory& memory,
                                             uint32_t* inputBufferSize, void** handle);

// Decodes one block of `kind`. *outputLength is the wanted length on entry and the produced
// length on success.
FolderDecoderStatus FolderDecoderDecompress(DecoderKind kind, void* handle, const uint8_t* input,
                                            uint32_t inputLength, uint8_t* output,
                                            uint32_t* outputLength);

// Resets the decoder for the start of a new folder (stored data and "no decoder" need nothing).
FolderDecoderStatus FolderDecoderReset(DecoderKind kind, void* handle);

// Destroys the decoder (stored data and "no decoder" have none).
FolderDecoderStatus FolderDecoderDestroy(DecoderKind kind, void* handle);

}  // namespace vorlax
