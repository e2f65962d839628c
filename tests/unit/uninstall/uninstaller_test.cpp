// The whole uninstall run against the fake system: an installed product (files, shortcuts,
// registry values, an uninstall entry, user data) removed with user data kept or deleted; a
// declined confirmation and a malformed log that change nothing; a drive root refused and
// reported; files in use with the retry question; the temporary copy; the texts' fallback.
#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"
#include "uninstall/uninstall_texts.h"

namespace vorlax {
namespace {

const std::u16string kLogPath = u"C:\\Games\\Demo\\install.log";
const std::u16string kPropsPath = u"C:\\Games\\Demo\\install_props.xml";
const std::u16string kUninstaller = u"C:\\Games\\Demo\\uninst.exe";
const std::u16string kCopy = u"C:\\users\\player\\Temp\\vun1.tmp.exe";
const std::u16string kGroup = u"C:\\ProgramData\\Programs\\Demo";
const std::u16string kUninstallKey =
    u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0";

std::string LogBytes(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i < 2 ? u"\r\r\n" : u"\r\n");
  return ToUtf16Le(text);
}

std::vector<std::u16string> ProductLog(const std::u16string& extraHeaderLine) {
  std::vector<std::u16string> lines = {
      u"<InstallLog>",
      u"\t<InstallName>Demo 1.0</InstallName>",
      u"\t<UninstallDeltree>C:\\Games\\Demo</UninstallDeltree>",
      u"\t<UninstallDeltree>" + kGroup + u"</UninstallDeltree>",
      u"\t<UserDirectory>C:\\Games\\Demo\\Saves</UserDirectory>",
      u"\t<UninstallDelRegKey>HKCU\\Software\\Vendor</UninstallDelRegKey>",
      u"\t<UserRegKey>HKCU\\Software\\Vendor\\Demo</UserRegKey>",
      u"\t<File>C:\\Games\\Demo\\uninst.exe</File>",
      u"\t<File>C:\\Games\\Demo\\demo.exe</File>",
      u"\t<File>C:\\Games\\Demo\\data\\level1.dat</File>",
      u"\t<File>C:\\Games\\Demo\\Saves\\default.cfg</File>",
      u"\t<Registry>",
      u"\t\t<RegValue>",
      u"\t\t\t<Key>HKLM\\SOFTWARE\\Vendor\\Demo</Key>",
      u"\t\t\t<Name>Path</Name>",
      u"\t\t</RegValue>",
      u"\t\t<RegValue>",
      u"\t\t\t<Key>HKCU\\Software\\Vendor\\Demo\\Settings</Key>",
      u"\t\t\t<Name>Volume</Name>",
      u"\t\t</RegValue>",
      u"\t</Registry>",
      u"\t<UninstallDelRegKey>" + kUninstallKey + u"</UninstallDelRegKey>",
      u"\t<File>" + kGroup + u"\\Play.lnk</File>",
      u"\t<File>C:\\users\\player\\Desktop\\Demo.lnk</File>",
      u"</InstallLog>",
  };
  if (!extraHeaderLine.empty()) lines.insert(lines.begin() + 2, extraHeaderLine);
  return lines;
}

class Uninstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
    fake.shellFolders = {{0x26, u"C:\\Program Files"},
                         {0x17, u"C:\\ProgramData\\Programs"},
                         {0x10, u"C:\\users\\player\\Desktop"},
                         {0x28, u"C:\\users\\player"},
                         {0x05, u"C:\\users\\player\\Documents"}};
    fake.moduleFileName = kCopy;
    fake.commandLine = u"\"" + kCopy + u"\" --original \"" + kUninstaller + u"\" \"" + kLogPath + u"\"";
    for (const char16_t* file : {u"C:\\Games\\Demo\\demo.exe", u"C:\\Games\\Demo\\data\\level1.dat",
                                 u"C:\\Games\\Demo\\Saves\\default.cfg",
                                 u"C:\\Games\\Demo\\Saves\\slot1.sav", u"C:\\Games\\Other\\keep.txt",
                                 u"C:\\users\\player\\Desktop\\Demo.lnk",
                                 u"C:\\users\\player\\Desktop\\mine.txt",
                                 u"C:\\users\\player\\Documents\\letter.txt"}) {
      fake.AddFile(file, "x");
    }
    fake.AddFile(kGroup + u"\\Play.lnk", "x");
    fake.AddFile(kUninstaller, "MZ");
    fake.AddFile(kCopy, "MZ");
    fake.FindFile(u"C:\\Games\\Demo\\demo.exe")->attributes = 0x21;  // read-only
    WriteLog(ProductLog(u""));
    fake.AddFile(kPropsPath, ToUtf16Le(u"\xFEFF<Properties><String id=\"UNINSTALL_TITLE\">Remove "
                                       u"%InstallName%</String></Properties>"));
    fake.registry[u"HKLM\\SOFTWARE\\Vendor\\Demo"][u"Path"] = {kRegSz, "p"};
    fake.registry[u"HKLM\\SOFTWARE\\Vendor\\Demo"][u"Shared"] = {kRegSz, "s"};
    fake.registry[u"HKCU\\Software\\Vendor\\Common"][u"Language"] = {kRegSz, "en"};
    fake.registry[u"HKCU\\Software\\Vendor\\Demo\\Settings"][u"Volume"] = {kRegDword, "1234"};
    fake.registry[kUninstallKey][u"UninstallString"] = {kRegSz, "u"};
    fake.registry[u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"]
                 [u"DisplayName"] = {kRegSz, "o"};
  }
  void TearDown() override { State().system = nullptr; }

