// The MSZIP decoder's handle and its four operations (see mszip_decoder.h).
//
// The handle and the decoder's working memory are one allocation through the host's alloc
// callback. Every operation first checks the tag; Destroy clears it, so a handle used again after
// Destroy (while its memory is still readable) is refused instead of decoded with.
//
// The history window is the decoder's maximum output (32,768 bytes as the cabinet reader creates
// it): a back-reference before the buffer's start continues that many bytes later. Before its
// first Huffman-coded deflate block a call moves its output into the handle's workspace, with what
// is left of the previous block's output right before it, and copies the output back to the
// caller's buffer when it ends (see MszipOutput); a call of stored blocks only writes straight
// into the caller's buffer. A decoder made for a smaller maximum output thus never reads past a
// buffer of that size, and a distance reaching further back than its window is a data error
// instead of a read outside the buffer. A failed call leaves the bytes it produced before the
// failure in the caller's buffer, and nothing past them.
// A stored block whose LEN exceeds the input left fails even when fewer bytes are wanted.
#include "cabinet/mszip_decoder.h"

#include <cstring>

#include "cabinet/mszip_stream.h"

namespace vorlax {

constexpr uint32_t kMszipTag = 0x4349444D;  // the bytes M, D, I, C in memory order
constexpr uint8_t kBlockTag[2] = {'C', 'K'};

struct MszipDecoder {
  uint32_t tag;
  uint32_t maxOutput;
  void (*free)(void* block);
  MszipStreamState state;
  // History (the buffer as the previous block left it) then output: see MszipOutput.
  uint8_t workspace[2 * kMaxBlockOutput + kMszipWorkspaceSlack];
};

namespace {

uint32_t NormalizedMaxOutput(uint32_t maxOutput) {
  return maxOutput == 0 || maxOutput > kMaxBlockOutput ? kMaxBlockOutput : maxOutput;
}

bool IsValid(const MszipDecoder* decoder) { return decoder != nullptr && decoder->tag == kMszipTag; }

}  // namespace

int MszipQueryCreate(uint32_t maxOutput, const DecoderMemory& memory, uint32_t* inputBufferSize,
                     MszipDecoder** handle) {
  maxOutput = NormalizedMaxOutput(maxOutput);
  *inputBufferSize = maxOutput + kMszipInputSlack;
  if (handle == nullptr) return kDecoderOk;
  *handle = nullptr;
  MszipFixedTables();  // built once per process, by the first creation
  void* block = memory.alloc(static_cast<uint32_t>(sizeof(MszipDecoder)));
  if (block == nullptr) return kDecoderNoMemory;
  std::memset(block, 0, sizeof(MszipDecoder));
  MszipDecoder* decoder = static_cast<MszipDecoder*>(block);
  decoder->tag = kMszipTag;
  decoder->maxOutput = maxOutput;
  decoder->free = memory.free;
  *handle = decoder;
  return kDecoderOk;
}

// Preconditions: `input` holds inputLength bytes; `output` is the folder's history buffer of at
// least the decoder's maximum output (the same buffer for every block of the folder).
int MszipDecompress(MszipDecoder* decoder, const uint8_t* input, uint32_t inputLength,
                    uint8_t* output, uint32_t* outputLength) {
  if (!IsValid(decoder)) return kDecoderBadHandle;
  if (inputLength > decoder->maxOutput + kMszipInputSlack) return kDecoderInputTooLong;
  if (inputLength < sizeof kBlockTag || input[0] != kBlockTag[0] || input[1] != kBlockTag[1]) {
    return kDecoderDataError;
  }
  uint32_t wanted = *outputLength < decoder->maxOutput ? *outputLength : decoder->maxOutput;
  MszipBitReader in;
  StartBits(&in, input + sizeof kBlockTag, inputLength - static_cast<uint32_t>(sizeof kBlockTag));
  MszipOutput out{output, output, output + wanted, decoder->maxOutput, decoder->workspace, false};
  bool ok = DecodeMszipStream(&decoder->state, &in, &out);
  uint32_t produced = static_cast<uint32_t>(out.next - out.start);
  if (out.inWorkspace) std::memcpy(output, out.start, produced);
  if (!ok) return kDecoderDataError;
  *outputLength = produced;
  return kDecoderOk;
}

int MszipReset(MszipDecoder* decoder) {
  return IsValid(decoder) ? kDecoderOk : kDecoderBadHandle;
}

int MszipDestroy(MszipDecoder* decoder) {
  if (!IsValid(decoder)) return kDecoderBadHandle;
  decoder->tag = 0;
  decoder->free(decoder);
  return kDecoderOk;
}

}  // namespace vorlax
