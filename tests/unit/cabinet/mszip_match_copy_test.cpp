// The MSZIP fast loop's match copy against a byte-by-byte forward copy: every distance and length
// around the word sizes it treats specially, with the whole buffer compared, so that a byte
// written past the match's end (the previous block's output, still read by later matches) or an
// overlap copied in the wrong order shows up.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cabinet/mszip_match_copy.h"

namespace vorlax {
namespace {

constexpr unsigned kBefore = 40;  // room for the longest distance tested
constexpr unsigned kAfter = 300;  // room for the longest match plus the copy's slack

std::vector<uint8_t> Filled() {
  std::vector<uint8_t> b(kBefore + kAfter);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 37 + 11);
  return b;
}

TEST(MszipMatchCopy, WithSlackEqualsAByteByByteCopyAndWritesNothingAfterTheMatch) {
  const unsigned lengths[] = {3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 24, 31, 32, 33, 100, 258};
  for (unsigned distance = 1; distance <= kBefore; ++distance) {
    for (unsigned length : lengths) {
      std::vector<uint8_t> expected = Filled();
      for (unsigned i = 0; i < length; ++i) expected[kBefore + i] = expected[kBefore + i - distance];
      std::vector<uint8_t> actual = Filled();
      CopyWithinOutputWithSlack(actual.data() + kBefore, distance, length);
      EXPECT_EQ(actual, expected) << "distance " << distance << ", length " << length;
    }
  }
}

}  // namespace
}  // namespace vorlax
