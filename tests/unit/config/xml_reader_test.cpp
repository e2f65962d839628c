// XmlReader and DecodeEntities: the dialect's rules, every error text, files with and without a
// byte-order mark, and hostile input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/xml_node.h"
#include "config/xml_reader.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

// One node in a compact form: "S:name{path}[a=1,b=2]" start tag (attributes in order added),
// "E:name{path}", "T:text{path}", "I:target|extra"; the read ends with "end" or
// "error:<message>@<line>".
std::string Describe(const XmlNode& node) {
  std::string out;
  switch (node.kind) {
    case XmlNodeKind::StartTag: out = "S:"; break;
    case XmlNodeKind::EndTag: out = "E:"; break;
    case XmlNodeKind::Text: out = "T:"; break;
    case XmlNodeKind::Instruction: return "I:" + ToUtf8(node.name) + "|" + ToUtf8(node.extra);
    default: out = "?:"; break;
  }
  out += ToUtf8(node.name);
  if (!node.path.empty()) out += "{" + ToUtf8(node.path) + "}";
  if (node.kind == XmlNodeKind::StartTag && !node.attributeOrder.empty()) {
    out += "[";
    for (std::size_t i = 0; i < node.attributeOrder.size(); ++i) {
      const std::u16string& name = node.attributeOrder[i];
      out += (i ? "," : "") + ToUtf8(name) + "=" + ToUtf8(node.attributes.at(name));
    }
    out += "]";
  }
  return out;
}

std::vector<std::string> ReadAll(XmlReader* reader) {
  std::vector<std::string> nodes;
  XmlNode node;
  while (reader->Next(&node)) nodes.push_back(Describe(node));
  if (reader->HasError()) {
    nodes.push_back("error:" + ToUtf8(reader->GetErrorText()) + "@" +
                    std::to_string(reader->GetLine()));
  } else {
    nodes.push_back("end");
  }
  return nodes;
}

std::vector<std::string> ReadText(const std::u16string& text) {
  XmlReader reader;
  reader.OpenText(text);
  return ReadAll(&reader);
}

struct ReaderCase {
  const char* what;
  std::u16string input;
  std::vector<std::string> nodes;
};

void RunCases(const std::vector<ReaderCase>& cases) {
  for (const ReaderCase& c : cases) EXPECT_EQ(ReadText(c.input), c.nodes) << c.what;
}

TEST(XmlReader, Structure) {
  RunCases({
      {"empty input", u"", {"end"}},
      {"whitespace only", u" \r\n\t ", {"end"}},
      {"nested elements with paths", u"<A><B>x</B></A>",
       {"S:A", "S:B{A}", "T:x{A/B}", "E:B{A/B}", "E:A{A}", "end"}},
      {"declaration", u"<?xml version=\"1.0\" ?><A/>",
       {"I:xml| version=\"1.0\" ", "S:A", "E:A{A}", "end"}},
      {"instruction without extra", u"<?go?>", {"I:go|", "end"}},
      {"comment skipped", u"<A><!-- note --></A>", {"S:A", "E:A{A}", "end"}},
      {"comment with markup inside", u"<!-- <B>\"x -- -> --><A/>", {"S:A", "E:A{A}", "end"}},
      {"comment needs whitespace", u"<!--note-->", {"S:!--note--", "end"}},
      {"two roots", u"<A/><A/>", {"S:A", "E:A{A}", "S:A", "E:A{A}", "end"}},
      {"unclosed elements end cleanly", u"<A><B>", {"S:A", "S:B{A}", "end"}},
      {"end tag with space", u"<A></A >", {"S:A", "E:A{A}", "end"}},
      {"names keep characters above U+00FF", u"<\u4E01\u00E9></\u4E01\u00E9>",
       {"S:\xE4\xB8\x81\xC3\xA9", "E:\xE4\xB8\x81\xC3\xA9{\xE4\xB8\x81\xC3\xA9}", "end"}},
  });
}

