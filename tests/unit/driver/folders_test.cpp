// CreateFolderPath and DeleteFolderTree against the fake system's in-memory disk.
#include "driver/folders.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
  }
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& call : fake.calls) {
      if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
    }
    return out;
  }
  FakeSystem fake;
};

TEST_F(Folders, CreateFolderPathCreatesEachLevelInOrder) {
  struct Case {
    const char* name;
    std::u16string path;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"Backslashes", u"C:\\a\\b\\c",
       {"CreateFolder C:", "CreateFolder C:\\a", "CreateFolder C:\\a\\b", "CreateFolder C:\\a\\b\\c"}},
      {"MixedSeparators", u"C:/x\\y/z",
       {"CreateFolder C:", "CreateFolder C:/x", "CreateFolder C:/x\\y", "CreateFolder C:/x\\y/z"}},
      {"LeadingSeparator", u"\\top\\sub", {"CreateFolder \\top", "CreateFolder \\top\\sub"}},
      {"NoSeparator", u"single", {"CreateFolder single"}},
      {"Empty", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.calls.clear();
    CreateFolderPath(c.path);
    EXPECT_EQ(CallsStartingWith("CreateFolder"), c.calls);
  }
}

TEST_F(Folders, CreateFolderPathLeavesEveryLevelAndIgnoresExisting) {
  fake.AddFolder(u"C:\\Program Files");
  CreateFolderPath(u"C:\\Program Files\\Game\\data");
  EXPECT_TRUE(fake.HasFolder(u"C:\\Program Files\\Game"));
  EXPECT_TRUE(fake.HasFolder(u"C:\\Program Files\\Game\\data"));
}

TEST_F(Folders, DeleteFolderTreeRemovesNestedFolders) {
  fake.AddFile(u"C:\\t\\vorcfg1\\files.cab", "cab");
  fake.AddFile(u"C:\\t\\vorcfg1\\cfg\\install.xml", "x");
  fake.AddFile(u"C:\\t\\vorcfg1\\cfg\\deep\\er\\a.bmp", "b");
  fake.AddFolder(u"C:\\t\\vorcfg1\\empty");
  fake.AddFile(u"C:\\t\\other.txt", "stays");
  EXPECT_TRUE(DeleteFolderTree(u"C:\\t\\vorcfg1"));
  EXPECT_EQ(fake.AllPaths(), (std::vector<std::u16string>{u"c:\\t", u"c:\\t\\other.txt"}));
}

TEST_F(Folders, DeleteFolderTreeSparesUnicowsExactly) {
  struct Case {
    const char* name;
    const char16_t* fileName;
    bool spared;
  };
  const Case cases[] = {
      {"ExactName", u"unicows.dll", true},
      {"OtherCase", u"UNICOWS.DLL", false},
      {"MixedCase", u"Unicows.dll", false},
      {"LongerName", u"unicows.dll.bak", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake = FakeSystem();
    State().system = &fake;
    std::u16string dll = std::u16string(u"C:\\t\\v\\sub\\") + c.fileName;
    fake.AddFile(dll, "library");
    fake.AddFile(u"C:\\t\\v\\files.cab", "cab");
    EXPECT_EQ(DeleteFolderTree(u"C:\\t\\v"), !c.spared);
    EXPECT_EQ(fake.HasFile(dll), c.spared);
    EXPECT_EQ(fake.HasFolder(u"C:\\t\\v\\sub"), c.spared);
    EXPECT_EQ(fake.HasFolder(u"C:\\t\\v"), c.spared);
    EXPECT_FALSE(fake.HasFile(u"C:\\t\\v\\files.cab"));
  }
}

TEST_F(Folders, DeleteFolderTreeRefusesShortOrUnlistablePaths) {
  fake.AddFile(u"C:\\keep.txt", "x");
  for (const char16_t* path : {u"", u"C", u"\\", u"C:\\missing", u"C:\\keep.txt"}) {
    SCOPED_TRACE(ToUtf8(path));
    fake.calls.clear();
    EXPECT_FALSE(DeleteFolderTree(path));
    EXPECT_TRUE(CallsStartingWith("DeleteFile").empty());
    EXPECT_TRUE(CallsStartingWith("RemoveFolder").empty());
  }
  EXPECT_TRUE(fake.HasFile(u"C:\\keep.txt"));
}

// Two characters is the shortest path that is deleted.
TEST_F(Folders, DeleteFolderTreeAcceptsTwoCharacterPath) {
  fake.AddFile(u"ab\\inner.txt", "x");
  EXPECT_TRUE(DeleteFolderTree(u"ab"));
  EXPECT_TRUE(fake.AllPaths().empty());
}

TEST_F(Folders, DeleteFolderTreeKeepsFolderWhenAFileCannotBeDeleted) {
  fake.AddFile(u"C:\\t\\v\\running.exe", "busy");
  fake.FindFile(u"C:\\t\\v\\running.exe")->locked = true;
  fake.AddFile(u"C:\\t\\v\\a.txt", "a");
  EXPECT_FALSE(DeleteFolderTree(u"C:\\t\\v"));
  EXPECT_FALSE(fake.HasFile(u"C:\\t\\v\\a.txt"));
  EXPECT_TRUE(fake.HasFile(u"C:\\t\\v\\running.exe"));
  EXPECT_TRUE(CallsStartingWith("RemoveFolder").empty());
}

TEST_F(Folders, DeleteFolderTreeDoesNotDoubleATrailingSeparator) {
  fake.AddFile(u"C:\\t\\v\\a.txt", "a");
  EXPECT_TRUE(DeleteFolderTree(u"C:\\t\\v\\"));
  EXPECT_EQ(CallsStartingWith("DeleteFile"), std::vector<std::string>{"DeleteFile C:\\t\\v\\a.txt"});
  EXPECT_FALSE(fake.HasFolder(u"C:\\t\\v"));
}

}  // namespace
}  // namespace vorlax