  void WriteLog(const std::vector<std::u16string>& lines) { fake.AddFile(kLogPath, LogBytes(lines)); }

  bool HasKey(const std::u16string& path) const { return fake.KeyValues(path) != nullptr; }

  // Every message after the first (the confirmation), by caption and text.
  std::u16string FinalMessage() const { return fake.messages.back().text; }

  FakeSystem fake;
};

TEST_F(Uninstaller, RemovesTheProductAndKeepsUserDataByDefault) {
  fake.messageAnswers = {kIdYes, kIdYes};  // remove; keep saved games
  EXPECT_EQ(RunUninstaller(), kUninstallDone);

  ASSERT_EQ(fake.messages.size(), 3u);
  EXPECT_EQ(fake.messages[0].caption, u"Remove Demo 1.0");  // from the properties copy
  EXPECT_EQ(fake.messages[0].style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(fake.messages[1].style, kMbYesNo | kMbIconQuestion);
  EXPECT_NE(FinalMessage().find(u"Demo 1.0 was removed"), std::u16string::npos);
  EXPECT_NE(FinalMessage().find(u"C:\\Games\\Demo\\Saves"), std::u16string::npos);

  // What stays: the saved games (with the installed default inside them), the folder that holds
  // them, everything that was never installed, and the running copy (deleted at the next start).
  EXPECT_EQ(fake.AllPaths(),
            (std::vector<std::u16string>{
                u"c:\\games", u"c:\\games\\demo", u"c:\\games\\demo\\saves",
                u"c:\\games\\demo\\saves\\default.cfg", u"c:\\games\\demo\\saves\\slot1.sav",
                u"c:\\games\\other", u"c:\\games\\other\\keep.txt", u"c:\\programdata",
                u"c:\\programdata\\programs", u"c:\\users", u"c:\\users\\player",
                u"c:\\users\\player\\desktop", u"c:\\users\\player\\desktop\\mine.txt",
                u"c:\\users\\player\\documents", u"c:\\users\\player\\documents\\letter.txt",
                u"c:\\users\\player\\temp", u"c:\\users\\player\\temp\\vun1.tmp.exe"}));
  EXPECT_EQ(fake.restartDeletions, std::vector<std::u16string>{kCopy});

  // The logged value goes, its key's other value stays; the key tree goes but for the kept key.
  ASSERT_TRUE(HasKey(u"HKLM\\SOFTWARE\\Vendor\\Demo"));
  EXPECT_EQ(fake.KeyValues(u"HKLM\\SOFTWARE\\Vendor\\Demo")->count(u"Path"), 0u);
  EXPECT_EQ(fake.KeyValues(u"HKLM\\SOFTWARE\\Vendor\\Demo")->count(u"Shared"), 1u);
  EXPECT_FALSE(HasKey(u"HKCU\\Software\\Vendor\\Common"));
  // The logged default value inside the kept key is the player's now.
  ASSERT_TRUE(HasKey(u"HKCU\\Software\\Vendor\\Demo\\Settings"));
  EXPECT_EQ(fake.KeyValues(u"HKCU\\Software\\Vendor\\Demo\\Settings")->count(u"Volume"), 1u);
  EXPECT_FALSE(HasKey(kUninstallKey));
  EXPECT_TRUE(HasKey(u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"));
}

TEST_F(Uninstaller, DeletesUserDataWhenThePlayerSaysSo) {
  // A junction in the install folder shows the player's documents: it goes as a link only.
  fake.AddFile(u"C:\\Games\\Demo\\Docs\\letter.txt", "x");
  fake.reparsePoints.insert(u"C:\\Games\\Demo\\Docs");
  fake.messageAnswers = {kIdYes, kIdNo};  // remove; do not keep saved games
  EXPECT_EQ(RunUninstaller(), kUninstallDone);
  EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(),
                       "DeleteFile C:\\Games\\Demo\\Docs\\letter.txt"), 0);
  EXPECT_FALSE(fake.HasFolder(u"C:\\Games\\Demo"));
  EXPECT_TRUE(fake.HasFile(u"C:\\Games\\Other\\keep.txt"));
  EXPECT_FALSE(HasKey(u"HKCU\\Software\\Vendor\\Demo\\Settings"));
  EXPECT_FALSE(fake.KeyValues(u"HKCU\\Software\\Vendor\\Demo") != nullptr);
  EXPECT_EQ(FinalMessage().find(u"Saves"), std::u16string::npos);
}

TEST_F(Uninstaller, DeclinedConfirmationOrMalformedLogChangesNothing) {
  const std::vector<std::u16string> before = fake.AllPaths();
  const auto registryBefore = fake.registry.size();
  // Declined.
  fake.messageAnswers = {kIdNo};
  EXPECT_EQ(RunUninstaller(), kUninstallDeclined);
  EXPECT_EQ(fake.messages.size(), 1u);
  // Malformed: one unknown entity.
  std::vector<std::u16string> lines = ProductLog(u"");
  lines[8] = u"\t<File>C:\\Games\\Demo\\demo&exe</File>";
  WriteLog(lines);
  fake.messages.clear();
  EXPECT_EQ(RunUninstaller(), kUninstallBadLog);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].style, kMbOk | kMbIconError);
  EXPECT_NE(fake.messages[0].text.find(u"cannot be read, so nothing was removed"), std::u16string::npos);
  EXPECT_NE(fake.messages[0].text.find(u"line 9"), std::u16string::npos);
  // Unreadable: no log at all.
  ASSERT_TRUE(fake.DeleteFile(kLogPath));
  fake.messages.clear();
  EXPECT_EQ(RunUninstaller(), kUninstallBadLog);
  EXPECT_NE(fake.messages[0].text.find(u"cannot open"), std::u16string::npos);

  std::vector<std::u16string> after = fake.AllPaths();
  after.push_back(FakeSystem::Key(kLogPath));
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
  EXPECT_EQ(fake.registry.size(), registryBefore);
  EXPECT_TRUE(fake.restartDeletions.empty());
}