TEST(XmlReader, TextCollapsingAndQuotes) {
  RunCases({
      {"runs of whitespace become one space", u"<A> x  \n y </A>", {"S:A", "T:x y{A}", "E:A{A}", "end"}},
      {"quoted stretch is literal", u"<A>a \"b  <c>\" d</A>",
       {"S:A", "T:a \"b  <c>\" d{A}", "E:A{A}", "end"}},
      {"entities decoded in text", u"<A>Next &gt; &amp;lt;</A>", {"S:A", "T:Next > &lt;{A}", "E:A{A}", "end"}},
      {"NUL and byte-order marks are skipped", u"\uFEFF<A>a\uFEFFb\uFFFE" + std::u16string(1, u'\0') + u"c</A>",
       {"S:A", "T:abc{A}", "E:A{A}", "end"}},
      {"thorn and y-diaeresis are letters", u"<A>\u00FEorn \u00FF</A>",
       {"S:A", "T:\xC3\xBEorn \xC3\xBF{A}", "E:A{A}", "end"}},
      {"text split by a comment", u"<A>x<!-- c -->y</A>", {"S:A", "T:x{A}", "T:y{A}", "E:A{A}", "end"}},
  });
}

TEST(XmlReader, Attributes) {
  RunCases({
      {"self-closing", u"<A/>", {"S:A", "E:A{A}", "end"}},
      {"self-closing with space", u"<A />", {"S:A", "E:A{A}", "end"}},
      {"self-closing after attribute", u"<A b=\"c\"/>", {"S:A[b=c]", "E:A{A}", "end"}},
      {"slash at the end of a value closes", u"<A href=\"x/\">", {"S:A[href=x]", "E:A{A}", "end"}},
      {"whitespace around equals", u"<A b = \"c\" d>", {"S:A[b=c,d=]", "end"}},
      {"equals inside quotes is dropped", u"<A b=\"x=y\">", {"S:A[b=xy]", "end"}},
      {"repeated name keeps the last value", u"<A b=\"1\" b=\"2\">", {"S:A[b=2,b=2]", "end"}},
      {"empty quoted value", u"<A b=\"\" c=\"d\">", {"S:A[b=,c=d]", "end"}},
      {"quoted value keeps spaces and markup", u"<A b=\" <x> / \">", {"S:A[b= <x> / ]", "end"}},
      {"unquoted value", u"<A b=c>", {"S:A[b=c]", "end"}},
      {"entities in names and values", u"<A b&amp;=\"&quot;q&quot;\">", {"S:A[b&=\"q\"]", "end"}},
      {"control character inside quotes stays", u"<A b=\"\u0001\">", {"S:A[b=\x01]", "end"}},
      {"attributes in order added", u"<A z=\"1\" a=\"2\">", {"S:A[z=1,a=2]", "end"}},
  });
}

TEST(XmlReader, Errors) {
  RunCases({
      {"end tag with nothing open", u"</A>", {"error:Unexpected End@1"}},
      {"mismatched end", u"<A></B>", {"S:A", "error:End 'B' Doesn't Match Start 'A'@1"}},
      {"mismatch reports the innermost", u"<A>\n<B>\n</A>",
       {"S:A", "S:B{A}", "error:End 'A' Doesn't Match Start 'B'@3"}},
      {"greater-than in text", u"<A>Next ></A>", {"S:A", "error:Unexpected '>'@1"}},
      {"less-than inside a tag", u"<A <B>", {"error:Unexpected '<'@1"}},
      {"less-than inside an end tag", u"<A></A<>", {"S:A", "error:Unexpected '<'@1"}},
      {"control character in text", u"<A>\n\u0001</A>", {"S:A", "error:Illegal Character@2"}},
      {"control character in a tag", u"<A\u001F>", {"error:Illegal Character@1"}},
      {"text after the last element", u"<A/>tail", {"S:A", "E:A{A}", "error:Unexpected End of File@1"}},
      {"unfinished tag", u"<A", {"error:Unexpected End of File@1"}},
      {"unfinished comment", u"<!-- x", {"error:Unexpected End of File@1"}},
      {"unfinished instruction", u"<?xml ", {"error:Unexpected End of File@1"}},
      {"unbalanced quote swallows the rest", u"<A>\"x</A>\n<B/>\n", {"S:A", "error:Unexpected End of File@3"}},
      {"unbalanced quote in a tag", u"<A b=\"c>\n", {"error:Unexpected End of File@2"}},
      {"line feed counted before the error", u"\n\n>", {"error:Unexpected '>'@3"}},
  });
}

