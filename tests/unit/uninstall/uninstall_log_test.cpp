// The uninstaller's log reader: both line ends, every entity the installer writes, a log cut off
// after a failed registry step, and malformed logs refused with the spot named.
#include "uninstall/uninstall_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "driver/install_log.h"

namespace vorlax {
namespace {

// The bytes of a log whose lines are given without line ends: the first two end with
// headerEnd, the others with CR LF.
std::string LogBytes(const std::vector<std::u16string>& lines, const std::u16string& headerEnd) {
  std::u16string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i < 2 ? headerEnd : u"\r\n");
  return ToUtf16Le(text);
}

const std::vector<std::u16string> kCompleteLog = {
    u"<InstallLog>",
    u"\t<InstallName>Demo 1.0</InstallName>",
    u"\t<UninstallDeltree>C:\\Games\\Demo</UninstallDeltree>",
    u"\t<UserDirectory>C:\\Games\\Demo\\Saves</UserDirectory>",
    u"\t<UninstallDelRegKey>HKLM\\SOFTWARE\\Vendor\\Demo</UninstallDelRegKey>",
    u"\t<UserRegKey>HKCU\\Software\\Vendor\\Demo</UserRegKey>",
    u"\t<File>C:\\Games\\Demo\\demo.exe</File>",
    u"\t<File>C:\\Games\\Demo\\data\\level1.dat</File>",
    u"\t<Registry>",
    u"\t\t<RegValue>",
    u"\t\t\t<Key>HKLM\\SOFTWARE\\Vendor\\Demo</Key>",
    u"\t\t\t<Name>Path</Name>",
    u"\t\t</RegValue>",
    u"\t\t<RegValue>",
    u"\t\t\t<Key>HKCU\\Software\\Vendor\\Demo</Key>",
    u"\t\t\t<Name></Name>",
    u"\t\t</RegValue>",
    u"\t</Registry>",
    u"\t<UninstallDelRegKey>HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0</UninstallDelRegKey>",
    u"\t<File>C:\\Menu\\Demo\\Play.lnk</File>",
    u"</InstallLog>",
};

TEST(UninstallLog, ReadsEveryElementWithEitherLineEnd) {
  for (const std::u16string& headerEnd : {std::u16string(u"\r\r\n"), std::u16string(u"\r\n")}) {
    UninstallLog log;
    std::u16string error;
    ASSERT_TRUE(ParseUninstallLog(LogBytes(kCompleteLog, headerEnd), &log, &error)) << ToUtf8(error);
    EXPECT_EQ(log.installName, u"Demo 1.0");
    EXPECT_EQ(log.deltrees, std::vector<std::u16string>{u"C:\\Games\\Demo"});
    EXPECT_EQ(log.userDirectories, std::vector<std::u16string>{u"C:\\Games\\Demo\\Saves"});
    EXPECT_EQ(log.deleteKeys,
              (std::vector<std::u16string>{
                  u"HKLM\\SOFTWARE\\Vendor\\Demo",
                  u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0"}));
    EXPECT_EQ(log.userKeys, std::vector<std::u16string>{u"HKCU\\Software\\Vendor\\Demo"});
    EXPECT_EQ(log.productFiles, (std::vector<std::u16string>{u"C:\\Games\\Demo\\demo.exe",
                                                            u"C:\\Games\\Demo\\data\\level1.dat"}));
    EXPECT_EQ(log.shortcutFiles, std::vector<std::u16string>{u"C:\\Menu\\Demo\\Play.lnk"});
    ASSERT_EQ(log.registryValues.size(), 2u);
    EXPECT_EQ(log.registryValues[0].key, u"HKLM\\SOFTWARE\\Vendor\\Demo");
    EXPECT_EQ(log.registryValues[0].name, u"Path");
    EXPECT_EQ(log.registryValues[1].name, u"");
    EXPECT_TRUE(log.registryComplete);
  }
}

TEST(UninstallLog, DecodesEveryEntityTheInstallerWrites) {
  // Every character EscapeLogText replaces, a run of spaces among them.
  const std::u16string name = u"A\nB\rC\"D&E'F<G>H   I";
  std::vector<std::u16string> lines = {u"<InstallLog>",
                                       u"\t<InstallName>" + EscapeLogText(name) + u"</InstallName>",
                                       u"\t<File>C:\\x\\" + EscapeLogText(u"a & b  c.txt") + u"</File>",
                                       u"</InstallLog>"};
  UninstallLog log;
  std::u16string error;
  ASSERT_TRUE(ParseUninstallLog(LogBytes(lines, u"\r\r\n"), &log, &error)) << ToUtf8(error);
  EXPECT_EQ(log.installName, name);
  EXPECT_EQ(log.productFiles, std::vector<std::u16string>{u"C:\\x\\a & b  c.txt"});
}

TEST(UninstallLog, AcceptsALogCutOffAfterAFailedRegistryStep) {
  // The registry step stopped at its second value: no "</Registry>", no uninstall entry line,
  // no shortcuts; the log still ends as usual.
  std::vector<std::u16string> lines(kCompleteLog.begin(), kCompleteLog.begin() + 17);
  lines.push_back(u"</InstallLog>");
  UninstallLog log;
  std::u16string error;
  ASSERT_TRUE(ParseUninstallLog(LogBytes(lines, u"\r\r\n"), &log, &error)) << ToUtf8(error);
  EXPECT_FALSE(log.registryComplete);
  EXPECT_EQ(log.registryValues.size(), 2u);
  EXPECT_EQ(log.productFiles.size(), 2u);
  EXPECT_TRUE(log.shortcutFiles.empty());
  EXPECT_EQ(log.deleteKeys.size(), 1u);
}

TEST(UninstallLog, RefusesMalformedLogs) {
  auto replaced = [](std::size_t index, const std::u16string& line) {
    std::vector<std::u16string> lines = kCompleteLog;
    lines[index] = line;
    return LogBytes(lines, u"\r\r\n");
  };
  auto without = [](std::size_t index) {
    std::vector<std::u16string> lines = kCompleteLog;
    lines.erase(lines.begin() + static_cast<long>(index));
    return LogBytes(lines, u"\r\r\n");
  };
  struct Case {
    const char* fault;
    std::string bytes;
    const char* error;  // part of the message
  };
  const std::string complete = LogBytes(kCompleteLog, u"\r\r\n");
  const Case cases[] = {
      {"empty file", std::string(), "empty"},
      {"odd byte count", complete + "x", "odd number of bytes"},
      {"no end line", without(kCompleteLog.size() - 1), "does not end"},
      {"no root line", without(0), "line 1"},
      {"unknown element", replaced(6, u"\t<Folder>C:\\x</Folder>"), "line 7: unexpected element"},
      {"unknown entity", replaced(6, u"\t<File>C:\\a&copy;b</File>"), "unknown entity '&copy;'"},
      {"stray ampersand", replaced(6, u"\t<File>C:\\a&b</File>"), "unknown entity"},
      {"raw angle bracket", replaced(6, u"\t<File>C:\\a>b</File>"), "line 7"},
      {"unclosed element", replaced(6, u"\t<File>C:\\a.exe"), "line 7: not an element"},
      {"value without name", without(11), "line 12: unexpected element"},
      {"file inside registry", replaced(10, u"\t<File>C:\\a</File>"), "line 11"},
      {"text after end", complete + ToUtf16Le(u"\t<File>C:\\a</File>\r\n"), "line 22"},
      {"second registry block", replaced(19, u"\t<Registry>"), "line 20"},
  };
  for (const Case& c : cases) {
    UninstallLog log;
    std::u16string error;
    EXPECT_FALSE(ParseUninstallLog(c.bytes, &log, &error)) << c.fault;
    EXPECT_NE(ToUtf8(error).find(c.error), std::string::npos) << c.fault << ": " << ToUtf8(error);
  }
}

}  // namespace
}  // namespace vorlax
