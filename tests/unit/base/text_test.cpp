#include "base/text.h"

#include <gtest/gtest.h>

#include "base/little_endian.h"

namespace vorlax {
namespace {

TEST(Text, WidenAndNarrowAreByteForByte) {
  std::string bytes = "a\xE9\xFF";
  std::u16string wide = Widen(bytes);
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(wide[1], 0x00E9);
  EXPECT_EQ(wide[2], 0x00FF);
  EXPECT_EQ(Narrow(wide), bytes);
}

TEST(Text, NarrowStopsAtUnrepresentableAndCutsAt255) {
  std::string out;
  EXPECT_FALSE(NarrowText(u"ab\u0100cd", &out));
  EXPECT_EQ(out, "ab");
  EXPECT_TRUE(NarrowText(std::u16string(300, u'x'), &out));
  EXPECT_EQ(out.size(), kMaxNarrowChars);
}

TEST(Text, Utf16LeOddByteCountGivesWholeCharacters) {
  const unsigned char bytes[] = {'h', 0, 'i', 0, 'x'};
  EXPECT_EQ(FromUtf16Le(bytes, sizeof bytes), u"hi");
  EXPECT_EQ(ToUtf16Le(u"hi"), std::string("h\0i\0", 4));
}

TEST(Text, Utf8RoundTripsAndKeepsStrayBytes) {
  std::u16string text = u"Caf\u00E9 \u4E2D \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(FromUtf8("\xE9x"), std::u16string(u"\u00E9x"));
}

TEST(Text, SeparatorsAndFolders) {
  struct Case {
    std::u16string path, folder, trimmed;
  } cases[] = {
      {u"C:\\Games\\setup.exe", u"C:\\Games", u"C:\\Games\\setup.exe"},
      {u"C:/Games/x\\y", u"C:/Games/x", u"C:/Games/x\\y"},
      {u"setup.exe", u"setup.exe", u"setup.exe"},
      {u"C:\\Games\\", u"C:\\Games", u"C:\\Games"},
      {u"D:/", u"D:", u"D:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(WithoutTrailingSeparator(c.path), c.trimmed) << ToUtf8(c.path);
  }
}

TEST(LittleEndian, ReadsAndWrites) {
  uint8_t buffer[4];
  WriteLe32(buffer, 0x12345678u);
  EXPECT_EQ(buffer[0], 0x78);
  EXPECT_EQ(ReadLe32(buffer), 0x12345678u);
  WriteLe16(buffer, 0xBEEF);
  EXPECT_EQ(ReadLe16(buffer), 0xBEEF);
}

}  // namespace
}  // namespace vorlax
