// SectionReader through its three documents: the structure errors with their line and file
// decoration, reader errors reported after the loops, and the documents it accepts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/define_table.h"
#include "config/install_config.h"
#include "config/property_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

const std::u16string kPath = u"C:\\Temp\\cfg\\doc.xml";

struct ErrorCase {
  const char* what;
  std::u16string document;
  std::u16string message;  // bare; the file form adds " in File '<path>'"
};

class SectionReaderTest : public ConfigTest {
 protected:
  // Loads document through a file into a fresh reader of type T; the error text, or "ok".
  template <typename T>
  std::u16string LoadFile(const std::u16string& document) {
    AddUtf16File(kPath, document);
    T reader;
    return reader.LoadFile(kPath) ? u"ok" : reader.GetErrorText();
  }
  std::u16string FileForm(const std::u16string& message) {
    return message + u" in File '" + kPath + u"'";
  }
};

TEST_F(SectionReaderTest, DefinesErrorsCarryLineAndFile) {
  const std::vector<ErrorCase> cases = {
      {"wrong root", u"<Props></Props>", u"Invalid Section 'Props' on Line 1"},
      {"text directly in the root", u"<Defines>abc</Defines>", u"Element Not Expected 'abc' on Line 1"},
      {"text before the root", u"\r\n  hello  <Defines/>", u"Element Not Expected 'hello' on Line 2"},
      {"unknown child", u"<Defines>\r\n<Definition/></Defines>", u"Invalid Section 'Definition' on Line 2"},
      {"text in a Define", u"<Defines><Define>x</Define></Defines>", u"Element Not Expected 'x' on Line 1"},
      {"element in a text field", u"<Defines><Define><Name>a<B/></Name></Define></Defines>",
       u"Unexpected Section: B on Line 1"},
      {"reader error after the loops", u"<Defines>\r\n\r\n<Define>></Define></Defines>",
       u"Unexpected '>' on Line 3"},
      {"mismatched end", u"<Defines><Define></Defines>",
       u"End 'Defines' Doesn't Match Start 'Define' on Line 1"},
      {"collapsed and decoded text in the message", u"<Defines> a\r\n  &amp; b </Defines>",
       u"Element Not Expected 'a & b' on Line 2"},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(LoadFile<DefineTable>(c.document), FileForm(c.message)) << c.what;
  }
}

TEST_F(SectionReaderTest, PropertiesQuoteTheUnexpectedSection) {
  EXPECT_EQ(LoadFile<PropertyTable>(u"<Properties><String id=\"x\">a<B/></String></Properties>"),
            FileForm(u"Unexpected Section: 'B' on Line 1"));
  EXPECT_EQ(LoadFile<PropertyTable>(u"<Props></Props>"), FileForm(u"Invalid Section 'Props' on Line 1"));
}

TEST_F(SectionReaderTest, InstallConfigDoesNotQuoteTheUnexpectedSection) {
  EXPECT_EQ(LoadFile<InstallConfig>(u"<InstallConfig><RunExe>a<B/></RunExe></InstallConfig>"),
            FileForm(u"Unexpected Section: B on Line 1"));
}

TEST_F(SectionReaderTest, TextSourceHasLineButNoFile) {
  DefineTable defines;
  EXPECT_FALSE(defines.LoadText(u"<Defines>\n\nabc</Defines>"));
  EXPECT_EQ(defines.GetErrorText(), u"Element Not Expected 'abc' on Line 3");
}

TEST_F(SectionReaderTest, MissingFileIsTheBareOpenError) {
  DefineTable defines;
  EXPECT_FALSE(defines.LoadFile(u"C:\\x\\defines.xml"));
  EXPECT_EQ(defines.GetErrorText(), u"Unable to open file C:\\x\\defines.xml");
  EXPECT_TRUE(defines.HasError());
}

TEST_F(SectionReaderTest, AcceptedDocuments) {
  struct Case {
    const char* what;
    std::u16string document;
    std::vector<std::u16string> names;  // defines stored, in name order
  };
  const std::vector<Case> cases = {
      {"declaration and whitespace only", u"<?xml version=\"1.0\" ?>\r\n  \r\n", {}},
      {"empty file", u"", {}},
      {"two roots are both read",
       u"<Defines><Define><Name>A</Name></Define></Defines><Defines><Define><Name>B</Name></Define></Defines>",
       {u"A", u"B"}},
      {"truncated inside an entry stores nothing", u"<Defines><Define><Name>A</Name>", {}},
      {"truncated after an entry keeps it", u"<Defines><Define><Name>A</Name></Define><Define>", {u"A"}},
      {"instructions and comments anywhere",
       u"<?a?><Defines><?b?><!-- c --><Define><?d?><Name><?e?>A<!-- f --></Name></Define></Defines>",
       {u"A"}},
  };
  for (const Case& c : cases) {
    AddUtf16File(kPath, c.document);
    DefineTable defines;
    EXPECT_TRUE(defines.LoadFile(kPath)) << c.what << ": " << ToUtf8(defines.GetErrorText());
    std::vector<std::u16string> names;
    for (const auto& define : defines.All()) names.push_back(define.first);
    EXPECT_EQ(names, c.names) << c.what;
  }
}

TEST_F(SectionReaderTest, EntriesBeforeAnErrorStay) {
  DefineTable defines;
  EXPECT_FALSE(defines.LoadText(u"<Defines><Define><Name>A</Name><Value>1</Value></Define><Bad/></Defines>"));
  EXPECT_EQ(defines.GetErrorText(), u"Invalid Section 'Bad' on Line 1");
  EXPECT_EQ(defines.Get(u"A"), u"1");
}

TEST_F(SectionReaderTest, ErrorIsNeverCleared) {
  DefineTable defines;
  EXPECT_FALSE(defines.LoadText(u"<Bad/>"));
  EXPECT_FALSE(defines.LoadText(u"<Defines/>"));
  EXPECT_EQ(defines.GetErrorText(), u"Invalid Section 'Bad' on Line 1");
}

}  // namespace
}  // namespace vorlax
