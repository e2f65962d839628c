// CheckInstallLocation and GetFreeDiskSpace: each rule with its message, in order, the 98/Me
// low-byte rule for the group, the version query's failure, 64-bit free space and estimate, and
// the normalisation on success.
#include "driver/install_location.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr uint32_t kClusterBytes = 4096;

// A drive with exactly `bytes` free (a multiple of the cluster size).
DiskFreeSpace DriveWithFree(uint64_t bytes) {
  return DiskFreeSpace{8, 512, static_cast<uint32_t>(bytes / kClusterBytes), 0xFFFFFFFFu};
}

class InstallLocation : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    DefineTable& defines = State().defines;
    for (const char16_t* id : {u"ERROR", u"SPEC_PATH_LOCAL", u"SPEC_PATH_DRIVE", u"INVALID_PATH",
                               u"INVALID_START_TITLE", u"INVALID_START_BODY", u"INVALID_DRIVE",
                               u"DIFF_PATH", u"INSUFFICIENT_SPACE_TITLE", u"INSUFFICIENT_SPACE_BODY",
                               u"ERROR_WITH"}) {
      defines.Set(id, std::u16string(u"[") + id + u"]");
    }
    fake.drives = {{u"c:", DriveWithFree(1ull << 30)}, {u"d:", DriveWithFree(1ull << 30)}};
    State().progress.spaceEstimate = 65536;
  }
  void TearDown() override { State().system = nullptr; }
  bool Check(const std::u16string& path, const std::u16string& group) {
    State().defines.Set(u"InstallPath", path);
    State().defines.Set(u"InstallGroup", group);
    return CheckInstallLocation();
  }
  void Windows98() { fake.version = SystemVersion{4, 10, 2222, 1}; }
  FakeSystem fake;
};

