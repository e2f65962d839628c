// FindPayloadMarker: the block-wise scan from the current position to the end of the file.
#include <gtest/gtest.h>

#include "driver/installer_state.h"
#include "driver/payload.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kPath[] = u"C:\\data.bin";
const std::string kMarker = "!vorlaxinstallersig!";

struct MarkerCase {
  const char* name;
  std::string data;
  int64_t start;  // where the scan begins
  std::string marker;
  bool keepLast;
  int64_t expected;
};

std::string Fill(std::size_t n) { return std::string(n, '.'); }

TEST(FindPayloadMarker, Cases) {
  const MarkerCase cases[] = {
      {"NoMarker", Fill(3000), 0, kMarker, true, -1},
      {"EmptyFile", "", 0, kMarker, true, -1},
      {"AtStart", kMarker + Fill(10), 0, kMarker, true, 0},
      {"AtVeryEnd", Fill(2000) + kMarker, 0, kMarker, true, 2000},
      {"LastWins", Fill(5) + kMarker + Fill(3000) + kMarker + Fill(7), 0, kMarker, true, 3025},
      {"FirstWithoutKeepLast", Fill(5) + kMarker + Fill(3000) + kMarker, 0, kMarker, false, 5},
      {"SplitAcrossBlocks", Fill(1014) + kMarker + Fill(50), 0, kMarker, true, 1014},
      {"SplitOneByteIntoNextBlock", Fill(1005) + kMarker, 0, kMarker, true, 1005},
      {"SplitWithScanStartOffset", Fill(100) + Fill(1020) + kMarker, 100, kMarker, true, 1120},
      {"BeforeScanStartNotSeen", kMarker + Fill(100), 1, kMarker, true, -1},
      {"CutMarkerAtEnd", Fill(100) + kMarker.substr(0, 19), 0, kMarker, true, -1},
      {"OverlappingMatchesLastWins", "xaaay", 0, "aa", true, 2},
      {"EmptyMarker", Fill(10), 0, "", true, -1},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetInstallerState();
    FakeSystem fake;
    State().system = &fake;
    fake.AddFile(kPath, c.data);
    FileHandle file = fake.OpenFile(kPath, FileAccess::kRead);
    ASSERT_EQ(fake.SeekFile(file, c.start, SeekOrigin::kBegin), c.start);
    EXPECT_EQ(FindPayloadMarker(c.marker, file, c.keepLast), c.expected);
  }
}

TEST(FindPayloadMarker, UnreadableFileAnswersMinusOne) {
  ResetInstallerState();
  FakeSystem fake;
  State().system = &fake;
  EXPECT_EQ(FindPayloadMarker(kMarker, 12345, true), -1);
}

}  // namespace
}  // namespace vorlax
