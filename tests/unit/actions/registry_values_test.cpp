// WriteRegistryValues against the fake system's registry: the values byte for byte with their
// key creation arguments, the install log lines exactly, each way the step stops, the binary
// formatting errors that do not stop it, and the uninstall entry with its declines.
#include "actions/registry_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kUninstallKey[] =
    u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo 1.0";

RegValue Entry(const std::u16string& key, const std::u16string& name, const std::u16string& value,
               int32_t typeNum) {
  RegValue entry;
  entry.Key = key;
  entry.Name = name;
  entry.Value = value;
  entry.TypeNum = typeNum;
  return entry;
}

// The four log lines of one entry.
std::u16string Block(const std::u16string& key, const std::u16string& name) {
  return u"\t\t<RegValue>\r\n\t\t\t<Key>" + key + u"</Key>\r\n\t\t\t<Name>" + name +
         u"</Name>\r\n\t\t</RegValue>\r\n";
}

const std::u16string kOpen = u"\t<Registry>\r\n";
const std::u16string kClose = u"\t</Registry>\r\n";

std::string Utf16Z(const std::u16string& text) { return ToUtf16Le(text) + std::string(2, '\0'); }

class WriteRegistryValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
    State().defines.Set(u"InstallName", u"Demo %Version%");
    State().defines.Set(u"Version", u"1.0");
    State().defines.Set(u"InstallPath", u"C:\\Games\\Demo");
    State().defines.Set(u"Vendor", u"HKLM\\SOFTWARE\\Vendor");
  }
  void TearDown() override { ResetInstallerState(); }

  InstallConfig& config() { return State().config; }
  const std::u16string& log() const { return State().installLog; }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const FakeSystem::Message& m : fake.messages) texts.push_back(m.text);
    return texts;
  }
  // The stored value, or a value of type kRegNone when absent.
  FakeSystem::RegistryValue Value(const std::u16string& key, const std::u16string& name) const {
    const auto* values = fake.KeyValues(key);
    if (values == nullptr || values->count(name) == 0) return {kRegNone, "(absent)"};
    return values->at(name);
  }

  FakeSystem fake;
};

TEST_F(WriteRegistryValuesTest, WritesEveryTypeAndTheUninstallEntry) {
  config().RegValues = {Entry(u"%Vendor%\\Demo", u"Path", u"%InstallPath%", 0),
                        Entry(u"%Vendor%\\Demo", u"Level", u" -12abc", 1),
                        Entry(u"HKCU\\Software\\Demo", u"Key", u"de AD be", 2),
                        Entry(u"HKLM\\", u"", u"abc", 0)};
  config().UninstallCmd = u"%InstallPath%\\uninst.exe";
  ASSERT_TRUE(WriteRegistryValues());
  struct Expected {
    std::u16string key, name;
    uint32_t type;
    std::string bytes;
  };
  const std::vector<Expected> expected = {
      {u"HKLM\\SOFTWARE\\Vendor\\Demo", u"Path", kRegSz, Utf16Z(u"C:\\Games\\Demo")},
      {u"HKLM\\SOFTWARE\\Vendor\\Demo", u"Level", kRegDword, std::string("\xF4\xFF\xFF\xFF", 4)},
      {u"HKCU\\Software\\Demo", u"Key", kRegBinary, std::string("\xDE\xAD\xBE", 3)},
      {u"HKLM", u"", kRegSz, std::string("a\0b\0c\0\0\0", 8)},
      {kUninstallKey, u"DisplayName", kRegSz, Utf16Z(u"Demo 1.0")},
      {kUninstallKey, u"UninstallString", kRegSz, Utf16Z(u"C:\\Games\\Demo\\uninst.exe")},
  };
  for (const Expected& e : expected) {
    FakeSystem::RegistryValue stored = Value(e.key, e.name);
    EXPECT_EQ(stored.type, e.type) << ToUtf8(e.key) << " " << ToUtf8(e.name);
    EXPECT_EQ(stored.data, e.bytes) << ToUtf8(e.key) << " " << ToUtf8(e.name);
  }
  ASSERT_EQ(fake.keysCreated.size(), 5u);
  for (const FakeSystem::KeyCreation& creation : fake.keysCreated) {
    EXPECT_EQ(creation.keyClass, u"Key");
    EXPECT_EQ(creation.options, 0u);
    EXPECT_EQ(creation.access, 0xF003Fu);
    EXPECT_FALSE(creation.defaultAccess);
  }
  EXPECT_EQ(fake.keysCreated.back().path, kUninstallKey);
  EXPECT_EQ(log(), kOpen + Block(u"HKLM\\SOFTWARE\\Vendor\\Demo", u"Path") +
                       Block(u"HKLM\\SOFTWARE\\Vendor\\Demo", u"Level") +
                       Block(u"HKCU\\Software\\Demo", u"Key") + Block(u"HKLM\\", u"") + kClose +
                       u"\t<UninstallDelRegKey>" + kUninstallKey + u"</UninstallDelRegKey>\r\n");
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_FALSE(State().installFailed);
}

TEST_F(WriteRegistryValuesTest, InvalidTypeStopsAfterCreatingTheKey) {
  config().RegValues = {Entry(u"HKCU\\Software\\A", u"First", u"1", 1),
                        Entry(u"HKCU\\Software\\B", u"Second", u"2", 3),
                        Entry(u"HKCU\\Software\\C", u"Third", u"3", 0)};
  config().UninstallCmd = u"uninst.exe";
  EXPECT_FALSE(WriteRegistryValues());
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Invalid Key Type on 'Second'"});
  EXPECT_EQ(Value(u"HKCU\\Software\\A", u"First").data, std::string("\x01\0\0\0", 4));
  ASSERT_NE(fake.KeyValues(u"HKCU\\Software\\B"), nullptr);
  EXPECT_TRUE(fake.KeyValues(u"HKCU\\Software\\B")->empty());
  EXPECT_EQ(fake.KeyValues(u"HKCU\\Software\\C"), nullptr);
  EXPECT_EQ(fake.keysCreated.size(), 2u);
  EXPECT_EQ(log(), kOpen + Block(u"HKCU\\Software\\A", u"First") +
                       Block(u"HKCU\\Software\\B", u"Second"));
  EXPECT_TRUE(State().installFailed);
}

