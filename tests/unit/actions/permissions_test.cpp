// GrantPermissions against the fake system: the access entry, the items created and given the
// descriptor in order, the invalid key path that ends the registry list, and the cases that do
// nothing or pass an item over.
#include "actions/permissions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

using Calls = std::vector<std::string>;

class GrantPermissionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
    State().defines.Set(u"InstallPath", u"C:\\Games\\Demo");
    State().defines.Set(u"System", u"C:\\windows\\system32");
  }
  void TearDown() override {
    EXPECT_EQ(fake.openDescriptors, 0) << "the descriptor was not freed";
    ResetInstallerState();
  }
  InstallConfig& config() { return State().config; }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const FakeSystem::Message& m : fake.messages) texts.push_back(m.text);
    return texts;
  }

  FakeSystem fake;
};

TEST_F(GrantPermissionsTest, BuildsTheEveryoneEntry) {
  EXPECT_TRUE(GrantPermissions());
  const System::AccessEntry& entry = fake.lastAccessEntry;
  EXPECT_EQ(std::vector<int>(entry.identifierAuthority, entry.identifierAuthority + 6),
            (std::vector<int>{0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(entry.subAuthority, 0u);
  EXPECT_EQ(entry.accessRights, 0x1FFFFFu);
  EXPECT_EQ(entry.accessMode, 2u);
  EXPECT_EQ(entry.inheritance, 3u);
  EXPECT_EQ(entry.trusteeForm, 0u);
  EXPECT_EQ(entry.trusteeType, 5u);
  EXPECT_EQ(fake.calls, (Calls{"CreateAccessDescriptor", "FreeAccessDescriptor"}));
}

TEST_F(GrantPermissionsTest, CreatesMissingItemsAndSetsTheirAccessList) {
  fake.AddFolder(u"C:\\windows\\system32");
  fake.AddFile(u"C:\\windows\\win.ini", "[windows]");
  config().GrantAllFilePermissions = {u"%InstallPath%\\", u"%System%\\demo.ini",
                                      u"%Unset%", u"C:\\windows\\win.ini",
                                      u"C:\\Data/Saves/"};
  config().GrantAllRegistryPermissions = {u"HKLM\\SOFTWARE\\Vendor\\Demo", u"%Unset%",
                                          u"HKCU\\Software\\Demo"};
  EXPECT_TRUE(GrantPermissions());
  EXPECT_EQ(fake.calls, (Calls{
      "CreateAccessDescriptor",
      "CreateFolder C:", "CreateFolder C:\\Games", "CreateFolder C:\\Games\\Demo",
      "SetFileSecurity C:\\Games\\Demo 4",
      "CreateFolder C:", "CreateFolder C:\\windows", "CreateFolder C:\\windows\\system32",
      "CreateFileIfMissing C:\\windows\\system32\\demo.ini",
      "SetFileSecurity C:\\windows\\system32\\demo.ini 4",
      "CreateFolder C:", "CreateFolder C:\\windows",
      "CreateFileIfMissing C:\\windows\\win.ini", "SetFileSecurity C:\\windows\\win.ini 4",
      "CreateFolder C:", "CreateFolder C:\\Data", "CreateFolder C:\\Data/Saves",
      "SetFileSecurity C:\\Data/Saves 4",
      "CreateKeyDefaultAccess HKLM\\SOFTWARE\\Vendor\\Demo",
      "SetKeySecurity HKLM\\SOFTWARE\\Vendor\\Demo 4",
      "CreateKeyDefaultAccess HKCU\\Software\\Demo", "SetKeySecurity HKCU\\Software\\Demo 4",
      "FreeAccessDescriptor"}));
  EXPECT_TRUE(fake.HasFolder(u"C:\\Games\\Demo"));
  EXPECT_TRUE(fake.HasFile(u"C:\\windows\\system32\\demo.ini"));
  EXPECT_EQ(fake.FileData(u"C:\\windows\\system32\\demo.ini"), "");
  EXPECT_EQ(fake.FileData(u"C:\\windows\\win.ini"), "[windows]");
  ASSERT_NE(fake.KeyValues(u"HKLM\\SOFTWARE\\Vendor\\Demo"), nullptr);
  EXPECT_TRUE(fake.KeyValues(u"HKLM\\SOFTWARE\\Vendor\\Demo")->empty());
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_FALSE(State().installFailed);
}

TEST_F(GrantPermissionsTest, InvalidKeyPathEndsTheRegistryList) {
  config().GrantAllRegistryPermissions = {u"HKCU\\Software\\First", u"hkcu\\Software",
                                          u"HKCU\\Software\\Never"};
  EXPECT_FALSE(GrantPermissions());
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Invalid Key 'hkcu\\Software'"});
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(fake.calls, (Calls{"CreateAccessDescriptor",
                               "CreateKeyDefaultAccess HKCU\\Software\\First",
                               "SetKeySecurity HKCU\\Software\\First 4", "FreeAccessDescriptor"}));
}

TEST_F(GrantPermissionsTest, KeyThatCannotBeCreatedIsPassedOver) {
  fake.createDeniedKeys = {u"HKLM\\SOFTWARE\\Locked"};
  config().GrantAllRegistryPermissions = {u"HKLM\\SOFTWARE\\Locked\\Demo", u"HKLM\\SOFTWARE\\Open"};
  EXPECT_TRUE(GrantPermissions());
  EXPECT_EQ(fake.calls, (Calls{"CreateAccessDescriptor",
                               "CreateKeyDefaultAccess HKLM\\SOFTWARE\\Locked\\Demo",
                               "CreateKeyDefaultAccess HKLM\\SOFTWARE\\Open",
                               "SetKeySecurity HKLM\\SOFTWARE\\Open 4", "FreeAccessDescriptor"}));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(GrantPermissionsTest, WithoutSecurityFunctionsNothingIsDone) {
  fake.securityAvailable = false;
  config().GrantAllFilePermissions = {u"%InstallPath%\\"};
  config().GrantAllRegistryPermissions = {u"hkcu\\invalid", u"HKCU\\Software\\Demo"};
  EXPECT_TRUE(GrantPermissions());
  EXPECT_EQ(fake.calls, Calls{"CreateAccessDescriptor"});
  EXPECT_FALSE(fake.HasFolder(u"C:\\Games"));
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(GrantPermissionsTest, PathsThatWouldNameAnotherItem) {
  // A file without a folder has no parent to create; a drive root keeps its separator; a path
  // without an 8-bit form (or longer than 255 characters) gets no access list, since its cut
  // form names another item.
  std::u16string longFolder = u"C:\\" + std::u16string(260, u'x');
  config().GrantAllFilePermissions = {u"demo.ini", u"C:\\", u"C:\\Games\\\u0100\\sub\\",
                                      longFolder + u"\\"};
  EXPECT_TRUE(GrantPermissions());
  const std::string longNarrow = "C:\\" + std::string(260, 'x');
  EXPECT_EQ(fake.calls, (Calls{
      "CreateAccessDescriptor",
      "CreateFileIfMissing demo.ini", "SetFileSecurity demo.ini 4",
      "CreateFolder C:", "SetFileSecurity C:\\ 4",
      "CreateFolder C:", "CreateFolder C:\\Games", "CreateFolder C:\\Games\\\xC4\x80",
      "CreateFolder C:\\Games\\\xC4\x80\\sub",
      "CreateFolder C:", "CreateFolder " + longNarrow,
      "FreeAccessDescriptor"}));
}

}  // namespace
}  // namespace vorlax
