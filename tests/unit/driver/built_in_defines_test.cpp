// SetBuiltInDefines through the fake registry (order, "Common" fallbacks, the 256-byte buffer),
// and the run-time defines AppFolder, MinDXVer and the install location's normalisation.
#include "driver/built_in_defines.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kUserKey[] =
    u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kAllUsersKey[] =
    u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kVersionKey[] = u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A string value as the registry stores it: UTF-16LE with its terminator.
FakeSystem::RegistryValue Sz(const std::u16string& text, uint32_t type = kRegSz) {
  return FakeSystem::RegistryValue{type, ToUtf16Le(text + u'\0')};
}

class BuiltInDefines : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
  }
  void TearDown() override { State().system = nullptr; }
  std::u16string Get(const std::u16string& name) { return State().defines.Get(name); }
  FakeSystem fake;
};

TEST_F(BuiltInDefines, SetsEveryFolderFromItsValue) {
  fake.registry[kUserKey] = {{u"Desktop", Sz(u"C:\\u\\Desktop")},
                             {u"Favorites", Sz(u"C:\\u\\Favorites")},
                             {u"Programs", Sz(u"C:\\u\\Programs")},
                             {u"SendTo", Sz(u"C:\\u\\SendTo")},
                             {u"Start Menu", Sz(u"C:\\u\\Start Menu")}};
  fake.registry[kAllUsersKey] = {{u"Common Desktop", Sz(u"C:\\all\\Desktop")},
                                 {u"Common Favorites", Sz(u"C:\\all\\Favorites")},
                                 {u"Common Programs", Sz(u"C:\\all\\Programs")}};
  fake.registry[kVersionKey] = {{u"ProgramFilesDir", Sz(u"C:\\Program Files")},
                                {u"CommonFilesDir", Sz(u"C:\\Program Files\\Common Files")},
                                {u"MediaPath", Sz(u"%SystemRoot%\\Media", kRegExpandSz)}};
  SetBuiltInDefines();
  const std::pair<const char16_t*, const char16_t*> expected[] = {
      {u"Windows", u"C:\\windows"},
      {u"System", u"C:\\windows\\system32"},
      {u"InstallName", u"This Program"},
      {u"Desktop", u"C:\\u\\Desktop"},
      {u"CommonDesktop", u"C:\\all\\Desktop"},
      {u"Favorites", u"C:\\u\\Favorites"},
      {u"CommonFavorites", u"C:\\all\\Favorites"},
      {u"ProgramGroup", u"C:\\u\\Programs"},
      {u"CommonProgramGroup", u"C:\\all\\Programs"},
      {u"SendTo", u"C:\\u\\SendTo"},
      {u"StartMenu", u"C:\\u\\Start Menu"},
      {u"ProgramFiles", u"C:\\Program Files"},
      {u"CommonFiles", u"C:\\Program Files\\Common Files"},
      {u"MediaPath", u"%SystemRoot%\\Media"},  // an expandable string is used as stored
  };
  for (const auto& e : expected) EXPECT_EQ(Get(e.first), e.second) << ToUtf8(e.first);
  EXPECT_EQ(State().defines.All().size(), std::size(expected));
}

