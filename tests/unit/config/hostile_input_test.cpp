// Hostile configuration files through the document readers: binary garbage, huge files, deep
// nesting, unbalanced quotes. Each ends with a result or an exact error, never a crash or hang.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/define_table.h"
#include "config/install_config.h"
#include "config/property_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

const std::u16string kPath = u"C:\\cfg\\defines.xml";

class HostileInputTest : public ConfigTest {
 protected:
  std::u16string LoadDefines(const std::string& bytes) {
    system.AddFile(kPath, bytes);
    DefineTable defines;
    return defines.LoadFile(kPath) ? u"ok" : defines.GetErrorText();
  }
  std::u16string InFile(const std::u16string& message) { return message + u" in File '" + kPath + u"'"; }
};

TEST_F(HostileInputTest, BinaryGarbageIsAnError) {
  // Bytes of a typical executable header: "MZ" then zeros and control bytes.
  std::string bytes("MZ\x90\x00<\x00\x03\x00\x00\x00\x04\x00", 12);
  EXPECT_EQ(LoadDefines(bytes), InFile(u"Element Not Expected '\u5A4D\u0090' on Line 1"));
  EXPECT_EQ(LoadDefines(bytes.substr(0, 4) + bytes.substr(6)), InFile(u"Illegal Character on Line 1"));
  // Control characters as UTF-16 units.
  EXPECT_EQ(LoadDefines(std::string("\xFF\xFE\n\x00\x01\x00", 6)), InFile(u"Illegal Character on Line 2"));
}

TEST_F(HostileInputTest, PseudoRandomFilesEndWithAResultOrADecoratedError) {
  uint32_t seed = 99;
  for (int round = 0; round < 40; ++round) {
    std::string bytes = "\xFF\xFE" + ToUtf16Le(u"<Defines><Define><Name>");
    for (int k = 0; k < 5000; ++k) {
      seed = seed * 1664525u + 1013904223u;
      const char markup[] = "<>/\"=!- \n&;%#";
      uint32_t pick = (seed >> 24) % 20;
      char16_t c = pick < 13 ? static_cast<char16_t>(markup[pick]) : static_cast<char16_t>(seed >> 8);
      bytes += ToUtf16Le(std::u16string(1, c));
    }
    std::u16string result = LoadDefines(bytes);
    if (result != u"ok") {
      EXPECT_NE(result.find(u" on Line "), std::u16string::npos) << ToUtf8(result);
      EXPECT_EQ(result.substr(result.size() - kPath.size() - 11), u" in File '" + kPath + u"'");
    }
  }
}

TEST_F(HostileInputTest, HugeFileLoads) {
  // About 5 MB: 50,000 defines, every one of them kept.
  std::u16string text = u"<Defines>\r\n";
  for (int k = 0; k < 50000; ++k) {
    text += u"<Define><Name>D" + DecimalText(k) + u"</Name><Value>value number " + DecimalText(k) +
            u" with some padding text after it</Value></Define>\r\n";
  }
  text += u"</Defines>\r\n";
  AddUtf16File(kPath, text);
  DefineTable defines;
  ASSERT_TRUE(defines.LoadFile(kPath)) << ToUtf8(defines.GetErrorText());
  EXPECT_EQ(defines.All().size(), 50000u);
  EXPECT_EQ(defines.Get(u"D49999"), u"value number 49999 with some padding text after it");
}

TEST_F(HostileInputTest, HugeFileWithAnErrorAtTheEndReportsItsLine) {
  std::u16string text = u"<Defines>\r\n";
  for (int k = 0; k < 100000; ++k) text += u"<!-- filler -->\r\n";
  text += u"<Oops/></Defines>";
  AddUtf16File(kPath, text);
  DefineTable defines;
  EXPECT_FALSE(defines.LoadFile(kPath));
  EXPECT_EQ(defines.GetErrorText(), InFile(u"Invalid Section 'Oops' on Line 100002"));
}

TEST_F(HostileInputTest, UnbalancedQuoteSwallowsTheRest) {
  std::string bytes = "\xFF\xFE" + ToUtf16Le(u"<Defines>\r\n<Define><Name>A</Name><Value>\"oops</Value></Define>\r\n"
                                             u"<Define><Name>B</Name></Define>\r\n</Defines>\r\n");
  // Four line feeds were read before the input ended.
  EXPECT_EQ(LoadDefines(bytes), InFile(u"Unexpected End of File on Line 5"));
}

TEST_F(HostileInputTest, DeepNestingIsAnError) {
  std::u16string text;
  for (int k = 0; k < 100000; ++k) text += u"<InstallConfig>";
  InstallConfig config;
  EXPECT_FALSE(config.LoadText(text));
  // The second level is already outside the schema.
  EXPECT_EQ(config.GetErrorText(), u"Invalid Section 'InstallConfig' on Line 1");
  PropertyTable properties;
  std::u16string nested = u"<Properties><String>";
  for (int k = 0; k < 100000; ++k) nested += u"<x>";
  EXPECT_FALSE(properties.LoadText(nested));
  EXPECT_EQ(properties.GetErrorText(), u"Unexpected Section: 'x' on Line 1");
}

TEST_F(HostileInputTest, HugeValueExpandsWithinBounds) {
  DefineTable& defines = State().defines;
  std::u16string value;
  for (int k = 0; k < 100000; ++k) value += u"%Self%";
  defines.Set(u"Self", value);
  EXPECT_EQ(ExpandDefines(defines, u"[%Self%]"), u"[]");
}

}  // namespace
}  // namespace vorlax
