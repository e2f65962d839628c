// CreateShortcuts and CreateShortcut against the fake system: the link made for a typical entry,
// internet shortcuts for exactly "http://", the permanent marker, the name variants, the skip
// rules, the log line before creation, failed links reported without failing the step, the
// 98/Me path with its 8-bit texts, and an unreadable version.
#include "actions/shortcuts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

using LinkKind = FakeSystem::LinkKind;

constexpr SystemVersion kWindows98{4, 10, 1998, 1};
constexpr char16_t kGame[] = u"C:\\Games\\Demo\\demo.exe";

class CreateShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    DefineTable& defines = State().defines;
    defines.Set(u"InstallPath", u"C:\\Games\\Demo");
    defines.Set(u"Programs", u"C:\\Menu");
    defines.Set(u"Desktop", u"C:\\Desk");
    defines.Set(u"ERROR", u"Error ");
    defines.Set(u"FATAL_POPUP_TITLE", u"Setup failed");
  }
  void TearDown() override {
    EXPECT_EQ(fake.comInitializations, fake.comUninitializations);
    State().system = nullptr;
  }
  void Add(const std::u16string& dest, const std::u16string& target,
           const std::u16string& args = u"") {
    State().config.Shortcuts.push_back(Shortcut{dest, target, args});
  }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const FakeSystem::Message& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
  static std::u16string FileLine(const std::u16string& path) {
    return u"\t<File>" + path + u"</File>\r\n";
  }
  FakeSystem fake;
};

TEST_F(CreateShortcutsTest, TypicalEntryMakesTheFolderAndTheLink) {
  Add(u"%Programs%\\Demo\\Play Game", u"%InstallPath%\\demo.exe", u"-window %InstallPath%");
  EXPECT_TRUE(CreateShortcuts());
  EXPECT_TRUE(fake.HasFolder(u"C:\\Menu\\Demo"));
  ASSERT_EQ(fake.links.size(), 1u);
  const FakeSystem::LinkRequest& link = fake.links[0];
  EXPECT_EQ(link.kind, LinkKind::kShellLink);
  EXPECT_EQ(link.path, u"C:\\Menu\\Demo\\Play Game.lnk");
  EXPECT_EQ(link.texts.target, kGame);
  EXPECT_EQ(link.texts.description, u"Play Game");
  EXPECT_EQ(link.texts.arguments, u"-window C:\\Games\\Demo");
  EXPECT_EQ(link.texts.workingDirectory, u"C:\\Games\\Demo");
  EXPECT_TRUE(fake.HasFile(u"C:\\Menu\\Demo\\Play Game.lnk"));
  EXPECT_EQ(State().installLog, FileLine(u"C:\\Menu\\Demo\\Play Game.lnk"));
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(fake.comInitializations, 1);
  EXPECT_EQ(fake.calls.front(), "InitializeCom");
  EXPECT_EQ(fake.calls.back(), "UninitializeCom");
}

TEST_F(CreateShortcutsTest, OnlyExactlyHttpMakesAnInternetShortcut) {
  struct Case {
    std::u16string target;
    LinkKind kind;
    std::u16string path;
  };
  const Case cases[] = {
      {u"http://www.example.com/demo", LinkKind::kInternetShortcut, u"C:\\Desk\\Home.url"},
      {u"https://www.example.com/demo", LinkKind::kShellLink, u"C:\\Desk\\Home.lnk"},
      {u"HTTP://www.example.com/demo", LinkKind::kShellLink, u"C:\\Desk\\Home.lnk"},
      {u"http:/www.example.com", LinkKind::kShellLink, u"C:\\Desk\\Home.lnk"},
      {u"http://", LinkKind::kInternetShortcut, u"C:\\Desk\\Home.url"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.target.begin(), c.target.end()));
    SetUp();
    Add(u"%Desktop%\\Home", c.target, u"-ignored-for-addresses");
    EXPECT_TRUE(CreateShortcuts());
    ASSERT_EQ(fake.links.size(), 1u);
    EXPECT_EQ(fake.links[0].kind, c.kind);
    EXPECT_EQ(fake.links[0].path, c.path);
    EXPECT_EQ(fake.links[0].texts.target, c.target);
    if (c.kind == LinkKind::kInternetShortcut) {
      EXPECT_EQ(fake.FileData(c.path), "URL=" + ToUtf8(c.target));
    }
    EXPECT_EQ(State().installLog, FileLine(c.path));
  }
}