TEST_F(Uninstaller, RefusesUnsafeFoldersAndKeysAndReportsThem) {
  std::vector<std::u16string> lines = ProductLog(u"\t<UninstallDeltree>C:\\</UninstallDeltree>");
  lines.insert(lines.begin() + 3, u"\t<UserDirectory>C:\\users\\player\\Documents</UserDirectory>");
  lines.insert(lines.begin() + 3, u"\t<UninstallDelRegKey>HKLM\\SOFTWARE</UninstallDelRegKey>");
  WriteLog(lines);
  // A command line naming a system file as the uninstaller the copy was started from.
  fake.AddFile(u"C:\\windows\\notepad.exe", "MZ");
  fake.commandLine = u"\"" + kCopy + u"\" --original C:\\windows\\notepad.exe \"" + kLogPath + u"\"";
  fake.messageAnswers = {kIdYes, kIdNo};  // remove; delete user data too
  EXPECT_EQ(RunUninstaller(), kUninstallIncomplete);
  EXPECT_TRUE(fake.HasFile(u"C:\\windows\\notepad.exe"));
  EXPECT_TRUE(fake.HasFile(u"C:\\Games\\Other\\keep.txt"));
  EXPECT_TRUE(fake.HasFile(u"C:\\users\\player\\Desktop\\mine.txt"));
  EXPECT_TRUE(fake.HasFile(u"C:\\users\\player\\Documents\\letter.txt"));
  EXPECT_TRUE(HasKey(u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"));
  EXPECT_FALSE(fake.HasFolder(u"C:\\Games\\Demo"));  // the safe parts still went
  const std::u16string text = FinalMessage();
  EXPECT_EQ(fake.messages.back().style, kMbOk | kMbIconExclamation);
  EXPECT_NE(text.find(u"could harm your computer"), std::u16string::npos);
  EXPECT_NE(text.find(u"C:\\ (a drive root)"), std::u16string::npos);
  EXPECT_NE(text.find(u"C:\\users\\player\\Documents (a system folder"), std::u16string::npos);
  EXPECT_NE(text.find(u"HKLM\\SOFTWARE (a top-level key)"), std::u16string::npos);
  EXPECT_NE(text.find(u"C:\\windows\\notepad.exe (outside the install folder)"), std::u16string::npos);
}

TEST_F(Uninstaller, FileInUseIsOfferedForRetryThenListed) {
  struct Case {
    bool unlockAtSecondPrompt;
    int exitCode;
  };
  for (const Case& c : {Case{false, kUninstallIncomplete}, Case{true, kUninstallDone}}) {
    SetUp();
    fake.FindFile(u"C:\\Games\\Demo\\data\\level1.dat")->locked = true;
    int prompts = 0;
    fake.messageHandler = [&](const FakeSystem::Message& message) {
      if (message.style != (kMbOkCancel | kMbIconExclamation)) {
        return message.style == (kMbYesNo | kMbIconQuestion) ? kIdYes : kIdOk;
      }
      EXPECT_EQ(message.caption, u"File In Use");
      EXPECT_NE(message.text.find(u"Please close Demo 1.0"), std::u16string::npos);
      if (++prompts == 2) {
        if (!c.unlockAtSecondPrompt) return kIdCancel;
        fake.FindFile(u"C:\\Games\\Demo\\data\\level1.dat")->locked = false;
      }
      return kIdOk;
    };
    EXPECT_EQ(RunUninstaller(), c.exitCode);
    EXPECT_EQ(prompts, 2);
    bool left = !c.unlockAtSecondPrompt;
    EXPECT_EQ(fake.HasFile(u"C:\\Games\\Demo\\data\\level1.dat"), left);
    EXPECT_FALSE(fake.HasFile(u"C:\\Games\\Demo\\demo.exe"));
    EXPECT_EQ(FinalMessage().find(u"could not be removed") != std::u16string::npos, left);
    EXPECT_EQ(FinalMessage().find(u"C:\\Games\\Demo\\data\\level1.dat") != std::u16string::npos,
              left);
    fake.messageHandler = nullptr;
    fake.messages.clear();
  }
}

TEST_F(Uninstaller, StartedFromTheUninstallEntryRunsATemporaryCopy) {
  fake.moduleFileName = kUninstaller;
  fake.commandLine = u"\"" + kUninstaller + u"\" \"" + kLogPath + u"\"";
  EXPECT_EQ(RunUninstaller(), kUninstallDone);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_TRUE(fake.HasFile(u"C:\\Games\\Demo\\demo.exe"));
  ASSERT_EQ(fake.shellExecutes.size(), 1u);
  EXPECT_EQ(fake.shellExecutes[0].file, kCopy);
  EXPECT_EQ(fake.FileData(kCopy), "MZ");
  EXPECT_EQ(fake.shellExecutes[0].parameters,
            u"--original \"" + kUninstaller + u"\" \"" + kLogPath + u"\"");
  EXPECT_EQ(fake.shellExecutes[0].directory, u"C:\\users\\player\\Temp");

  // Without a temporary folder it works in place and leaves its own file, which runs and cannot
  // be deleted, to the next start.
  fake.tempFolder.clear();
  fake.FindFile(kUninstaller)->locked = true;
  fake.messageAnswers = {kIdYes, kIdYes};
  EXPECT_EQ(RunUninstaller(), kUninstallDone);
  EXPECT_FALSE(fake.HasFile(u"C:\\Games\\Demo\\demo.exe"));
  EXPECT_TRUE(fake.HasFile(kUninstaller));
  EXPECT_EQ(fake.restartDeletions, std::vector<std::u16string>{kUninstaller});
}

TEST_F(Uninstaller, TextsFallBackWhenThePropertiesCopyLacksThem) {
  ASSERT_TRUE(fake.DeleteFile(kPropsPath));
  fake.messageAnswers = {kIdNo};
  EXPECT_EQ(RunUninstaller(), kUninstallDeclined);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].caption, u"Uninstall Demo 1.0");
  EXPECT_EQ(fake.messages[0].text,
            u"Do you want to remove Demo 1.0 and all of its components from your computer?");
}

}  // namespace
}  // namespace vorlax