TEST_F(WriteRegistryValuesTest, KeysThatStopTheStepAreLoggedFirst) {
  struct StopCase {
    std::u16string key;
    std::u16string message;
  };
  const std::vector<StopCase> cases = {
      {u"hkcu\\Software\\Demo", u"Invalid Key 'hkcu\\Software\\Demo'"},
      {u"HKEY_CURRENT_USER\\Software", u"Invalid Key 'HKEY_CURRENT_USER\\Software'"},
      {u"HKLM\\SOFTWARE\\Locked\\Demo", u"Failed to Create Key 'HKLM\\SOFTWARE\\Locked\\Demo'"},
  };
  for (const StopCase& c : cases) {
    SetUp();
    fake = FakeSystem();
    fake.createDeniedKeys = {u"HKLM\\SOFTWARE\\Locked"};
    config().RegValues = {Entry(c.key, u"Name", u"x", 0), Entry(u"HKCU\\Software\\Next", u"N", u"", 0)};
    config().UninstallCmd = u"uninst.exe";
    EXPECT_FALSE(WriteRegistryValues()) << ToUtf8(c.key);
    EXPECT_EQ(Messages(), std::vector<std::u16string>{c.message});
    EXPECT_EQ(log(), kOpen + Block(c.key, u"Name")) << ToUtf8(c.key);
    EXPECT_EQ(fake.KeyValues(u"HKCU\\Software\\Next"), nullptr);
  }
}

TEST_F(WriteRegistryValuesTest, BinaryFormattingErrorsDoNotStopTheStep) {
  config().RegValues = {Entry(u"HKCU\\Software\\Demo", u"Bytes", u"A 0B zz", 2),
                        Entry(u"HKCU\\Software\\Demo", u"After", u"ok", 0)};
  EXPECT_TRUE(WriteRegistryValues());
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{u"Binary formatting error in registry value",
                                                     u"Binary formatting error in registry value"}));
  EXPECT_EQ(Value(u"HKCU\\Software\\Demo", u"Bytes").data, std::string("\x0B", 1));
  EXPECT_EQ(Value(u"HKCU\\Software\\Demo", u"After").type, static_cast<uint32_t>(kRegSz));
  EXPECT_EQ(log(), kOpen + Block(u"HKCU\\Software\\Demo", u"Bytes") +
                       Block(u"HKCU\\Software\\Demo", u"After") + kClose);
}

TEST_F(WriteRegistryValuesTest, EmptyKeyIsSkippedAndTextsAreEscaped) {
  config().RegValues = {Entry(u"%Unset%", u"Ignored", u"x", 7),
                        Entry(u"HKCU\\Software\\R&D  Lab", u"<a>", u"x", 0)};
  EXPECT_TRUE(WriteRegistryValues());
  EXPECT_EQ(log(), kOpen + Block(u"HKCU\\Software\\R&amp;D &nbsp;Lab", u"&lt;a&gt;") + kClose);
  EXPECT_EQ(fake.keysCreated.size(), 1u);
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(WriteRegistryValuesTest, UninstallEntryIsWrittenOnlyWhenItCanBe) {
  struct UninstallCase {
    const char* what;
    std::u16string installName;
    std::u16string uninstallCmd;
    bool denyUninstallKey;
    bool keyCreated;       // the uninstall key creation was asked for
    bool valuesWritten;
    bool delRegKeyLogged;
  };
  const std::vector<UninstallCase> cases = {
      {"written", u"Demo 1.0", u"uninst.exe", false, true, true, true},
      {"no command", u"Demo 1.0", u"%Unset%", false, false, false, false},
      {"key not creatable", u"Demo 1.0", u"uninst.exe", true, true, false, true},
      {"empty name declines", u"%Unset%", u"uninst.exe", false, false, false, false},
      {"backslash name declines", u"\\\\", u"uninst.exe", false, false, false, false},
  };
  for (const UninstallCase& c : cases) {
    SetUp();
    fake = FakeSystem();
    if (c.denyUninstallKey) fake.createDeniedKeys = {u"HKLM\\SOFTWARE\\Microsoft"};
    State().defines.Set(u"InstallName", c.installName);
    config().UninstallCmd = c.uninstallCmd;
    EXPECT_TRUE(WriteRegistryValues()) << c.what;
    EXPECT_EQ(fake.keysCreated.size(), c.keyCreated ? 1u : 0u) << c.what;
    EXPECT_EQ(Value(kUninstallKey, u"UninstallString").data,
              c.valuesWritten ? Utf16Z(u"uninst.exe") : "(absent)") << c.what;
    std::u16string expectedLog = kOpen + kClose;
    if (c.delRegKeyLogged) {
      expectedLog += u"\t<UninstallDelRegKey>" + std::u16string(kUninstallKey) +
                     u"</UninstallDelRegKey>\r\n";
    }
    EXPECT_EQ(log(), expectedLog) << c.what;
    EXPECT_TRUE(fake.messages.empty()) << c.what;
  }
  // Nothing of the Uninstall key itself was ever touched.
  EXPECT_EQ(fake.KeyValues(u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"),
            nullptr);
}

}  // namespace
}  // namespace vorlax
