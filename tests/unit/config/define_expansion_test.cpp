// ExpandDefines: substitution rules, the command seam and the bounds that stop runaway defines.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/define_commands.h"
#include "config/define_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

using Defines = std::vector<std::pair<std::u16string, std::u16string>>;

struct ExpansionCase {
  const char* what;
  Defines defines;
  std::u16string text;
  std::u16string expected;
};

class ExpandDefinesTest : public ConfigTest {
 protected:
  std::u16string Expand(const Defines& defines, const std::u16string& text) {
    for (const auto& define : defines) State().defines.Set(define.first, define.second);
    return ExpandDefines(State().defines, text);
  }
};

TEST_F(ExpandDefinesTest, SubstitutionRules) {
  const std::vector<ExpansionCase> cases = {
      {"value defined after its user", {{u"InstallName", u"Game %Version%"}, {u"Version", u"1.0"}},
       u"%InstallName%", u"Game 1.0"},
      {"value defined before its user", {{u"Version", u"1.0"}, {u"InstallName", u"Game %Version%"}},
       u"%InstallName%", u"Game 1.0"},
      {"missing define", {}, u"%Missing%", u""},
      {"missing define inside text", {}, u"a%Missing%b", u"ab"},
      {"single percent stays", {}, u"100%", u"100%"},
      {"double percent is the empty name", {}, u"100%%", u"100"},
      {"text between two percents is a name", {}, u"50% and 60%", u"50"},
      {"percent inside a value joins later searches", {{u"A", u"50%"}}, u"%A% of %B%", u"50B%"},
      {"search restarts at the beginning", {{u"A", u"%"}, {u"B", u"b"}}, u"x%A%B%", u"xb"},
      {"names are case-sensitive", {{u"InstallPath", u"C:\\Game"}}, u"%installpath%", u""},
      {"empty name can be defined", {{u"", u"E"}}, u"[%%]", u"[E]"},
      {"nested values", {{u"A", u"<%B%>"}, {u"B", u"<%C%>"}, {u"C", u"deep"}}, u"%A%",
       u"<<deep>>"},
      {"double hash is a literal hash", {}, u"##Tag", u"#Tag"},
      {"lone hash stays", {}, u"#", u"#"},
      {"hash not at the start is plain", {}, u"a#b", u"a#b"},
      {"replacement is not expanded twice", {{u"A", u"%%B"}, {u"", u"x"}}, u"%A%", u"xB"},
  };
  for (const ExpansionCase& c : cases) {
    ResetInstallerState();
    State().system = &system;
    EXPECT_EQ(Expand(c.defines, c.text), c.expected) << c.what;
  }
  EXPECT_TRUE(system.messages.empty());
}

TEST_F(ExpandDefinesTest, UnknownCommandIsFatalAndGivesElsePart) {
  EXPECT_EQ(Expand({}, u"#Bogus 1|fallback"), u"fallback");
  ASSERT_EQ(MessageTexts(), std::vector<std::u16string>{u"Invalid define command: 'Bogus'"});
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(system.messages[0].style, kMbIconError);
}

TEST_F(ExpandDefinesTest, CommandWithoutElsePartGivesEmptyText) {
  EXPECT_EQ(Expand({}, u"#Tag"), u"");
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Invalid define command: 'Tag'"});
}

TEST_F(ExpandDefinesTest, ReferenceThatStartsTheTextWithHashBecomesACommand) {
  EXPECT_EQ(Expand({{u"A", u"#Bogus|from else"}}, u"%A%"), u"from else");
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Invalid define command: 'Bogus'"});
}

TEST_F(ExpandDefinesTest, DoubleHashIsUndoneByAReplacement) {
  // "##x %A%" loses one "#" in the first pass; after %A% is replaced the text starts with a
  // single "#" and runs as the command "x".
  EXPECT_EQ(Expand({{u"A", u"y"}}, u"##x %A%|else"), u"else");
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Invalid define command: 'x'"});
}

TEST_F(ExpandDefinesTest, InvalidCommandInTheFatalCaptionIsReportedOnce) {
  // The fatal message's caption itself holds an invalid command: it must not report again (and
  // recurse); its else part becomes the caption.
  EXPECT_EQ(Expand({{u"FATAL_POPUP_TITLE", u"#Nope|Oops"}}, u"#Bogus|x"), u"x");
  ASSERT_EQ(system.messages.size(), 1u);
  EXPECT_EQ(system.messages[0].text, u"Invalid define command: 'Bogus'");
  EXPECT_EQ(system.messages[0].caption, u"Oops");
}

struct ParseCase {
  std::u16string text;
  std::u16string name;
  std::vector<std::u16string> arguments;
  std::u16string elsePart;
};

TEST(ParseDefineCommand, SplitsNameArgumentsAndElsePart) {
  const std::vector<ParseCase> cases = {
      {u"#IfSet %InstallPath%,yes|no", u"IfSet", {u"%InstallPath%", u"yes"}, u"no"},
      {u"#IfEq a , a ,same|diff", u"IfEq", {u"a", u"a", u"same"}, u"diff"},
      {u"#IfSet a|b,c", u"IfSet", {u"a"}, u"b,c"},
      {u"#Uppercase", u"Uppercase", {}, u""},
      {u"#Fail Disk full", u"Fail", {u"Disk full"}, u""},
      {u"#X a,,b", u"X", {u"a", u"", u"b"}, u""},
      {u"#X a,b,", u"X", {u"a", u"b"}, u""},
      {u"#  X  a | e ", u"X", {u"a"}, u"e"},  // with an else part the command part is trimmed
      {u"#X \ta\t", u"X", {u"a"}, u""},
      {u"#X a|b|c", u"X", {u"a"}, u"b|c"},
  };
  for (const ParseCase& c : cases) {
    DefineCommandText command = ParseDefineCommand(c.text);
    EXPECT_EQ(command.name, c.name) << ToUtf8(c.text);
    EXPECT_EQ(command.arguments, c.arguments) << ToUtf8(c.text);
    EXPECT_EQ(command.elsePart, c.elsePart) << ToUtf8(c.text);
  }
}

