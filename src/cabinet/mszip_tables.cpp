// The deflate format's length, distance and code-length-order tables, and the byte reversal table.
#include "cabinet/mszip_tables.h"

namespace vorlax {
namespace {

constexpr MszipReversedBytes MakeReversedBytes() {
  MszipReversedBytes r{};
  for (unsigned b = 0; b < 256; ++b) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit) reversed |= ((b >> bit) & 1) << (7 - bit);
    r.byte[b] = static_cast<uint8_t>(reversed);
  }
  return r;
}

}  // namespace

const MszipReversedBytes kMszipReversedBytes = MakeReversedBytes();

const uint16_t kMszipLengthBase[kMszipLengthSymbols] = {
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kMszipLengthExtra[kMszipLengthSymbols] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kMszipDistanceBase[kMszipMaxDistanceCodes] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kMszipDistanceExtra[kMszipMaxDistanceCodes] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kMszipCodeLengthOrder[kMszipCodeLengthCodes] = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

}  // namespace vorlax
