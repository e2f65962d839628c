// ConvertRegistryValue: the three value types with their text conversions, byte for byte.
#include "actions/registry_value_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/system.h"

namespace vorlax {
namespace {

struct ValueCase {
  int32_t typeNum;
  std::u16string text;
  uint32_t type;
  std::string bytes;
  int badPairs;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

TEST(ConvertRegistryValue, ConvertsEachType) {
  const std::vector<ValueCase> cases = {
      {0, u"abc", kRegSz, Bytes({0x61, 0, 0x62, 0, 0x63, 0, 0, 0}), 0},
      {0, u"", kRegSz, Bytes({0, 0}), 0},
      {0, u"\u20ac", kRegSz, Bytes({0xAC, 0x20, 0, 0}), 0},
      {1, u" -12abc", kRegDword, Bytes({0xF4, 0xFF, 0xFF, 0xFF}), 0},
      {1, u"letters", kRegDword, Bytes({0, 0, 0, 0}), 0},
      {1, u"0x10", kRegDword, Bytes({0, 0, 0, 0}), 0},
      {1, u"\t\n+258", kRegDword, Bytes({0x02, 0x01, 0, 0}), 0},
      {1, u"4294967297", kRegDword, Bytes({0x01, 0, 0, 0}), 0},  // wraps at 32 bits
      {1, u"-2147483648", kRegDword, Bytes({0, 0, 0, 0x80}), 0},
      {2, u"de AD be", kRegBinary, Bytes({0xDE, 0xAD, 0xBE}), 0},
      {2, u"0A 0B", kRegBinary, Bytes({0x0A, 0x0B}), 0},
      {2, u"0A0B", kRegBinary, Bytes({0x0A, 0x0B}), 0},
      {2, u"A 0B", kRegBinary, Bytes({0x0B}), 1},
      {2, u"0A0", kRegBinary, Bytes({0x0A}), 1},       // a trailing single digit
      {2, u"0A\t0B", kRegBinary, Bytes({0x0A}), 2},    // tab: "\t0" and then "B"
      {2, u"zz 12 g1", kRegBinary, Bytes({0x12}), 2},
      {2, u"", kRegBinary, Bytes({}), 0},
      {2, u"   ", kRegBinary, Bytes({}), 0},
  };
  for (const ValueCase& c : cases) {
    RegistryValueData data;
    ASSERT_TRUE(ConvertRegistryValue(c.typeNum, c.text, &data)) << ToUtf8(c.text);
    EXPECT_EQ(data.type, c.type) << ToUtf8(c.text);
    EXPECT_EQ(data.bytes, c.bytes) << ToUtf8(c.text);
    EXPECT_EQ(data.badBinaryPairs, c.badPairs) << ToUtf8(c.text);
  }
}

TEST(ConvertRegistryValue, RefusesOtherTypeNumbers) {
  for (int32_t typeNum : {-1, 3, 4, 7}) {
    RegistryValueData data;
    EXPECT_FALSE(ConvertRegistryValue(typeNum, u"1", &data)) << typeNum;
  }
}

}  // namespace
}  // namespace vorlax
