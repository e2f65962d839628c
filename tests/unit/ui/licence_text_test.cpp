// LoadLicenseText: the mark, files too short for it, odd lengths, and the licence shown through
// the substitution (cut to 16,383 characters, placeholders expanded).
#include "ui/licence_text.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "ui/window_text.h"
#include "ui_fixture.h"

namespace vorlax {
namespace {

const std::u16string kPath = u"C:\\users\\player\\Temp\\vorcfg1\\license.txt";

class LicenceTest : public UiTest {};

TEST_F(LicenceTest, ReadsTheBytesAsUtf16Le) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"MarkSkipped", std::string("\xFF\xFEH\0i\0", 6), u"Hi"},
      {"NoMarkNothingDropped", std::string("H\0i\0", 4), u"Hi"},
      {"NonAsciiCharacters", std::string("\xFF\xFE\xE9\0\x2C" "\x20", 6), u"\u00E9\u202C"},
      {"EmptyFile", std::string(), u""},
      {"OneByte", std::string("\xFF", 1), u""},
      {"MarkOnly", std::string("\xFF\xFE", 2), u""},
      {"OddLastByteDropped", std::string("\xFF\xFEH\0i", 5), u"H"},
      {"EndsAtAZeroCharacter", std::string("\xFF\xFEH\0\0\0i\0", 8), u"H"},
      {"LineBreaksKept", std::string("\xFF\xFE" "a\0\r\0\n\0b\0", 10), u"a\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.AddFile(kPath, c.bytes);
    std::u16string text = u"stale";
    EXPECT_TRUE(LoadLicenseText(kPath, &text));
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(fake.openFiles, 0);
  }
}

TEST_F(LicenceTest, MissingFileAnswersFalseWithEmptyText) {
  std::u16string text = u"stale";
  EXPECT_FALSE(LoadLicenseText(kPath, &text));
  EXPECT_EQ(text, u"");
}

TEST_F(LicenceTest, PathIsTheTemporaryFolderAndTheLicenceTitleAsWritten) {
  State().tempDir = u"C:\\users\\player\\Temp\\vorcfg1";
  State().config.LicenseTitle = u"%NOT_EXPANDED%.txt";
  EXPECT_EQ(LicenceFilePath(), u"C:\\users\\player\\Temp\\vorcfg1\\%NOT_EXPANDED%.txt");
}

TEST_F(LicenceTest, ALongLicenceIsShownCutAndExpanded) {
  std::u16string licence = u"Install to %InstallPath%.\r\n" + std::u16string(20000, u'x');
  fake.AddFile(kPath, "\xFF\xFE" + ToUtf16Le(licence));
  State().defines.Set(u"InstallPath", u"C:\\Games\\Game");
  std::u16string text;
  ASSERT_TRUE(LoadLicenseText(kPath, &text));
  EXPECT_EQ(text.size(), licence.size());
  const std::u16string shown = SubstituteText(text);
  const std::u16string expectedStart = u"Install to C:\\Games\\Game.\r\n";
  const size_t placeholderGrowth = expectedStart.size() - std::u16string(u"Install to %InstallPath%.\r\n").size();
  EXPECT_EQ(shown.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(shown.size(), kMaxWindowTextChars + placeholderGrowth);
}

}  // namespace
}  // namespace vorlax