TEST_F(CreateShortcutsTest, DestinationRulesOnBothKindsOfSystem) {
  struct Case {
    const char* name;
    std::u16string dest;
    bool on98;
    std::u16string path;        // the link made, extension included
    std::u16string description;
    bool logged;
  };
  const Case cases[] = {
      {"PermBeforeGroup", u"%Desktop%\\X{perm}{C:\\Old\\Y}", false, u"C:\\Desk\\X.lnk", u"Y}", false},
      {"PermBeforeGroup98", u"%Desktop%\\X{perm}{C:\\Old\\Y}", true, u"C:\\Old\\Y.lnk", u"Y}", true},
      {"PermAsLastGroup", u"%Desktop%\\X{perm}", false, u"C:\\Desk\\X.lnk", u"X{perm}", true},
      {"PermAsLastGroup98", u"%Desktop%\\X{perm}", true, u"perm.lnk", u"X{perm}", true},
      // The name is the text after the unexpanded destination's last separator, braces and all.
      {"PermInFolderIsTheLastGroup", u"C:\\Keep{perm}\\Play", false, u"C:\\Keep\\Play.lnk", u"Play", true},
      {"NameVariant", u"%Desktop%\\Spiel|Game", false, u"C:\\Desk\\Spiel.lnk", u"Spiel", true},
      {"NameVariant98", u"%Desktop%\\Spiel|Game", true, u"C:\\Desk\\Game.lnk", u"Game", true},
      {"SystemAlternative", u"C:\\All\\Play{C:\\Mine\\Play}", false, u"C:\\All\\Play.lnk", u"Play}", true},
      {"SystemAlternative98", u"C:\\All\\Play{C:\\Mine\\Play}", true, u"C:\\Mine\\Play.lnk", u"Play}", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.on98) fake.version = kWindows98;
    Add(c.dest, kGame);
    EXPECT_TRUE(CreateShortcuts());
    ASSERT_EQ(fake.links.size(), 1u);
    EXPECT_EQ(fake.links[0].kind, c.on98 ? LinkKind::kShellLinkNarrow : LinkKind::kShellLink);
    EXPECT_EQ(fake.links[0].path, c.path);
    EXPECT_EQ(fake.links[0].texts.description, c.description);
    EXPECT_EQ(State().installLog, c.logged ? FileLine(c.path) : u"");
  }
}

TEST_F(CreateShortcutsTest, EmptyLinkPathOrTargetIsSkippedSilently) {
  Add(u"%Unset%", kGame);
  Add(u"%Desktop%\\Play", u"%Unset%");
  Add(u"%Desktop%\\Play", kGame);
  EXPECT_TRUE(CreateShortcuts());
  ASSERT_EQ(fake.links.size(), 1u);
  EXPECT_EQ(fake.links[0].path, u"C:\\Desk\\Play.lnk");
  EXPECT_EQ(State().installLog, FileLine(u"C:\\Desk\\Play.lnk"));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(CreateShortcutsTest, FailedLinkIsReportedAndTheStepGoesOn) {
  enum class Fault { kNoObject, kNoPersistFile, kSaveFails };
  struct Case {
    const char* name;
    Fault fault;
    bool on98;
    std::vector<std::u16string> messages;
  };
  const std::u16string failed = u"Failed to Create Link to 'C:\\Games\\Demo\\demo.exe'";
  // Without the COM objects the internet shortcut after it fails as well.
  const std::u16string failedUrl = u"Failed to Create Link to 'http://www.example.com/'";
  const Case cases[] = {
      {"NoObject", Fault::kNoObject, false, {failed, failedUrl}},
      {"NoPersistFile", Fault::kNoPersistFile, false, {failed}},
      {"SaveFails", Fault::kSaveFails, false, {failed}},
      {"NoObject98", Fault::kNoObject, true, {failed, failedUrl}},
      {"NoPersistFile98", Fault::kNoPersistFile, true, {u"Error 1234", failed}},
      {"SaveFails98", Fault::kSaveFails, true, {failed}},
  };
  for (const Case& c : cases) {
    for (bool cancelledBefore : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (cancelledBefore ? " cancelled before" : ""));
      SetUp();
      if (c.on98) fake.version = kWindows98;
      fake.linkObjectsAvailable = c.fault != Fault::kNoObject;
      fake.linkPersistFileAvailable = c.fault != Fault::kNoPersistFile;
      fake.linkLastError = 1234;
      if (c.fault == Fault::kSaveFails) fake.linkSaveFailures = {u"C:\\Desk\\Broken.lnk"};
      State().installFailed = cancelledBefore;
      Add(u"%Desktop%\\Broken", kGame);
      Add(u"%Desktop%\\Play", u"http://www.example.com/");
      EXPECT_TRUE(CreateShortcuts());
      EXPECT_EQ(Messages(), c.messages);
      EXPECT_EQ(fake.messages.back().caption, u"Setup failed");
      EXPECT_EQ(fake.messages.back().style, kMbIconError);
      if (c.fault == Fault::kNoPersistFile && c.on98) {
        EXPECT_EQ(fake.messages[0].caption, u"Error ");
        EXPECT_EQ(fake.messages[0].style, kMbIconError);
      }
      // The report leaves the flag as it was: a cancel stays, and no failure is added.
      EXPECT_EQ(State().installFailed, cancelledBefore);
      // Both lines are logged, the failed link's before its creation was tried.
      EXPECT_EQ(State().installLog,
                FileLine(u"C:\\Desk\\Broken.lnk") + FileLine(u"C:\\Desk\\Play.url"));
      EXPECT_FALSE(fake.HasFile(u"C:\\Desk\\Broken.lnk"));
      EXPECT_TRUE(fake.HasFile(u"C:\\Desk\\Play.url") || c.fault == Fault::kNoObject);
    }
  }
}

