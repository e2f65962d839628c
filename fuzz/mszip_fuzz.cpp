// libFuzzer target for the MSZIP decoder: a run of blocks decoded one after another into one
// history window, as the cabinet reader does for a folder.
//
// Input: byte 0 picks the decoder's maximum output (0: 32,768, else n * 128), then records of a
// 2-byte little-endian block length, a 2-byte wanted output length and the block's bytes (cut
// short at the end of the input). The window is allocated at exactly the maximum output size, so
// that AddressSanitizer reports any access outside it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/mszip_decoder.h"

namespace {

constexpr size_t kRecordHeader = 4;
constexpr uint32_t kMaxOutputStep = 128;

void* Alloc(uint32_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint32_t maxOutput = data[0] * kMaxOutputStep;
  uint32_t inputSize = 0;
  vorlax::MszipDecoder* decoder = nullptr;
  if (vorlax::MszipQueryCreate(maxOutput, vorlax::DecoderMemory{Alloc, Free}, &inputSize, &decoder) !=
      vorlax::kDecoderOk) {
    return 0;
  }
  uint32_t window = inputSize - vorlax::kMszipInputSlack;
  std::vector<uint8_t> output(window);
  size_t pos = 1;
  while (pos + kRecordHeader <= size) {
    size_t length = vorlax::ReadLe16(data + pos);
    uint32_t wanted = vorlax::ReadLe16(data + pos + 2) + 1u;
    pos += kRecordHeader;
    if (length > size - pos) length = size - pos;
    // The block in a buffer of its own length, so that reads past it are reported.
    std::vector<uint8_t> block(data + pos, data + pos + length);
    pos += length;
    uint32_t produced = wanted;
    int result = vorlax::MszipDecompress(decoder, block.data(), static_cast<uint32_t>(block.size()),
                                         output.data(), &produced);
    if (result == vorlax::kDecoderOk && (produced > wanted || produced > window)) std::abort();
    if (result != vorlax::kDecoderOk && result != vorlax::kDecoderDataError &&
        result != vorlax::kDecoderInputTooLong) {
      std::abort();
    }
  }
  vorlax::MszipDestroy(decoder);
  return 0;
}
