// libFuzzer target for the LZX decoder: arbitrary frames (layout in lzx_fuzz_input.h) decoded in
// sequence by one decoder, each from a heap buffer of exactly the frame's size, so that any read
// past a frame's data is caught by the address sanitizer. A failed frame is followed by a reset,
// as the cabinet reader would start the folder again.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/lzx_decoder.h"
#include "cabinet/lzx_format.h"
#include "fuzz/lzx_fuzz_input.h"

namespace {

void* Alloc(uint32_t size) { return new (std::nothrow) uint8_t[size]; }
void Free(void* block) { delete[] static_cast<uint8_t*>(block); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorlax;
  if (size < 1) return 0;
  const uint32_t windowBits = kLzxMinWindowBits + data[0] % lzx_fuzz::kWindowChoices;
  LzxDecoder* decoder = nullptr;
  uint32_t inputSize = 0;
  if (LzxQueryCreate(kLzxFrameSize, windowBits, 0, DecoderMemory{Alloc, Free}, &inputSize, &decoder) !=
      kDecoderOk) {
    return 0;
  }
  std::vector<uint8_t> output(kLzxFrameSize);
  size_t at = 1;
  while (at + lzx_fuzz::kFrameHeaderSize <= size) {
    const uint32_t wanted = ReadLe16(data + at) % lzx_fuzz::kWantedModulus;
    size_t length = ReadLe16(data + at + 2);
    at += lzx_fuzz::kFrameHeaderSize;
    if (length > size - at) length = size - at;
    std::vector<uint8_t> frame(data + at, data + at + length);
    at += length;
    uint32_t produced = wanted;
    const int result = LzxDecompress(decoder, frame.empty() ? nullptr : frame.data(),
                                     static_cast<uint32_t>(frame.size()), output.data(), &produced);
    if (result != kDecoderOk) {
      if (produced != 0) __builtin_trap();  // a failure must report no output
      LzxReset(decoder);
    } else if (produced != wanted) {
      __builtin_trap();  // success means exactly the wanted length
    }
  }
  LzxDestroy(decoder);
  return 0;
}