TEST_F(CreateShortcutsTest, UnreadableVersionStopsTheStep) {
  fake.versionQueryFails = true;
  Add(u"%Desktop%\\Play", kGame);
  Add(u"%Desktop%\\Other", kGame);
  EXPECT_FALSE(CreateShortcuts());
  EXPECT_TRUE(fake.links.empty());
  EXPECT_EQ(State().installLog, u"");
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(fake.comUninitializations, 1);
}

TEST_F(CreateShortcutsTest, ComIsUninitialisedOnlyAfterItStarted) {
  fake.comInitializeFails = true;
  Add(u"%Desktop%\\Play", kGame);
  EXPECT_TRUE(CreateShortcuts());
  EXPECT_EQ(fake.comUninitializations, 0);
}

// The 98/Me texts: each character up to U+00FF becomes its byte (the fake widens them back);
// the description stops at the first character without an 8-bit form; a target or arguments
// that would not convert whole make no link and are reported.
TEST_F(CreateShortcutsTest, EightBitTextsOn98AndMe) {
  struct Case {
    const char* name;
    std::u16string target, description, arguments;
    bool made;
    std::u16string madeDescription;
  };
  const std::u16string longArguments(256, u'a');
  const Case cases[] = {
      {"Latin1", u"C:\\Spiele\\D\u00E9mo\\demo.exe", u"Sch\u00F6n", u"-\u00FC", true, u"Sch\u00F6n"},
      {"DescriptionStops", u"C:\\Games\\demo.exe", u"Play \u20AC game", u"", true, u"Play "},
      {"DescriptionStartsWithoutForm", u"C:\\Games\\demo.exe", u"\u0416", u"", true, u""},
      {"TargetWithoutForm", u"C:\\Games\\\u0416\\demo.exe", u"Play", u"", false, u""},
      {"ArgumentsWithoutForm", u"C:\\Games\\demo.exe", u"Play", u"-name \u0416", false, u""},
      {"ArgumentsTooLong", u"C:\\Games\\demo.exe", u"Play", longArguments, false, u""},
      {"ArgumentsLongest", u"C:\\Games\\demo.exe", u"Play", longArguments.substr(1), true, u"Play"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.version = kWindows98;
    bool made = CreateShortcut(c.target, u"C:\\Desk\\Play", c.description, c.arguments);
    EXPECT_EQ(made, c.made);
    if (!c.made) {
      EXPECT_TRUE(fake.links.empty());
      continue;
    }
    ASSERT_EQ(fake.links.size(), 1u);
    const FakeSystem::LinkRequest& link = fake.links[0];
    EXPECT_EQ(link.kind, LinkKind::kShellLinkNarrow);
    EXPECT_EQ(link.path, u"C:\\Desk\\Play.lnk");
    EXPECT_EQ(link.texts.target, c.target);
    EXPECT_EQ(link.texts.description, c.madeDescription);
    EXPECT_EQ(link.texts.arguments, c.arguments);
    EXPECT_EQ(link.texts.workingDirectory, FolderOf(c.target));
  }
}

TEST_F(CreateShortcutsTest, TargetWithoutFolderHasNoWorkingDirectory) {
  CreateShortcut(u"notepad.exe", u"Play", u"Play", u"");
  ASSERT_EQ(fake.links.size(), 1u);
  EXPECT_EQ(fake.links[0].path, u"Play.lnk");
  EXPECT_EQ(fake.links[0].texts.workingDirectory, u"");
  // No parent folder to create: a link path without a separator creates no folder.
  for (const std::string& call : fake.calls) EXPECT_NE(call.rfind("CreateFolder", 0), 0u) << call;
}

}  // namespace
}  // namespace vorlax
