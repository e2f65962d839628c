// LZX bit reader tests: every read is compared with a plain reference that takes the stream one
// bit at a time from 16-bit little-endian words counted from the start byte (most significant bit
// first, zeros past the data). The inputs span several of the reader's swap spans, start at odd
// and even bytes and end on odd and even counts, so that every way of refilling is reached.
#include "cabinet/lzx_bit_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vorlax {
namespace {

class ReferenceBits {
 public:
  ReferenceBits(const std::vector<uint8_t>& data, uint32_t start) : data_(data), start_(start) {}

  uint32_t Read(uint32_t n) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i, ++consumed_) {
      const uint64_t word = start_ + consumed_ / 16 * 2;
      const uint32_t low = word < data_.size() ? data_[word] : 0;
      const uint32_t high = word + 1 < data_.size() ? data_[word + 1] : 0;
      v = (v << 1) | ((((high << 8) | low) >> (15 - consumed_ % 16)) & 1);
    }
    return v;
  }
  // Consumed bits past the data, counted from offset 0 as the reader counts its input.
  bool Overrun() const { return start_ * 8ull + consumed_ > data_.size() * 8ull; }
  uint32_t AlignedBytePosition() const { return start_ + consumed_ / 16 * 2 + 2; }

 private:
  const std::vector<uint8_t>& data_;
  uint64_t start_;
  uint64_t consumed_ = 0;
};

TEST(LzxBitReader, ReadsAgreeWithTheWordStreamAcrossSpansStartsAndEnds) {
  std::mt19937 random(11);
  const uint32_t span = LzxBitReader::kSwapSpan;
  for (const uint32_t size : {0u, 1u, 7u, 8u, span - 1, span + 9, 3 * span + 5, 3 * span + 6}) {
    std::vector<uint8_t> data(size);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    for (const uint32_t start : {0u, 1u, 2u, 5u}) {
      if (start > size) continue;
      SCOPED_TRACE(testing::Message() << "size " << size << " start " << start);
      uint8_t swapped[LzxBitReader::kSwapBytes];
      LzxBitReader bits;
      bits.Start(data.data(), size, start, swapped);
      ReferenceBits reference(data, start);
      // Reads of every width, by Read and by Refill with Peek and ConsumeShort, until 64 bits past
      // the end (the decoder reads ahead of what it consumes).
      for (uint64_t read = 0; read < (size - start) * 8ull + 64;) {
        const uint32_t n = random() % 33;
        uint32_t got = 0;
        if (random() % 2 == 0) {
          got = bits.Read(n);
        } else {
          bits.Refill();
          ASSERT_GE(bits.Available(), 56u);
          got = bits.Peek(n);
          bits.ConsumeShort(n);
        }
        ASSERT_EQ(got, reference.Read(n)) << "after " << read << " bits";
        read += n;
        ASSERT_EQ(bits.Overrun(), reference.Overrun()) << "after " << read << " bits";
        ASSERT_EQ(bits.AlignedBytePosition(), reference.AlignedBytePosition());
      }
    }
  }
}

}  // namespace
}  // namespace vorlax
