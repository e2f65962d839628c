// Swapping the LZX bit reader's words into its span buffer.
#include "cabinet/lzx_bit_reader.h"

namespace vorlax {

namespace {

// The data byte at offset `at`, 0 past the end.
uint8_t DataByte(const uint8_t* data, uint32_t size, uint64_t at) { return at < size ? data[at] : 0; }

}  // namespace

void LzxSwapWords(const uint8_t* data, uint32_t size, uint32_t base, uint8_t* swapped) {
  constexpr uint32_t kBytes = LzxBitReader::kSwapBytes;
  static_assert(kBytes % 8 == 0, "whole 8-byte groups");
  if (base <= size && size - base >= kBytes) {
    for (uint32_t i = 0; i < kBytes; i += 8) {
      const uint64_t v = ReadLe64(data + base + i);
      WriteLe64(swapped + i, ((v & 0x00FF00FF00FF00FFull) << 8) | ((v >> 8) & 0x00FF00FF00FF00FFull));
    }
    return;
  }
  for (uint32_t i = 0; i < kBytes; i += 2) {
    swapped[i] = DataByte(data, size, static_cast<uint64_t>(base) + i + 1);
    swapped[i + 1] = DataByte(data, size, static_cast<uint64_t>(base) + i);
  }
}

}  // namespace vorlax