TEST(XmlReader, NothingAfterAnError) {
  XmlReader reader;
  reader.OpenText(u"> <A/>");
  XmlNode node;
  EXPECT_FALSE(reader.Next(&node));
  EXPECT_TRUE(reader.HasError());
  EXPECT_FALSE(reader.Next(&node));
  EXPECT_EQ(reader.GetErrorText(), u"Unexpected '>'");
}

TEST(DecodeEntities, Table) {
  struct Case {
    std::u16string in;
    std::u16string out;
  };
  const std::vector<Case> cases = {
      {u"&lt;&amp;&gt;&quot;&apos;", u"<&>\"'"},
      {u"a&nbsp;b", u"a b"},
      {u"Line one&cr;Line two", u"Line one\nLine two"},
      {u"a &x; b", u"a & b"},
      {u"a & b; c", u"a & c"},
      {u"&amp;lt;", u"&lt;"},
      {u"no semicolon &amp", u"no semicolon &amp"},
      {u"&AMP;", u"&"},
      {u"&lf;", u"&"},
      {u"&#65;", u"&"},
      {u"&;", u"&"},
      {u"trailing &", u"trailing &"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeEntities(c.in), c.out) << ToUtf8(c.in);
}

TEST(DecodeEntities, ManyAmpersandsWithoutSemicolon) {
  std::u16string text(1000000, u'&');
  EXPECT_TRUE(DecodeEntities(text) == text);
}

class XmlReaderFileTest : public ConfigTest {
 protected:
  std::vector<std::string> ReadFile(const std::string& bytes) {
    system.AddFile(u"C:\\cfg\\x.xml", bytes);
    XmlReader reader;
    EXPECT_TRUE(reader.OpenFile(u"C:\\cfg\\x.xml"));
    EXPECT_EQ(reader.GetFileName(), u"C:\\cfg\\x.xml");
    EXPECT_EQ(reader.GetLine(), 1);
    return ReadAll(&reader);
  }
};

TEST_F(XmlReaderFileTest, ByteOrderMarkIsSkippedByItsFirstByte) {
  const std::vector<std::string> nodes = {"S:A", "T:x{A}", "E:A{A}", "end"};
  const std::string body = ToUtf16Le(u"<A>x</A>");
  EXPECT_EQ(ReadFile("\xFF\xFE" + body), nodes);
  EXPECT_EQ(ReadFile(body), nodes);
  // A first byte of 0x00 also counts as a mark, so that file loses its first character.
  EXPECT_EQ(ReadFile(ToUtf16Le(u"\u3C00<A>x</A>")), nodes);
  // An odd last byte is no character.
  EXPECT_EQ(ReadFile(body + "\x41"), nodes);
  EXPECT_EQ(ReadFile("\xFF"), std::vector<std::string>{"end"});
  EXPECT_EQ(ReadFile(""), std::vector<std::string>{"end"});
}

TEST_F(XmlReaderFileTest, LinesAreCountedInFiles) {
  EXPECT_EQ(ReadFile("\xFF\xFE" + ToUtf16Le(u"<A>\r\n<B>\r\n</C>")),
            (std::vector<std::string>{"S:A", "S:B{A}", "error:End 'C' Doesn't Match Start 'B'@3"}));
}

TEST_F(XmlReaderFileTest, LongTextAcrossReadChunks) {
  std::u16string text;
  for (int k = 0; k < 100000; ++k) text.push_back(static_cast<char16_t>(u'a' + k % 26));
  system.AddFile(u"C:\\cfg\\long.xml", "\xFF\xFE" + ToUtf16Le(u"<A>" + text + u"</A>"));
  XmlReader reader;
  ASSERT_TRUE(reader.OpenFile(u"C:\\cfg\\long.xml"));
  XmlNode node;
  ASSERT_TRUE(reader.Next(&node));
  ASSERT_TRUE(reader.Next(&node));
  EXPECT_EQ(node.kind, XmlNodeKind::Text);
  EXPECT_TRUE(node.name == text);
  ASSERT_TRUE(reader.Next(&node));
  EXPECT_EQ(node.kind, XmlNodeKind::EndTag);
  EXPECT_FALSE(reader.Next(&node));
  EXPECT_FALSE(reader.HasError());
}

TEST_F(XmlReaderFileTest, MissingFile) {
  XmlReader reader;
  EXPECT_FALSE(reader.OpenFile(u"C:\\x\\defines.xml"));
  EXPECT_TRUE(reader.HasError());
  EXPECT_EQ(reader.GetErrorText(), u"Unable to open file C:\\x\\defines.xml");
  EXPECT_EQ(reader.GetLine(), 0);
  EXPECT_EQ(reader.GetFileName(), u"");
  XmlNode node;
  EXPECT_FALSE(reader.Next(&node));
}

TEST(XmlReaderHostile, DeepNestingStopsAtThePathBound) {
  std::u16string text;
  for (int k = 0; k < 200000; ++k) text += u"<a>";
  XmlReader reader;
  reader.OpenText(text);
  XmlNode node;
  int starts = 0;
  while (reader.Next(&node)) ++starts;
  // "a/a/.../a" of n names is 2n - 1 characters long.
  EXPECT_EQ(starts, static_cast<int>((kMaxElementPathLength + 1) / 2));
  EXPECT_EQ(reader.GetErrorText(), u"Element Path Too Long");
}

TEST(XmlReaderHostile, LongNameStopsAtThePathBound) {
  XmlReader reader;
  reader.OpenText(u"<" + std::u16string(kMaxElementPathLength + 1, u'n') + u">");
  XmlNode node;
  EXPECT_FALSE(reader.Next(&node));
  EXPECT_EQ(reader.GetErrorText(), u"Element Path Too Long");
}

TEST(XmlReaderHostile, BinaryGarbageEndsWithAKnownResult) {
  const std::vector<std::u16string> known = {
      u"Illegal Character", u"Unexpected '<'", u"Unexpected '>'", u"Unexpected End",
      u"Unexpected End of File", u"Element Path Too Long"};
  uint32_t seed = 12345;
  for (int round = 0; round < 50; ++round) {
    std::u16string text;
    for (int k = 0; k < 20000; ++k) {
      seed = seed * 1103515245u + 12345u;
      // Mostly markup characters, so the garbage reaches deep into the rules.
      const char16_t alphabet[] = u"<>/?\"= !-&;ab\n\x01\xFF";
      uint32_t pick = (seed >> 16) % 40;
      text.push_back(pick < 17 ? alphabet[pick] : static_cast<char16_t>(seed >> 8));
    }
    XmlReader reader;
    reader.OpenText(text);
    XmlNode node;
    while (reader.Next(&node)) {
    }
    if (reader.HasError()) {
      bool isKnown = reader.GetErrorText().rfind(u"End '", 0) == 0;
      for (const std::u16string& message : known) isKnown = isKnown || reader.GetErrorText() == message;
      EXPECT_TRUE(isKnown) << ToUtf8(reader.GetErrorText());
    }
  }
}

}  // namespace
}  // namespace vorlax
