// Splitting the uninstaller's command line: quoted paths with spaces, empty quoted arguments,
// tabs, and backslashes kept as they are.
#include "uninstall/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace vorlax {
namespace {

TEST(CommandLine, SplitsAsTheUninstallEntryWritesIt) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> arguments;
  };
  const Case cases[] = {
      {u"\"C:\\Vorlax Demo\\uninst.exe\" \"C:\\Vorlax Demo\\Install.log\"",
       {u"C:\\Vorlax Demo\\uninst.exe", u"C:\\Vorlax Demo\\Install.log"}},
      {u"C:\\Games\\uninst.exe C:\\Games\\install.log", {u"C:\\Games\\uninst.exe", u"C:\\Games\\install.log"}},
      {u"  a\t\"b c\"  \"\" d\\ ", {u"a", u"b c", u"", u"d\\"}},
      {u"a\"b c\"d", {u"ab cd"}},
      {u"\"unclosed quote", {u"unclosed quote"}},
      {u"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << ToUtf8(c.line);
}

}  // namespace
}  // namespace vorlax