TEST_F(BuiltInDefines, MissingOrOverlongValuesLeaveDefinesUnsetOrAtTheUsersFolder) {
  const std::u16string fits(127, u'x');     // 127 characters + NUL = 256 bytes
  const std::u16string tooLong(128, u'y');  // 258 bytes: does not fit the buffer
  struct Case {
    const char* name;
    bool allUsersKey;
    std::map<std::u16string, FakeSystem::RegistryValue> allUsers;
    std::u16string programFiles;
    std::u16string commonPrograms;  // expected
    std::u16string commonDesktop;   // expected
    bool programFilesSet;
  };
  const Case cases[] = {
      {"NoAllUsersKey", false, {}, fits, u"C:\\u\\Programs", u"C:\\u\\Desktop", true},
      {"AllUsersKeyWithoutValues", true, {}, tooLong, u"C:\\u\\Programs", u"C:\\u\\Desktop", false},
      {"OverlongCommonValueKeepsUsers", true,
       {{u"Common Programs", Sz(tooLong)}, {u"Common Desktop", Sz(fits)}}, fits,
       u"C:\\u\\Programs", fits, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.registry.clear();
    fake.registry[kUserKey] = {{u"Desktop", Sz(u"C:\\u\\Desktop")},
                               {u"Programs", Sz(u"C:\\u\\Programs")}};
    if (c.allUsersKey) fake.registry[kAllUsersKey] = c.allUsers;
    fake.registry[kVersionKey] = {{u"ProgramFilesDir", Sz(c.programFiles)}};
    SetBuiltInDefines();
    EXPECT_EQ(Get(u"CommonProgramGroup"), c.commonPrograms);
    EXPECT_EQ(Get(u"CommonDesktop"), c.commonDesktop);
    EXPECT_FALSE(State().defines.Has(u"Favorites"));
    EXPECT_FALSE(State().defines.Has(u"CommonFavorites"));
    EXPECT_EQ(State().defines.Has(u"ProgramFiles"), c.programFilesSet);
    if (c.programFilesSet) {
      EXPECT_EQ(Get(u"ProgramFiles"), c.programFiles);
    }
  }
}

TEST_F(BuiltInDefines, OverlongProgramFilesLeavesOnlyTheRestOfAnInstallPath) {
  fake.registry[kVersionKey] = {{u"ProgramFilesDir", Sz(std::u16string(200, u'p'))}};
  SetBuiltInDefines();
  EXPECT_EQ(ExpandDefines(State().defines, u"%ProgramFiles%\\Demo"), u"\\Demo");
}

TEST_F(BuiltInDefines, ValueIsTakenUpToItsFirstNul) {
  fake.registry[kUserKey] = {{u"SendTo", {kRegSz, ToUtf16Le(std::u16string(u"C:\\s\0junk", 9))}}};
  SetBuiltInDefines();
  EXPECT_EQ(Get(u"SendTo"), u"C:\\s");
}

TEST_F(BuiltInDefines, LaterDefinesReplaceTheBuiltInOnes) {
  fake.registry[kVersionKey] = {{u"ProgramFilesDir", Sz(u"C:\\Program Files")}};
  SetBuiltInDefines();
  ASSERT_TRUE(State().defines.LoadText(
      u"<Defines><Define><Name>ProgramFiles</Name><Value>D:\\Apps</Value></Define></Defines>"));
  EXPECT_EQ(Get(u"ProgramFiles"), u"D:\\Apps");
}

TEST_F(BuiltInDefines, RunTimeDefinesUseRawValues) {
  struct Case {
    const char* name;
    std::u16string commonGroup, group, path;
    std::u16string appFolder, normalGroup, normalPath;
  };
  const Case cases[] = {
      {"Placeholders stay raw", u"C:\\all\\Programs", u"%InstallName%", u"%ProgramFiles%\\Demo\\",
       u"C:\\all\\Programs\\%InstallName%", u"%InstallName%", u"%ProgramFiles%\\Demo"},
      {"One trailing separator goes", u"P", u"Games/Demo//", u"D:/Games/",
       u"P\\Games/Demo/", u"Games/Demo/", u"D:/Games"},
      {"Empty group", u"P", u"", u"C:\\", u"P", u"", u"C:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    DefineTable& defines = State().defines;
    defines.Set(u"CommonProgramGroup", c.commonGroup);
    defines.Set(u"InstallGroup", c.group);
    defines.Set(u"InstallPath", c.path);
    SetAppFolderDefine();
    EXPECT_EQ(defines.Get(u"AppFolder"), c.appFolder);
    NormaliseInstallLocationDefines();
    EXPECT_EQ(defines.Get(u"InstallGroup"), c.normalGroup);
    EXPECT_EQ(defines.Get(u"InstallPath"), c.normalPath);
  }
  SetMinDirectXVersionDefine();
  EXPECT_EQ(State().defines.Get(u"MinDXVer"), u"3.0");
}

}  // namespace
}  // namespace vorlax
