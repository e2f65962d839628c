// PropertyTable: strings and arrays of props.xml, first entry of an id wins, 8-bit ids.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/property_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

const std::u16string kProps = u"C:\\Temp\\cfg\\props.xml";

class PropertyTableTest : public ConfigTest {
 protected:
  bool Load(const std::u16string& body) {
    AddUtf16File(kProps, u"<Properties>" + body + u"</Properties>");
    return table.LoadFile(kProps);
  }
  PropertyTable table;
};

TEST_F(PropertyTableTest, Strings) {
  struct Case {
    const char* what;
    std::u16string body;
    PropertyTable::Strings strings;
  };
  const std::vector<Case> cases = {
      {"first entry of an id wins", u"<String id=\"A\">x</String><String id=\"A\">y</String>", {{"A", u"x"}}},
      {"missing id is the empty id", u"<String>anon</String>", {{"", u"anon"}}},
      {"line break entity", u"<String id=\"T\">Line one&cr;Line two</String>", {{"T", u"Line one\nLine two"}}},
      {"greater-than entity", u"<String id=\"B\">Next &gt;</String>", {{"B", u"Next >"}}},
      {"double space through nbsp", u"<String id=\"S\">a &nbsp;b</String>", {{"S", u"a  b"}}},
      {"empty string", u"<String id=\"E\"/>", {{"E", u""}}},
      {"ids are case-sensitive", u"<String id=\"a\">1</String><String id=\"A\">2</String>",
       {{"A", u"2"}, {"a", u"1"}}},
      {"Latin-1 id becomes its byte", u"<String id=\"caf\u00E9\">x</String>", {{"caf\xE9", u"x"}}},
      {"other attributes are ignored", u"<String lang=\"en\" id=\"L\">x</String>", {{"L", u"x"}}},
  };
  for (const Case& c : cases) {
    PropertyTable fresh;
    AddUtf16File(kProps, u"<Properties>" + c.body + u"</Properties>");
    EXPECT_TRUE(fresh.LoadFile(kProps)) << c.what << ": " << ToUtf8(fresh.GetErrorText());
    EXPECT_EQ(fresh.GetStrings(), c.strings) << c.what;
  }
}

TEST_F(PropertyTableTest, Arrays) {
  ASSERT_TRUE(Load(u"<StringArray id=\"L\"><String>a</String><String x=\"1\">b</String></StringArray>"
                   u"<StringArray id=\"L\"><String>c</String></StringArray><StringArray id=\"E\"/>"));
  PropertyTable::Arrays expected = {{"E", {}}, {"L", {u"a", u"b"}}};
  EXPECT_EQ(table.GetArrays(), expected);
  EXPECT_TRUE(table.GetStrings().empty());
}

TEST_F(PropertyTableTest, Errors) {
  struct Case {
    const char* what;
    std::u16string body;
    std::u16string message;
  };
  const std::vector<Case> cases = {
      {"item element in an array", u"<StringArray id=\"L\">\r\n<Item/></StringArray>",
       u"Invalid Section 'Item' on Line 2"},
      {"text in an array", u"<StringArray id=\"L\">loose</StringArray>", u"Element Not Expected 'loose' on Line 1"},
      {"element in a string", u"<String id=\"A\">a<B/></String>", u"Unexpected Section: 'B' on Line 1"},
      {"element in an array item", u"<StringArray><String><B/></String></StringArray>",
       u"Unexpected Section: 'B' on Line 1"},
      {"literal greater-than", u"<String id=\"B\">Next ></String>", u"Unexpected '>' on Line 1"},
      {"unknown element", u"<Text id=\"A\">x</Text>", u"Invalid Section 'Text' on Line 1"},
      {"text in the root", u"stray", u"Element Not Expected 'stray' on Line 1"},
  };
  for (const Case& c : cases) {
    PropertyTable fresh;
    AddUtf16File(kProps, u"<Properties>" + c.body + u"</Properties>");
    EXPECT_FALSE(fresh.LoadFile(kProps)) << c.what;
    EXPECT_EQ(fresh.GetErrorText(), c.message + u" in File '" + kProps + u"'") << c.what;
  }
}

TEST_F(PropertyTableTest, DeclarationAndCommentsLoad) {
  AddUtf16File(kProps, u"<?xml version=\"1.0\" ?>\r\n<Properties>\r\n<!-- buttons -->\r\n"
                       u"<String id=\"BUTTON_NEXT\">Next &gt;</String>\r\n<!-- more -->\r\n"
                       u"<String id=\"BUTTON_BACK\">&lt; Back</String>\r\n</Properties>\r\n");
  ASSERT_TRUE(table.LoadFile(kProps)) << ToUtf8(table.GetErrorText());
  PropertyTable::Strings expected = {{"BUTTON_BACK", u"< Back"}, {"BUTTON_NEXT", u"Next >"}};
  EXPECT_EQ(table.GetStrings(), expected);
}

TEST_F(PropertyTableTest, StringsBeforeAnErrorStay) {
  EXPECT_FALSE(Load(u"<String id=\"A\">x</String><Bad/>"));
  EXPECT_EQ(table.GetStrings().at("A"), u"x");
}

TEST_F(PropertyTableTest, IdWithoutAnEightBitFormIsNotStored) {
  std::u16string longId(kMaxNarrowChars + 1, u'I');
  std::u16string cutId(kMaxNarrowChars, u'I');
  ASSERT_TRUE(Load(u"<String id=\"A\u4E01\">wide</String><String id=\"A\">plain</String>"
                   u"<String id=\"" + longId + u"\">long</String><String id=\"" + cutId + u"\">cut</String>"));
  PropertyTable::Strings expected = {{"A", u"plain"}, {Narrow(cutId), u"cut"}};
  EXPECT_EQ(table.GetStrings(), expected);
  EXPECT_EQ(table.UnconvertibleIds(), (std::vector<std::u16string>{u"A\u4E01", longId}));
}

}  // namespace
}  // namespace vorlax
