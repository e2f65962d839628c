// The safety rules: path comparison, every refusal for folders deleted whole, and every refusal
// for registry keys deleted with their sub-keys.
#include "uninstall/removal_safety.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

TEST(RemovalSafety, ComparesPathsAsWindowsDoes) {
  struct Case {
    std::u16string path, comparable;
  };
  const Case cases[] = {
      {u"C:\\Games\\Demo", u"c:\\games\\demo"},
      {u"c:/GAMES//Demo\\", u"c:\\games\\demo"},
      {u"C:\\Games\\Demo\\.\\data\\..", u"c:\\games\\demo"},
      {u"C:\\Games\\Demo\\..\\..", u"c:"},
      {u"C:\\", u"c:"},
      {u"C:\\..", u""},            // climbs above the root
      {u"\\\\Server\\Share\\Games", u"\\\\server\\share\\games"},
      {u"Games\\Demo", u""},       // relative
      {u"C:Demo", u""},            // drive-relative
      {u"\\Games", u""},           // root of the current drive
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(ComparablePath(c.path), c.comparable) << ToUtf8(c.path);
}

TEST(RemovalSafety, InstallFolderIsTheDeepestFolderHoldingEveryProductFile) {
  EXPECT_EQ(CommonFolder({u"C:\\Games\\Demo\\a.exe", u"C:\\Games\\Demo\\data\\b.dat"}),
            u"c:\\games\\demo");
  EXPECT_EQ(CommonFolder({u"C:\\Games\\Demo\\data\\b.dat"}), u"c:\\games\\demo\\data");
  EXPECT_EQ(CommonFolder({u"C:\\Games\\Demo\\a.exe", u"D:\\b.dat"}), u"");
  EXPECT_EQ(CommonFolder({}), u"");
}

class FolderRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.windowsFolder = u"C:\\windows";
    fake.systemFolder = u"C:\\windows\\system32";
    fake.shellFolders = {{0x26, u"C:\\Program Files"},
                         {0x17, u"C:\\ProgramData\\Start Menu\\Programs"},
                         {0x02, u"C:\\users\\player\\Start Menu\\Programs"},
                         {0x10, u"C:\\users\\player\\Desktop"},
                         {0x28, u"C:\\users\\player"},
                         {0x05, u"C:\\users\\player\\Documents"}};
    rules = MakeFolderRules(fake, {u"C:\\Program Files\\Demo\\demo.exe",
                                   u"C:\\Program Files\\Demo\\data\\level.dat"},
                            {u"C:\\ProgramData\\Start Menu\\Programs\\Vendor\\Demo\\Play.lnk",
                             u"C:\\users\\player\\Desktop\\Demo.lnk"});
  }
  FakeSystem fake;
  FolderRules rules;
};

TEST_F(FolderRulesTest, RefusesEveryUnsafeFolder) {
  struct Case {
    std::u16string folder;
    FolderRefusal refusal;
  };
  const Case cases[] = {
      {u"C:\\", FolderRefusal::kDriveRoot},
      {u"C:", FolderRefusal::kNotFullPath},
      {u"D:\\", FolderRefusal::kDriveRoot},
      {u"C:\\Program Files\\Demo\\..\\..", FolderRefusal::kDriveRoot},
      {u"\\\\server\\share", FolderRefusal::kDriveRoot},
      {u"C:\\windows", FolderRefusal::kProtectedFolder},
      {u"c:/WINDOWS/system32/", FolderRefusal::kProtectedFolder},
      {u"C:\\Program Files", FolderRefusal::kProtectedFolder},
      {u"C:\\ProgramData\\Start Menu\\Programs", FolderRefusal::kProtectedFolder},
      {u"C:\\ProgramData\\Start Menu", FolderRefusal::kProtectedFolder},  // holds the menu
      {u"C:\\users\\player\\Desktop", FolderRefusal::kProtectedFolder},
      {u"C:\\users\\player", FolderRefusal::kProtectedFolder},
      {u"C:\\users", FolderRefusal::kProtectedFolder},                  // holds the profile
      {u"C:\\users\\player\\Documents", FolderRefusal::kProtectedFolder},
      {u"Demo", FolderRefusal::kNotFullPath},
      {u"C:\\Program Files\\Other", FolderRefusal::kOutsideInstall},
      {u"C:\\users\\player\\Documents\\My Games\\Demo", FolderRefusal::kOutsideInstall},
      {u"C:\\ProgramData\\Start Menu\\Programs\\Vendor", FolderRefusal::kOutsideInstall},
      {u"C:\\Program Files\\Demo\\..\\Other", FolderRefusal::kOutsideInstall},
      {u"C:\\Program Files\\Demo", FolderRefusal::kNone},
      {u"C:\\PROGRAM FILES\\demo\\data\\", FolderRefusal::kNone},
      {u"C:\\ProgramData\\Start Menu\\Programs\\Vendor\\Demo", FolderRefusal::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckFolderRemoval(c.folder, rules), c.refusal) << ToUtf8(c.folder);
  }
}