TEST_F(ExpandDefinesTest, SelfReferenceExpandsToEmptyAtTheBound) {
  EXPECT_EQ(Expand({{u"A", u"%A%"}}, u"x%A%y"), u"xy");
}

TEST_F(ExpandDefinesTest, MutualReferenceStopsAtTheDepthBound) {
  std::u16string result = Expand({{u"A", u"x%B%"}, {u"B", u"%A%"}}, u"%A%");
  // A's value is expanded at depths 1, 3, ..., kMaxExpansionDepth - 1.
  EXPECT_EQ(result, std::u16string(kMaxExpansionDepth / 2, u'x'));
}

TEST_F(ExpandDefinesTest, ChainReachesTheDeepestLevelAndNoFurther) {
  // D0 -> D1 -> ... -> Dn = "end"; the value of Dk is expanded at depth k + 1.
  auto chain = [](int last) {
    Defines defines;
    for (int k = 0; k < last; ++k) {
      defines.push_back({u"D" + DecimalText(k), u"%D" + DecimalText(k + 1) + u"%"});
    }
    defines.push_back({u"D" + DecimalText(last), u"end"});
    return defines;
  };
  EXPECT_EQ(Expand(chain(kMaxExpansionDepth - 2), u"[%D0%]"), u"[end]");
  ResetInstallerState();
  State().system = &system;
  EXPECT_EQ(Expand(chain(kMaxExpansionDepth - 1), u"[%D0%]"), u"[]");
}

TEST_F(ExpandDefinesTest, DoublingDefineFinishesWithinTheStepBudget) {
  // Without the budget this would expand 2^63 references.
  EXPECT_EQ(Expand({{u"A", u"%A%%A%"}}, u"%A%"), u"");
}

TEST_F(ExpandDefinesTest, BranchingDefinesStopAtTheStepBudget) {
  // A 4-ary tree of ten levels would hold 4^10 leaves; the budget allows kMaxExpansionSteps
  // replacements in all.
  Defines defines;
  for (int k = 0; k < 10; ++k) {
    std::u16string child = u"%L" + DecimalText(k + 1) + u"%";
    defines.push_back({u"L" + DecimalText(k), child + child + child + child});
  }
  defines.push_back({u"L10", u"x"});
  std::u16string result = Expand(defines, u"%L0%");
  EXPECT_GT(result.size(), 0u);
  EXPECT_LT(result.size(), static_cast<std::size_t>(kMaxExpansionSteps));
  EXPECT_EQ(result.find_first_not_of(u'x'), std::u16string::npos);
}

TEST_F(ExpandDefinesTest, GrowingDefineStopsAtTheLengthCap) {
  // The values double level by level until the length cap drops further copies; the dropped
  // work spends the output budget, so the outermost reference comes out empty.
  std::u16string block(1000, u'z');
  EXPECT_TRUE(Expand({{u"A", block + u"%A%%A%"}}, u"%A%").empty());
  // Below the cap the same shape expands in full.
  ResetInstallerState();
  State().system = &system;
  std::u16string result = Expand({{u"A", u"z%B%%B%"}, {u"B", u"y%C%%C%"}, {u"C", u"x"}}, u"%A%");
  EXPECT_EQ(result, u"zyxxyxx");
}

TEST_F(ExpandDefinesTest, WorkIsBudgeted) {
  // Each %Y% in Z's value takes up a long raw value and expands it, which the length cap then
  // drops; the work still counts (raw and expanded characters alike). Five of them stay within
  // kMaxExpansionWork, ten spend it, and once it is spent the reference being expanded comes out
  // empty.
  const std::u16string longValue(60000, u'y');
  auto expandZ = [&](int references) {
    std::u16string z;
    for (int k = 0; k < references; ++k) z += u"%Y%";
    ResetInstallerState();
    State().system = &system;
    return Expand({{u"Y", longValue}, {u"Z", z}}, u"%Z%");
  };
  EXPECT_TRUE(expandZ(5) == longValue);
  EXPECT_TRUE(expandZ(10).empty());
}

TEST_F(ExpandDefinesTest, LongTextIsNeverCut) {
  // A text longer than the cap keeps its length; a reference in it may be replaced by a value
  // no longer than the reference, and a longer one expands to empty text.
  std::u16string text(kMaxExpandedLength * 2, u'a');
  EXPECT_TRUE(Expand({}, text + u"%X%") == text);
  EXPECT_TRUE(Expand({{u"X", u"bbb"}}, text + u"%X%") == text + u"bbb");
  EXPECT_TRUE(Expand({{u"X", u"bbbb"}}, text + u"%X%") == text);
}

TEST_F(ExpandDefinesTest, ManyPercentsAreHandled) {
  std::u16string text(2000001, u'%');
  EXPECT_EQ(Expand({}, text), u"%");
  std::u16string references;
  for (int k = 0; k < kMaxExpansionSteps / 2; ++k) references += u"a%X%";
  std::u16string expected;
  for (int k = 0; k < kMaxExpansionSteps / 2; ++k) expected += u"ab";
  EXPECT_TRUE(Expand({{u"X", u"b"}}, references) == expected);
}

}  // namespace
}  // namespace vorlax
