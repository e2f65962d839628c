// The pretree coding of tree lengths: the run is first turned into pretree symbols with their
// extra bits, then the pretree is built from their counts and everything is written.
#include "packer/lzx_tree_writer.h"

#include <vector>

#include "cabinet/lzx_format.h"
#include "packer/huffman_code_builder.h"

namespace vorlax {

namespace {

constexpr uint32_t kPretreeMaxLength = 15;  // a pretree length is a 4-bit field
constexpr uint32_t kShortZeroMin = 4;
constexpr uint32_t kShortZeroMax = 19;
constexpr uint32_t kShortZeroBits = 4;
constexpr uint32_t kLongZeroMin = 20;
constexpr uint32_t kLongZeroMax = 51;
constexpr uint32_t kLongZeroBits = 5;
constexpr uint32_t kSameRunMin = 4;
constexpr uint32_t kSameRunMax = 5;

struct PretreeItem {
  uint8_t symbol;
  uint8_t extraBits;
  uint8_t extra;
  int8_t delta;  // symbol 19 only: the delta symbol that follows; -1 otherwise
};

uint8_t Delta(uint8_t previous, uint8_t length) {
  return static_cast<uint8_t>((previous + kLzxPretreeDeltaLimit - length) % kLzxPretreeDeltaLimit);
}

uint32_t ZeroRun(const uint8_t* lengths, uint32_t i, uint32_t end) {
  uint32_t n = 0;
  while (i + n < end && lengths[i + n] == 0) ++n;
  return n;
}

uint32_t SameRun(const uint8_t* previous, const uint8_t* lengths, uint32_t i, uint32_t end) {
  uint32_t n = 1;
  while (i + n < end && n < kSameRunMax && lengths[i + n] == lengths[i] &&
         previous[i + n] == previous[i]) {
    ++n;
  }
  return n;
}

std::vector<PretreeItem> ToPretreeItems(const uint8_t* previous, const uint8_t* lengths,
                                        uint32_t first, uint32_t end) {
  std::vector<PretreeItem> items;
  uint32_t i = first;
  while (i < end) {
    const uint32_t zeros = ZeroRun(lengths, i, end);
    if (zeros >= kLongZeroMin) {
      const uint32_t n = zeros > kLongZeroMax ? kLongZeroMax : zeros;
      items.push_back({kLzxPretreeLongZeros, kLongZeroBits, static_cast<uint8_t>(n - kLongZeroMin), -1});
      i += n;
      continue;
    }
    if (zeros >= kShortZeroMin) {
      items.push_back({kLzxPretreeShortZeros, kShortZeroBits, static_cast<uint8_t>(zeros - kShortZeroMin), -1});
      i += zeros;
      continue;
    }
    const uint32_t same = SameRun(previous, lengths, i, end);
    if (same >= kSameRunMin) {
      items.push_back({kLzxPretreeSameRun, 1, static_cast<uint8_t>(same - kSameRunMin),
                       static_cast<int8_t>(Delta(previous[i], lengths[i]))});
      i += same;
      continue;
    }
    items.push_back({Delta(previous[i], lengths[i]), 0, 0, -1});
    ++i;
  }
  return items;
}

}  // namespace

void WriteLzxLengthRun(LzxBitWriter* writer, const uint8_t* previous, const uint8_t* lengths,
                       uint32_t first, uint32_t end) {
  static_assert(kShortZeroMax - kShortZeroMin < (1u << kShortZeroBits), "short zero run field");
  const std::vector<PretreeItem> items = ToPretreeItems(previous, lengths, first, end);
  uint32_t freq[kLzxPretreeSymbols] = {};
  for (const PretreeItem& item : items) {
    ++freq[item.symbol];
    if (item.delta >= 0) ++freq[item.delta];
  }
  uint8_t pretree[kLzxPretreeSymbols];
  uint16_t codes[kLzxPretreeSymbols];
  BuildHuffmanLengths(freq, kLzxPretreeSymbols, kPretreeMaxLength, pretree);
  BuildCanonicalCodes(pretree, kLzxPretreeSymbols, codes);
  for (uint32_t i = 0; i < kLzxPretreeSymbols; ++i) writer->Write(pretree[i], kLzxPretreeLengthBits);
  for (const PretreeItem& item : items) {
    writer->Write(codes[item.symbol], pretree[item.symbol]);
    writer->Write(item.extra, item.extraBits);
    if (item.delta >= 0) writer->Write(codes[item.delta], pretree[item.delta]);
  }
}

}  // namespace vorlax