TEST_F(InstallLocation, EachRuleHasItsMessage) {
  struct Case {
    const char* name;
    std::u16string path;
    std::u16string group;
    std::u16string caption;  // empty: accepted
    std::u16string text;
  };
  const Case cases[] = {
      {"RootOfDrive", u"C:\\", u"Demo", u"", u""},
      {"ForwardSlashes", u"D:/Games", u"Demo", u"", u""},
      {"DriveAlone", u"C:", u"Demo", u"[ERROR]", u"[SPEC_PATH_DRIVE]"},
      {"NetworkPath", u"\\\\server\\share\\Demo", u"Demo", u"[ERROR]", u"[SPEC_PATH_LOCAL]"},
      {"DoubleBackslashAfterDrive", u"C:\\Games\\\\Demo", u"Demo", u"[ERROR]", u"[SPEC_PATH_LOCAL]"},
      {"DoubleSlash", u"C://Games", u"Demo", u"[ERROR]", u"[SPEC_PATH_LOCAL]"},
      {"RelativePath", u"Games\\Demo", u"Demo", u"[ERROR]", u"[SPEC_PATH_DRIVE]"},
      {"NoSeparatorAfterColon", u"C:Games", u"Demo", u"[ERROR]", u"[SPEC_PATH_DRIVE]"},
      {"SecondColon", u"C:\\Games:Demo", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"EachListedCharacter", u"C:\\a\"*<>?&|%", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"Percent", u"C:\\100%", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"ControlCharacter", u"C:\\a\tb", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"AccentInPath", u"C:\\Caf\x00e9", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"LowByteOfAListedCharacter", u"C:\\a\x013f", u"Demo", u"[ERROR]", u"[INVALID_PATH]"},
      {"WideCharacterWithAllowedLowByte", u"C:\\\x0141", u"Demo", u"", u""},
      {"AccentInGroupOutside98", u"C:\\Games", u"Caf\x00e9", u"", u""},
      {"EmptyGroup", u"C:\\Games", u"", u"", u""},
      {"ListedCharacterInGroup", u"C:\\Games", u"A|B", u"[INVALID_START_TITLE]",
       u"[INVALID_START_BODY]"},
      {"MissingDrive", u"Q:\\Games", u"Demo", u"[INVALID_DRIVE]", u"[DIFF_PATH]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    bool accepted = Check(c.path, c.group);
    EXPECT_EQ(accepted, c.caption.empty());
    if (c.caption.empty()) {
      EXPECT_TRUE(fake.messages.empty());
      continue;
    }
    ASSERT_FALSE(fake.messages.empty());
    EXPECT_EQ(fake.messages.back().caption, c.caption);
    EXPECT_EQ(fake.messages.back().text, c.text);
    EXPECT_EQ(fake.messages.back().style, kMbIconError);
    EXPECT_FALSE(State().installFailed);
    EXPECT_EQ(State().defines.Get(u"InstallPath"), c.path);  // the user's text is kept
  }
}

TEST_F(InstallLocation, GroupUsesTheLowByteRuleOnlyOnWindows98AndMe) {
  struct Case {
    const char* name;
    SystemVersion version;
    std::u16string group;
    bool accepted;
  };
  const Case cases[] = {
      {"AccentOn98", {4, 10, 2222, 1}, u"Caf\x00e9", false},
      {"AccentOnMe", {4, 90, 3000, 1}, u"Caf\x00e9", false},
      {"AccentOn95", {4, 0, 950, 1}, u"Caf\x00e9", true},
      {"AccentOnXp", {5, 1, 2600, 2}, u"Caf\x00e9", true},
      {"ListedLowByteOn98", {4, 10, 2222, 1}, u"\x013f", false},
      {"ListedLowByteOnXp", {5, 1, 2600, 2}, u"\x013f", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.version = c.version;
    EXPECT_EQ(Check(u"C:\\Games", c.group), c.accepted);
    if (!c.accepted) {
      ASSERT_EQ(fake.messages.size(), 1u);
      EXPECT_EQ(fake.messages[0].text, u"[INVALID_START_BODY]");
    }
  }
}

TEST_F(InstallLocation, MissingDriveReportsGetDiskFreeSpaceFirst) {
  EXPECT_FALSE(Check(u"Q:\\Games", u"Demo"));
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, u"[ERROR_WITH] GetDiskFreeSpace");
  EXPECT_EQ(fake.messages[0].caption, u"");  // the system's default caption
  EXPECT_EQ(fake.messages[0].style, 0u);
  EXPECT_EQ(fake.messages[1].caption, u"[INVALID_DRIVE]");
  EXPECT_EQ(fake.calls.back(), "GetDiskFreeSpace Q:\\");
}

TEST_F(InstallLocation, FreeSpaceAgainstTheEstimateIn64Bits) {
  const int64_t threeGiB = 3ll << 30;
  struct Case {
    const char* name;
    uint64_t free;
    int64_t estimate;
    bool accepted;
  };
  const Case cases[] = {
      {"ExactlyEnough", 1 << 20, 1 << 20, true},
      {"OneClusterShort", (1 << 20) - kClusterBytes, 1 << 20, false},
      {"EstimateOver2GiBOnSmallerDisk", 2ull << 30, threeGiB, false},
      {"EstimateOver2GiBOnLargerDisk", 4ull << 30, threeGiB, true},
      {"DiskOver4GiB", 16ull << 30, 1 << 20, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    fake.drives = {{u"d:", DriveWithFree(c.free)}};
    State().progress.spaceEstimate = c.estimate;
    EXPECT_EQ(Check(u"D:/Games/Demo", u"Demo"), c.accepted);
    EXPECT_EQ(GetFreeDiskSpace(u"D:\\"), static_cast<int64_t>(c.free));
    if (!c.accepted) {
      ASSERT_EQ(fake.messages.size(), 1u);
      EXPECT_EQ(fake.messages[0].caption, u"[INSUFFICIENT_SPACE_TITLE]");
      EXPECT_EQ(fake.messages[0].text, u"[INSUFFICIENT_SPACE_BODY]");
    }
  }
}

TEST_F(InstallLocation, FreeSpaceProductSaturates) {
  fake.drives = {{u"c:", DiskFreeSpace{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0}}};
  EXPECT_EQ(GetFreeDiskSpace(u"C:\\"), INT64_MAX);
}

TEST_F(InstallLocation, FailedVersionQueryStopsTheRunAsFailed) {
  fake.versionQueryFails = true;
  EXPECT_FALSE(Check(u"C:\\Games", u"Demo"));
  EXPECT_TRUE(State().installFailed);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, u"Unable to Query Windows Version");
  EXPECT_EQ(fake.messages[0].style, kMbIconError);
}

TEST_F(InstallLocation, BasicVersionRecordIsEnough) {
  fake.extendedVersionQueryFails = true;
  Windows98();
  EXPECT_FALSE(Check(u"C:\\Games", u"Caf\x00e9"));
  EXPECT_FALSE(State().installFailed);
}

TEST_F(InstallLocation, SuccessNormalisesGroupAndPathFromRawValues) {
  State().defines.Set(u"Base", u"C:\\Games");
  EXPECT_TRUE(Check(u"%Base%\\Demo\\", u"%InstallName%/"));
  EXPECT_EQ(State().defines.Get(u"InstallPath"), u"%Base%\\Demo");
  EXPECT_EQ(State().defines.Get(u"InstallGroup"), u"%InstallName%");
  EXPECT_EQ(fake.calls.back(), "GetDiskFreeSpace C:\\");
}

}  // namespace
}  // namespace vorlax
