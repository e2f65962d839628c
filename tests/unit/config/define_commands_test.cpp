// The eight define commands run through ExpandDefines against the fake system: the documented
// examples, argument counts, the Registry read and its limits, Fail and invalid names, and the
// guards that keep a fatal message from reporting itself again.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/define_commands.h"
#include "config/define_table.h"
#include "config_fixture.h"

namespace vorlax {
namespace {

using Defines = std::vector<std::pair<std::u16string, std::u16string>>;

struct CommandCase {
  const char* what;
  Defines defines;
  std::u16string text;
  std::u16string expected;
};

constexpr char16_t kVendorKey[] = u"HKLM\\SOFTWARE\\Vendor";

FakeSystem::RegistryValue StringValue(const std::u16string& text) {
  return {kRegSz, ToUtf16Le(text) + std::string(2, '\0')};
}

class DefineCommandsTest : public ConfigTest {
 protected:
  void Fresh() {
    system = FakeSystem();
    ResetInstallerState();
    State().system = &system;
  }
  std::u16string Expand(const Defines& defines, const std::u16string& text) {
    for (const auto& define : defines) State().defines.Set(define.first, define.second);
    return ExpandDefines(State().defines, text);
  }
  // Runs each case on a fresh state and expects no message box.
  void RunSilentCases(const std::vector<CommandCase>& cases) {
    for (const CommandCase& c : cases) {
      Fresh();
      PrepareSystem();
      EXPECT_EQ(Expand(c.defines, c.text), c.expected) << c.what;
      EXPECT_TRUE(system.messages.empty()) << c.what;
      EXPECT_FALSE(State().installFailed) << c.what;
    }
  }
  virtual void PrepareSystem() {}
};

TEST_F(DefineCommandsTest, ConditionsAndUppercase) {
  const char16_t one[] = {0x0001, 0};
  RunSilentCases({
      {"IfSet with a value", {{u"InstallPath", u"C:\\Game"}}, u"#IfSet %InstallPath%,yes|no",
       u"yes"},
      {"IfSet with a blank value", {{u"InstallPath", u" \t"}}, u"#IfSet %InstallPath%,yes|no",
       u"no"},
      {"IfSet unset", {}, u"#IfSet %InstallPath%,yes|no", u"no"},
      {"IfEq trims its arguments", {}, u"#IfEq a , a ,same|diff", u"same"},
      {"IfEq is exact", {}, u"#IfEq a,A,same|diff", u"diff"},
      {"IfBool y", {}, u"#IfBool y,on|off", u"on"},
      {"IfBool 2", {}, u"#IfBool 2,on|off", u"off"},
      {"IfBool true words", {}, u"#IfBool  tRuE ,on|off", u"on"},
      {"IfBool yes", {}, u"#IfBool Yes,on|off", u"on"},
      {"IfBool 1", {}, u"#IfBool 1,on|off", u"on"},
      {"IfBool U+0001", {{u"X", one}}, u"#IfBool %X%,on", u"on"},
      {"IfBool empty", {}, u"#IfBool ,on|off", u"off"},
      {"IfContains found", {}, u"#IfContains Hello World,lo W,found", u"found"},
      {"IfContains is case-sensitive", {}, u"#IfContains Hello World,lo w,found", u""},
      {"IfContains empty needle", {}, u"#IfContains abc,,found|no", u"found"},
      {"Uppercase", {}, u"#Uppercase abc", u"ABC"},
      {"Uppercase keeps non-ASCII", {}, u"#Uppercase \u00e9a", u"\u00e9A"},
      {"Uppercase alone", {}, u"#Uppercase", u""},
      {"one argument is too few", {}, u"#IfSet x|none", u"none"},
      {"bar inside an argument", {}, u"#IfSet a|b,c", u"b,c"},
      {"extra arguments are ignored", {}, u"#IfSet a,b,c,d|no", u"b"},
      {"output is untrimmed", {{u"V", u" v "}}, u"#IfSet a,%V%", u" v "},
      {"argument that is a command runs first", {}, u"#IfSet a,#Uppercase x", u"X"},
      {"output runs as a further command", {}, u"#IfSet a,##Uppercase x", u"X"},
      {"double hash in the output is literal", {}, u"#IfSet a,###x", u"#x"},
      {"else part runs as a further command", {}, u"#IfSet ,x|#Uppercase y", u"Y"},
      {"argument expanded before the command", {{u"A", u"p,q"}}, u"#IfEq %A%,p,q,same|diff",
       u"diff"},
      {"argument holding a comma compares whole", {{u"A", u"p,q"}}, u"#IfEq %A%,%A%,same|diff",
       u"same"},
  });
}

class RegistryCommandTest : public DefineCommandsTest {
 protected:
  void PrepareSystem() override {
    system.registry[kVendorKey][u"Path"] = StringValue(u"D:\\Vendor");
    system.registry[kVendorKey][u"Flag"] = {kRegDword, std::string("\x01\x00\x00\x00", 4)};
    system.registry[kVendorKey][u"Cut"] = {kRegSz, ToUtf16Le(u"ab") + std::string(2, '\0') +
                                                       ToUtf16Le(u"cd")};
    system.registry[kVendorKey][u"Odd"] = {kRegBinary, std::string("x\0y", 3)};
    system.registry[kVendorKey][u"Limit"] = {kRegBinary, std::string(4095, 'a')};
    system.registry[kVendorKey][u"Over"] = {kRegBinary, std::string(4096, 'a')};
    system.registry[kVendorKey][u""] = StringValue(u"default");
  }
};

TEST_F(RegistryCommandTest, ReadsValuesAsText) {
  const char16_t one[] = {0x0001, 0};
  RunSilentCases({
      {"string value", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Path|C:\\Default", u"D:\\Vendor"},
      {"missing value", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Nope|C:\\Default", u"C:\\Default"},
      {"missing key", {}, u"#Registry HKLM\\SOFTWARE\\Other,Path|C:\\Default", u"C:\\Default"},
      {"lower-case prefix", {}, u"#Registry hklm\\SOFTWARE\\Vendor,Path|C:\\Default",
       u"C:\\Default"},
      {"DWORD 1 as text", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Flag", one},
      {"DWORD 1 for IfBool", {{u"F", u"#Registry HKLM\\SOFTWARE\\Vendor,Flag"}},
       u"#IfBool %F%,on|off", u"on"},
      {"text ends at the first NUL", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Cut", u"ab"},
      {"odd byte dropped", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Odd", u"x"},
      {"4,095 bytes fit", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Limit",
       std::u16string(2047, u'\x6161')},
      {"4,096 bytes do not", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,Over|long", u"long"},
      {"empty name is the default value", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,%Empty%|none",
       u"default"},
      {"a trailing comma adds no empty name", {}, u"#Registry HKLM\\SOFTWARE\\Vendor,|none",
       u"none"},
      {"one argument is too few", {}, u"#Registry HKLM\\SOFTWARE\\Vendor|none", u"none"},
  });
}

TEST_F(RegistryCommandTest, OpensWithDefaultAccessAndClosesTheKey) {
  PrepareSystem();
  EXPECT_EQ(Expand({}, u"#Registry HKCU\\Software\\X,Path|none"), u"none");
  EXPECT_EQ(Expand({}, u"#Registry HKLM\\SOFTWARE\\Vendor,Path"), u"D:\\Vendor");
  EXPECT_EQ(system.calls, (std::vector<std::string>{"OpenKeyDefaultAccess HKCU\\Software\\X",
                                                    "OpenKeyDefaultAccess HKLM\\SOFTWARE\\Vendor"}));
  // The key is closed again: a value query on its handle no longer answers.
  uint32_t type = 0;
  std::string data;
  EXPECT_FALSE(system.QueryValue(0x1000, u"Path", 100, &type, &data));
}

TEST_F(DefineCommandsTest, IfFileExistsSearchesFilesAndFolders) {
  system.AddFolder(u"C:\\Windows");
  system.AddFile(u"C:\\Games\\demo.exe", "MZ");
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"#IfFileExists C:\\Windows,w|x", u"w"},
      {u"#IfFileExists C:\\Games\\demo.exe,yes|no", u"yes"},
      {u"#IfFileExists C:\\Games\\*.exe,yes|no", u"yes"},
      {u"#IfFileExists C:\\Games\\*.dll,yes|no", u"no"},
      {u"#IfFileExists C:\\Nothing,yes|no", u"no"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand({}, c.first), c.second) << ToUtf8(c.first);
  EXPECT_EQ(system.calls.front(), "FindFirstMatch C:\\Windows");
  EXPECT_TRUE(system.messages.empty());
}

TEST_F(DefineCommandsTest, FailShowsItsMessageAndGivesEmptyText) {
  EXPECT_EQ(Expand({{u"FATAL_POPUP_TITLE", u"Setup"}}, u"before #Fail Disk full"),
            u"before #Fail Disk full");  // not at the start: plain text
  EXPECT_TRUE(system.messages.empty());
  EXPECT_EQ(Expand({}, u"#Fail Disk full|else"), u"");
  ASSERT_EQ(MessageTexts(), std::vector<std::u16string>{u"Disk full"});
  EXPECT_EQ(system.messages[0].caption, u"Setup");
  EXPECT_EQ(system.messages[0].style, kMbIconError);
  EXPECT_TRUE(State().installFailed);
}

TEST_F(DefineCommandsTest, FailWithoutArgumentShowsNothing) {
  EXPECT_EQ(Expand({}, u"#Fail|else"), u"else");
  EXPECT_TRUE(system.messages.empty());
  EXPECT_FALSE(State().installFailed);
}

TEST_F(DefineCommandsTest, InvalidNameIsReportedThenGivesElsePart) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"#Bogus 1|fallback", u"Bogus"},
      {u"#ifset a,b|fallback", u"ifset"},  // names are case-sensitive
  };
  for (const auto& c : cases) {
    Fresh();
    EXPECT_EQ(Expand({}, c.first), u"fallback");
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Invalid define command: '" + c.second +
                                                          u"'"});
    EXPECT_TRUE(State().installFailed);
  }
}

TEST_F(DefineCommandsTest, FailInTheFatalCaptionDoesNotRecurse) {
  // Every fatal message expands the caption, which itself fails. Inside a Fail message the
  // caption's Fail shows nothing; inside another fatal message it shows its own message once,
  // whose caption then comes out empty (the fallback caption is shown instead).
  const Defines failingCaption = {{u"FATAL_POPUP_TITLE", u"#Fail Caption failed"}};
  EXPECT_EQ(Expand(failingCaption, u"#Fail Outer|x"), u"");
  ASSERT_EQ(MessageTexts(), std::vector<std::u16string>{u"Outer"});
  EXPECT_EQ(system.messages[0].caption, u"Setup Error");
  Fresh();
  EXPECT_EQ(Expand(failingCaption, u"#Bogus|x"), u"x");
  ASSERT_EQ(MessageTexts(), (std::vector<std::u16string>{u"Caption failed",
                                                         u"Invalid define command: 'Bogus'"}));
  EXPECT_EQ(system.messages[1].caption, u"Setup Error");
}

TEST_F(DefineCommandsTest, FailGuardIsReleasedAfterTheMessage) {
  // The guard is released after the message: a later Fail shows its own message again.
  Expand({}, u"#Fail one");
  Expand({}, u"#Fail two");
  EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{u"one", u"two"}));
}

TEST_F(DefineCommandsTest, GuardsBelongToTheirThread) {
  // While the worker's thread shows a Fail message, a Fail expanded on another thread (the main
  // thread painting a page) still shows its own message.
  system.messageHandler = [this](const FakeSystem::Message& message) {
    if (message.text == u"worker") {
      std::thread other([this] { ExpandDefines(State().defines, u"#Fail main"); });
      other.join();
    }
    return kIdOk;
  };
  EXPECT_EQ(Expand({}, u"#Fail worker"), u"");
  EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{u"worker", u"main"}));
}

}  // namespace
}  // namespace vorlax
