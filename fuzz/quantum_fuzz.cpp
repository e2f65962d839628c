// quantum_fuzz: the Quantum decoder on arbitrary frames, and the encoder and decoder on arbitrary
// data.
//
// Input: byte 0 chooses the mode and the window (bits 0-3: exponent 10 + value % 12; bit 7:
// round trip). Decoding mode: the rest is a sequence of frames, each a 5-byte head (input length
// in 2 bytes LE, wanted length in 2 bytes LE modulo 32,769, flags: bit 0 resets the decoder
// first) and its input bytes. The decoder may refuse any frame but must never read or write out
// of bounds or hang. Round-trip mode: the rest is data, encoded block by block and decoded; any
// difference aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cabinet/decoder.h"
#include "cabinet/quantum_decoder.h"
#include "packer/quantum_encoder.h"

namespace {

using namespace vorlax;

void* Alloc(uint32_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }
const DecoderMemory kMemory = {Alloc, Free};

constexpr size_t kFrameHeadSize = 5;

void DecodeFrames(QuantumDecoder* decoder, const uint8_t* data, size_t size) {
  std::vector<uint8_t> output(kMaxBlockOutput);
  while (size >= kFrameHeadSize) {
    size_t inputLength = data[0] | (data[1] << 8);
    uint32_t wanted = (data[2] | (data[3] << 8)) % (kMaxBlockOutput + 1);
    if (data[4] & 1) QuantumReset(decoder);
    data += kFrameHeadSize;
    size -= kFrameHeadSize;
    if (inputLength > size) inputLength = size;
    // An exact-size copy, so that any read past the frame's end is caught.
    std::vector<uint8_t> input(data, data + inputLength);
    QuantumDecompress(decoder, input.data(), static_cast<uint32_t>(input.size()), output.data(), &wanted);
    data += inputLength;
    size -= inputLength;
  }
}

void RoundTrip(uint32_t windowBits, QuantumDecoder* decoder, const uint8_t* data, size_t size) {
  QuantumEncoder encoder(windowBits);
  std::vector<uint8_t> output(kMaxBlockOutput);
  for (size_t at = 0; at < size; at += kMaxBlockOutput) {
    const uint32_t blockSize = static_cast<uint32_t>(size - at < kMaxBlockOutput ? size - at : kMaxBlockOutput);
    std::string frame;
    if (!encoder.EncodeBlock(data + at, blockSize, at + blockSize == size, &frame)) std::abort();
    uint32_t length = blockSize;
    if (QuantumDecompress(decoder, reinterpret_cast<const uint8_t*>(frame.data()), static_cast<uint32_t>(frame.size()),
                          output.data(), &length) != kDecoderOk ||
        length != blockSize || std::memcmp(output.data(), data + at, blockSize) != 0) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint32_t windowBits = 10 + (data[0] & 0x0F) % 12;
  const bool roundTrip = (data[0] & 0x80) != 0;
  QuantumDecoder* decoder = nullptr;
  uint32_t inputSize = 0;
  if (QuantumQueryCreate(0, windowBits, 0, kMemory, &inputSize, &decoder) != kDecoderOk) std::abort();
  if (roundTrip) {
    RoundTrip(windowBits, decoder, data + 1, size - 1);
  } else {
    DecodeFrames(decoder, data + 1, size - 1);
  }
  QuantumDestroy(decoder);
  return 0;
}
