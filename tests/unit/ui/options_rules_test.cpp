// The options page: Next's trim and store, Back's restore, and the browser's start folder.
#include "ui/options_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "base/text.h"
#include "ui_fixture.h"

namespace vorlax {
namespace {

class OptionsTest : public UiTest {};

TEST_F(OptionsTest, NextTrimsAndStoresBothDefinesRaw) {
  struct Case {
    const char* name;
    std::u16string pathEdit, groupEdit, path, group;
  };
  const Case cases[] = {
      {"SpacesAroundKeepTheBackslash", u"  C:\\Games\\  ", u"  My Game  ", u"C:\\Games\\",
       u"My Game"},
      {"TabsAndLineBreaks", u"\t\r\nD:\\x\n", u"\tG\t", u"D:\\x", u"G"},
      {"InnerSpacesStay", u"C:\\Program Files\\A B", u"A  B", u"C:\\Program Files\\A B", u"A  B"},
      {"PlaceholdersStoredUnexpanded", u" %ProgramFiles%\\G ", u"%Group%", u"%ProgramFiles%\\G",
       u"%Group%"},
      {"OnlySpacesBecomeEmpty", u"   ", u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StoreOptions(c.pathEdit, c.groupEdit);
    EXPECT_EQ(State().defines.Get(u"InstallPath"), c.path);
    EXPECT_EQ(State().defines.Get(u"InstallGroup"), c.group);
  }
}

TEST_F(OptionsTest, NextReadsAtMost255Characters) {
  const std::u16string longPath = u"C:\\" + std::u16string(300, u'a');
  StoreOptions(longPath, u" " + std::u16string(260, u'g'));
  EXPECT_EQ(State().defines.Get(u"InstallPath"), longPath.substr(0, 255));
  // The cut comes first: the leading space uses one of the 255 characters.
  EXPECT_EQ(State().defines.Get(u"InstallGroup"), std::u16string(254, u'g'));
}

TEST_F(OptionsTest, BackRestoresTheSavedValues) {
  State().savedInstallPath = u"%ProgramFiles%\\Game";
  State().savedInstallGroup = u"Game";
  StoreOptions(u"D:\\typed", u"typed");
  RestoreSavedOptions();
  EXPECT_EQ(State().defines.Get(u"InstallPath"), u"%ProgramFiles%\\Game");
  EXPECT_EQ(State().defines.Get(u"InstallGroup"), u"Game");
}

TEST(CutAtLastSeparator, CutsAtTheLaterOfBothSeparators) {
  struct Case {
    std::u16string path, cut;
  };
  const Case cases[] = {
      {u"C:\\Games\\New", u"C:\\Games"}, {u"C:\\Games\\", u"C:\\Games"},
      {u"C:/a\\b/c", u"C:/a\\b"},       {u"C:\\a/b\\c", u"C:\\a/b"},
      {u"C:\\", u"C:"},                 {u"C:", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    EXPECT_EQ(CutAtLastSeparator(c.path), c.cut);
  }
}

// A browser over a set of existing folders: selecting one of them selects it (and reports it
// without a trailing backslash, except for a drive root); selecting anything else keeps the
// previous selection.
class FakeBrowser {
 public:
  explicit FakeBrowser(std::set<std::u16string> folders) : folders_(std::move(folders)) {}
  std::u16string Select(const std::u16string& path) {
    tried.push_back(path);
    std::u16string key = path;
    if (key.size() > 3 && (key.back() == u'\\' || key.back() == u'/')) key.pop_back();
    if (folders_.count(key)) selection_ = key;
    return selection_;
  }
  std::vector<std::u16string> tried;

 private:
  std::set<std::u16string> folders_;
  std::u16string selection_ = u"C:\\users\\player\\Desktop";
};

TEST(SelectNearestFolder, OpensAtTheTypedFolderOrItsNearestExistingAncestor) {
  struct Case {
    const char* name;
    std::u16string start;
    std::u16string selected;
    std::vector<std::u16string> tried;
  };
  const Case cases[] = {
      {"Exists", u"C:\\Games", u"C:\\Games", {u"C:\\Games"}},
      {"Missing two levels", u"C:\\Games\\New\\Deep", u"C:\\Games",
       {u"C:\\Games\\New\\Deep", u"C:\\Games\\New", u"C:\\Games"}},
      {"TrailingBackslashThenWithout", u"C:\\Games\\", u"C:\\Games",
       {u"C:\\Games\\", u"C:\\Games"}},
      {"DriveRoot", u"C:\\", u"C:\\", {u"C:\\"}},
      {"NothingExistsEndsEmpty", u"Q:\\x", u"", {u"Q:\\x", u"Q:"}},
      {"EmptyEditTriesNothing", u"", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeBrowser browser({u"C:\\", u"C:\\Games", u"C:\\users\\player\\Desktop"});
    const std::u16string selected = SelectNearestFolder(
        c.start, [&](const std::u16string& path) { return browser.Select(path); });
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(browser.tried, c.tried);
  }
}

TEST(SelectNearestFolder, StartPathIsCutTo259Characters) {
  const std::u16string start = u"C:\\" + std::u16string(300, u'x');
  std::vector<std::u16string> tried;
  SelectNearestFolder(start, [&](const std::u16string& path) {
    tried.push_back(path);
    return path;
  });
  ASSERT_EQ(tried.size(), 1u);
  EXPECT_EQ(tried[0], start.substr(0, 259));
}

}  // namespace
}  // namespace vorlax
