// The install log: EscapeLogText's table, the line formats and line ends, a byte-exact small log
// written through the seam, the "_props.xml" naming rule, and the log file's creation.
#include "driver/install_log.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
    State().tempDir = u"C:\\Temp\\vorcfg1.tmp";
  }
  void TearDown() override { State().system = nullptr; }
  FakeSystem fake;
};

TEST_F(InstallLog, EscapesEveryListedCharacter) {
  struct Case {
    std::u16string text, escaped;
  };
  const Case cases[] = {
      {u"Demo 1.0", u"Demo 1.0"},
      {u"a\nb", u"a&cr;b"},   // LF is "&cr;"
      {u"a\rb", u"a&lf;b"},   // CR is "&lf;"
      {u"\"&'<>", u"&quot;&amp;&apos;&lt;&gt;"},
      {u"Tom & Jerry's", u"Tom &amp; Jerry&apos;s"},
      {u"Two  words", u"Two &nbsp;words"},
      {u"   ", u" &nbsp;&nbsp;"},
      {u" a b ", u" a b "},
      {u"\t\x00e9%x%", u"\t\x00e9%x%"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeLogText(c.text), c.escaped) << ToUtf8(c.text);
}

TEST_F(InstallLog, PropertiesCopyIsNamedAfterTheLogUpToItsLastDot) {
  struct Case {
    std::u16string log, copy;
  };
  const Case cases[] = {
      {u"C:\\Games\\Demo\\Install.log", u"C:\\Games\\Demo\\Install_props.xml"},
      {u"C:\\Games\\Demo\\Install", u"C:\\Games\\Demo\\Install_props.xml"},
      {u"C:\\Games\\Demo 1.0\\Install", u"C:\\Games\\Demo 1_props.xml"},
      {u"C:\\Games\\Demo\\install.log.txt", u"C:\\Games\\Demo\\install.log_props.xml"},
  };
  for (const Case& c : cases) EXPECT_EQ(PropertiesCopyPath(c.log), c.copy) << ToUtf8(c.log);
}

TEST_F(InstallLog, SmallLogIsWrittenByteForByte) {
  const std::u16string logPath = u"C:\\Games\\Demo\\Install.log";
  InstallerState& state = State();
  state.defines.Set(u"InstallName", u"Demo  1.0");
  state.defines.Set(u"InstallPath", u"C:\\Games\\Demo");
  state.config.UninstallDeltree = {u"%InstallPath%"};
  state.config.UserDirectory = {u"%InstallPath%\\saves"};
  state.config.UninstallDelRegKey = {u"HKLM\\SOFTWARE\\A&B"};
  state.config.UserRegKey = {u"HKCU\\SOFTWARE\\Demo"};
  state.extractedFiles = {u"C:\\Games\\Demo\\demo.exe"};
  ASSERT_TRUE(CreateInstallLog(logPath));
  EXPECT_TRUE(fake.HasFolder(u"C:\\Games\\Demo"));
  AppendLogHeader();
  AppendExtractedFileLines();
  AppendLogTag(1, u"<Registry>");
  EXPECT_EQ(fake.FileData(logPath), "");  // nothing on disk before closing
  CloseInstallLog();

  const std::string expected = ToUtf16Le(
      u"<InstallLog>\r\r\n"
      u"\t<InstallName>Demo &nbsp;1.0</InstallName>\r\r\n"
      u"\t<UninstallDeltree>C:\\Games\\Demo</UninstallDeltree>\r\n"
      u"\t<UserDirectory>C:\\Games\\Demo\\saves</UserDirectory>\r\n"
      u"\t<UninstallDelRegKey>HKLM\\SOFTWARE\\A&amp;B</UninstallDelRegKey>\r\n"
      u"\t<UserRegKey>HKCU\\SOFTWARE\\Demo</UserRegKey>\r\n"
      u"\t<File>C:\\Games\\Demo\\demo.exe</File>\r\n"
      u"\t<Registry>\r\n"
      u"</InstallLog>\r\n");
  EXPECT_EQ(fake.FileData(logPath), expected);
  EXPECT_EQ(fake.FileData(logPath).substr(0, 2), std::string("<\0", 2));  // no byte-order mark
  EXPECT_EQ(state.installLogFile, kNoFile);
  EXPECT_EQ(fake.openFiles, 0);
}

TEST_F(InstallLog, WithoutEntriesTheHeaderIsFollowedByTheFileLines) {
  State().extractedFiles = {u"C:\\G\\a.txt", u"C:\\G\\b.txt"};
  AppendLogHeader();
  AppendExtractedFileLines();
  EXPECT_EQ(State().installLog,
            u"<InstallLog>\r\r\n"
            u"\t<InstallName></InstallName>\r\r\n"
            u"\t<File>C:\\G\\a.txt</File>\r\n"
            u"\t<File>C:\\G\\b.txt</File>\r\n");
}

TEST_F(InstallLog, ElementLinesForLaterSteps) {
  AppendLogTag(2, u"<RegValue>");
  AppendLogElement(3, u"Key", u"HKLM\\A 'x'");
  AppendLogTag(2, u"</RegValue>");
  EXPECT_EQ(State().installLog,
            u"\t\t<RegValue>\r\n\t\t\t<Key>HKLM\\A &apos;x&apos;</Key>\r\n\t\t</RegValue>\r\n");
}

TEST_F(InstallLog, UncreatableLogAndFailedCopyAreFatal) {
  // A folder of that name is in the way of the log file; no props.xml to copy.
  fake.AddFolder(u"C:\\Games\\Demo\\Install.log");
  EXPECT_FALSE(CreateInstallLog(u"C:\\Games\\Demo\\Install.log"));
  EXPECT_FALSE(CopyPropertiesBesideLog(u"C:\\Games\\Demo\\Install.log"));
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, u"Failed to Create Install Log 'C:\\Games\\Demo\\Install.log'");
  EXPECT_EQ(fake.messages[1].text, u"Failed to copy properties file");
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(State().installLogFile, kNoFile);
}

TEST_F(InstallLog, PropertiesAreCopiedBesideTheLogReplacingAnOldCopy) {
  fake.AddFile(u"C:\\Temp\\vorcfg1.tmp\\props.xml", "new texts");
  fake.AddFile(u"C:\\Games\\Demo\\Install_props.xml", "old texts");
  EXPECT_TRUE(CopyPropertiesBesideLog(u"C:\\Games\\Demo\\Install.log"));
  EXPECT_EQ(fake.FileData(u"C:\\Games\\Demo\\Install_props.xml"), "new texts");
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(InstallLog, ClosingWithoutAnOpenFileDoesNothing) {
  State().installLog = u"x";
  CloseInstallLog();
  EXPECT_EQ(State().installLog, u"x");
}

}  // namespace
}  // namespace vorlax