TEST_F(FolderRulesTest, EmptiedFoldersGoUpToTheInstallFolderAndTheGroupOnly) {
  EXPECT_TRUE(MayRemoveEmptyFolder(u"c:\\program files\\demo\\data", rules));
  EXPECT_TRUE(MayRemoveEmptyFolder(u"c:\\program files\\demo", rules));
  EXPECT_FALSE(MayRemoveEmptyFolder(u"c:\\program files", rules));
  EXPECT_TRUE(MayRemoveEmptyFolder(u"c:\\programdata\\start menu\\programs\\vendor\\demo", rules));
  EXPECT_FALSE(MayRemoveEmptyFolder(u"c:\\programdata\\start menu\\programs\\vendor", rules));
  EXPECT_FALSE(MayRemoveEmptyFolder(u"c:\\users\\player\\desktop", rules));
}

TEST(RemovalSafety, RefusesRootsTopLevelAndSystemKeys) {
  struct Case {
    std::u16string key;
    KeyRefusal refusal;
  };
  const Case cases[] = {
      {u"HKLM\\", KeyRefusal::kRoot},
      {u"HKCU\\\\", KeyRefusal::kRoot},
      {u"HKLM\\SOFTWARE", KeyRefusal::kTopLevel},
      {u"HKCU\\Software\\", KeyRefusal::kTopLevel},
      {u"HKCR\\CLSID", KeyRefusal::kTopLevel},
      {u"HKLM\\SOFTWARE\\Microsoft", KeyRefusal::kSystemKey},
      {u"HKLM\\software\\MICROSOFT\\Windows\\CurrentVersion", KeyRefusal::kSystemKey},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", KeyRefusal::kSystemKey},
      {u"HKCU\\Software\\Classes", KeyRefusal::kSystemKey},
      {u"HKLM\\SYSTEM\\CurrentControlSet", KeyRefusal::kSystemKey},
      {u"HKCU\\Control Panel\\Desktop", KeyRefusal::kSystemKey},
      {u"hklm\\SOFTWARE\\Vendor", KeyRefusal::kInvalidPath},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor", KeyRefusal::kInvalidPath},
      {u"HKLM\\SOFTWARE\\Vendor\\Demo", KeyRefusal::kNone},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", KeyRefusal::kNone},
  };
  for (const Case& c : cases) {
    RegistryKey root = kNoRegistryKey;
    std::u16string subkey;
    EXPECT_EQ(CheckKeyRemoval(c.key, &root, &subkey), c.refusal) << ToUtf8(c.key);
  }
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;
  ASSERT_EQ(CheckKeyRemoval(u"HKCU\\Software\\\\Vendor\\Demo\\", &root, &subkey), KeyRefusal::kNone);
  EXPECT_EQ(root, kHkeyCurrentUser);
  EXPECT_EQ(subkey, u"Software\\Vendor\\Demo");
}

}  // namespace
}  // namespace vorlax
