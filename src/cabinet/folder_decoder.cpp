// The switch from a folder's decoder kind to the decoder's own functions.
//
// To add a decoder: one case in each of the four functions, calling its XxxQueryCreate,
// XxxDecompress, XxxReset and XxxDestroy (see decoder.h for the shared interface).
#include "cabinet/folder_decoder.h"

#include "cabinet/cabinet_format.h"
#include "cabinet/lzx_decoder.h"
#include "cabinet/mszip_decoder.h"
#include "cabinet/quantum_decoder.h"

namespace vorlax {

namespace {

FolderDecoderStatus FromCreateResult(int result) {
  if (result == kDecoderOk) return kFolderDecoderOk;
  return result == kDecoderNoMemory ? kFolderDecoderNoMemory : kFolderDecoderFailed;
}

FolderDecoderStatus FromResult(int result) {
  return result == kDecoderOk ? kFolderDecoderOk : kFolderDecoderFailed;
}

}  // namespace

DecoderKind CompressionKind(uint16_t compressionType) {
  return static_cast<DecoderKind>(compressionType & kCabCompressionKindMask);
}

uint32_t CompressionWindowBits(uint16_t compressionType) {
  return (compressionType >> kCabCompressionWindowShift) & kCabCompressionWindowMask;
}

FolderDecoderStatus FolderDecoderQueryCreate(uint16_t compressionType, int processorType,
                                             const DecoderMemory& memory,
                                             uint32_t* inputBufferSize, void** handle) {
  (void)processorType;  // for the Quantum and LZX cases
  if (handle) *handle = nullptr;
  switch (CompressionKind(compressionType)) {
    case kDecoderStored:
      *inputBufferSize = kMaxBlockOutput;
      return kFolderDecoderOk;
    case kDecoderMszip:
      return FromCreateResult(MszipQueryCreate(kMaxBlockOutput, memory, inputBufferSize,
                                               reinterpret_cast<MszipDecoder**>(handle)));
    case kDecoderQuantum:
      return FromCreateResult(QuantumQueryCreate(kMaxBlockOutput, CompressionWindowBits(compressionType),
                                                 processorType, memory, inputBufferSize,
                                                 reinterpret_cast<QuantumDecoder**>(handle)));
    case kDecoderLzx:
      return FromCreateResult(LzxQueryCreate(kMaxBlockOutput, CompressionWindowBits(compressionType),
                                             processorType, memory, inputBufferSize,
                                             reinterpret_cast<LzxDecoder**>(handle)));
    default:
      return kFolderDecoderUnknownKind;
  }
}

FolderDecoderStatus FolderDecoderDecompress(DecoderKind kind, void* handle, const uint8_t* input,
                                            uint32_t inputLength, uint8_t* output,
                                            uint32_t* outputLength) {
  switch (kind) {
    case kDecoderMszip:
      return FromResult(MszipDecompress(static_cast<MszipDecoder*>(handle), input, inputLength,
                                        output, outputLength));
    case kDecoderQuantum:
      return FromResult(QuantumDecompress(static_cast<QuantumDecoder*>(handle), input, inputLength,
                                          output, outputLength));
    case kDecoderLzx:
      return FromResult(LzxDecompress(static_cast<LzxDecoder*>(handle), input, inputLength, output,
                                      outputLength));
    default:
      return kFolderDecoderUnknownKind;
  }
}

FolderDecoderStatus FolderDecoderReset(DecoderKind kind, void* handle) {
  switch (kind) {
    case kDecoderNone:
    case kDecoderStored:
      return kFolderDecoderOk;
    case kDecoderMszip:
      return FromResult(MszipReset(static_cast<MszipDecoder*>(handle)));
    case kDecoderQuantum:
      return FromResult(QuantumReset(static_cast<QuantumDecoder*>(handle)));
    case kDecoderLzx:
      return FromResult(LzxReset(static_cast<LzxDecoder*>(handle)));
    default:
      return kFolderDecoderUnknownKind;
  }
}

FolderDecoderStatus FolderDecoderDestroy(DecoderKind kind, void* handle) {
  switch (kind) {
    case kDecoderNone:
    case kDecoderStored:
      return kFolderDecoderOk;
    case kDecoderMszip:
      return FromResult(MszipDestroy(static_cast<MszipDecoder*>(handle)));
    case kDecoderQuantum:
      return FromResult(QuantumDestroy(static_cast<QuantumDecoder*>(handle)));
    case kDecoderLzx:
      return FromResult(LzxDestroy(static_cast<LzxDecoder*>(handle)));
    default:
      return kFolderDecoderUnknownKind;
  }
}

}  // namespace vorlax
