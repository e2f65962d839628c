// DefineTable: the defines document schema and how entries are stored.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/define_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

Entries EntriesOf(const DefineTable& defines) {
  return Entries(defines.All().begin(), defines.All().end());
}

TEST(DefineTable, Schema) {
  struct Case {
    const char* what;
    std::u16string body;  // inside <Defines>
    Entries entries;
  };
  const std::vector<Case> cases = {
      {"name and value", u"<Define><Name>A</Name><Value>1</Value></Define>", {{u"A", u"1"}}},
      {"value without a name adds nothing", u"<Define><Value>1</Value></Define>", {}},
      {"empty name adds nothing", u"<Define><Name></Name><Value>1</Value></Define>", {}},
      {"name without a value is empty", u"<Define><Name>A</Name></Define>", {{u"A", u""}}},
      {"later define wins",
       u"<Define><Name>A</Name><Value>1</Value></Define><Define><Name>A</Name><Value>2</Value></Define>",
       {{u"A", u"2"}}},
      {"last Name and Value count", u"<Define><Name>A</Name><Value>1</Value><Name>B</Name><Value>2</Value></Define>",
       {{u"B", u"2"}}},
      {"value across lines is one line", u"<Define><Name>A</Name><Value>\r\n  one\r\n  two  \r\n</Value></Define>",
       {{u"A", u"one two"}}},
      {"entities", u"<Define><Name>A</Name><Value>&nbsp;x&cr;y&gt;</Value></Define>", {{u"A", u" x\ny>"}}},
      {"raw placeholders are kept", u"<Define><Name>P</Name><Value>%ProgramFiles%\\Game</Value></Define>",
       {{u"P", u"%ProgramFiles%\\Game"}}},
      {"names are case-sensitive",
       u"<Define><Name>a</Name><Value>1</Value></Define><Define><Name>A</Name><Value>2</Value></Define>",
       {{u"A", u"2"}, {u"a", u"1"}}},
      {"self-closing elements", u"<Define><Name>A</Name><Value/></Define><Define/>", {{u"A", u""}}},
  };
  for (const Case& c : cases) {
    DefineTable defines;
    EXPECT_TRUE(defines.LoadText(u"<Defines>" + c.body + u"</Defines>")) << c.what;
    EXPECT_EQ(EntriesOf(defines), c.entries) << c.what;
  }
}

TEST(DefineTable, TextWithAByteOrderMarkLoads) {
  // An attached defines text may begin with the mark, which arrives as the character U+FEFF.
  DefineTable defines;
  EXPECT_TRUE(defines.LoadText(u"\uFEFF<Defines><Define><Name>A</Name><Value>\u00FEing</Value></Define></Defines>"))
      << ToUtf8(defines.GetErrorText());
  EXPECT_EQ(defines.Get(u"A"), u"\u00FEing");
}

TEST(DefineTable, LoadingReplacesEarlierValues) {
  DefineTable defines;
  defines.Set(u"InstallPath", u"C:\\Old");
  defines.Set(u"Keep", u"k");
  EXPECT_TRUE(defines.LoadText(u"<Defines><Define><Name>InstallPath</Name><Value>C:\\New</Value></Define></Defines>"));
  EXPECT_EQ(defines.Get(u"InstallPath"), u"C:\\New");
  EXPECT_EQ(defines.Get(u"Keep"), u"k");
  EXPECT_FALSE(defines.Has(u"Missing"));
  EXPECT_EQ(defines.Get(u"Missing"), u"");
}

class DefineTableFileTest : public ConfigTest {};

TEST_F(DefineTableFileTest, SampleFileWithLaterReference) {
  AddUtf16File(u"C:\\cfg\\defines.xml",
               u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Defines>\r\n"
               u"  <Define><Name>InstallGroup</Name><Value>Vorlax Games</Value></Define>\r\n"
               u"  <Define><Name>InstallName</Name><Value>Demo %Version%</Value></Define>\r\n"
               u"  <Define><Name>InstallPath</Name><Value>%ProgramFiles%\\Vorlax Demo</Value></Define>\r\n"
               u"  <Define><Name>Version</Name><Value>1.2</Value></Define>\r\n</Defines>\r\n");
  DefineTable& defines = State().defines;
  defines.Set(u"ProgramFiles", u"C:\\Program Files");
  ASSERT_TRUE(defines.LoadFile(u"C:\\cfg\\defines.xml")) << ToUtf8(defines.GetErrorText());
  EXPECT_EQ(ExpandDefines(defines, u"%InstallName%"), u"Demo 1.2");
  EXPECT_EQ(ExpandDefines(defines, u"%InstallPath%"), u"C:\\Program Files\\Vorlax Demo");
  EXPECT_EQ(defines.Get(u"InstallGroup"), u"Vorlax Games");
}

}  // namespace
}  // namespace vorlax
