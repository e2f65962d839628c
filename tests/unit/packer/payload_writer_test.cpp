// The payload writer's exact bytes, and the round trip through the installer's own walk.
#include "packer/payload_writer.h"

#include <gtest/gtest.h>

#include "base/little_endian.h"
#include "base/text.h"
#include "driver/installer_state.h"
#include "driver/payload.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

uint32_t Le32At(const std::string& bytes, std::size_t offset) {
  return ReadLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + offset);
}

TEST(PayloadWriter, RecordIsPayloadThenSizeThenType) {
  std::string out = "prefix";
  AppendPayloadRecord(&out, kRecordCabinet, "MSCFabc");
  ASSERT_EQ(out.size(), 6u + 7u + 8u);
  EXPECT_EQ(out.substr(0, 13), "prefixMSCFabc");
  EXPECT_EQ(Le32At(out, 13), 7u);
  EXPECT_EQ(Le32At(out, 17), 1u);
}

TEST(PayloadWriter, MarkerIsTwentySingleBytes) {
  std::string out;
  AppendPayloadMarker(&out);
  EXPECT_EQ(out, "!vorlaxinstallersig!");
}

// The shipped layout: image record at 0, its fields at 0x40000, the cabinet at 0x40008, the
// cabinet's fields as the file's last 8 bytes.
TEST(PayloadWriter, ShippedLayout) {
  const std::string image(0x40000, 'I');
  const std::string cabinet = "MSCF" + std::string(96, 'c');
  std::string out = BuildInstaller(image, cabinet, {}, false);
  ASSERT_EQ(out.size(), 0x40000u + 8u + cabinet.size() + 8u);
  EXPECT_EQ(Le32At(out, 0x40000), 0x40000u);
  EXPECT_EQ(Le32At(out, 0x40004), 2u);
  EXPECT_EQ(out.substr(0x40008, cabinet.size()), cabinet);
  EXPECT_EQ(Le32At(out, out.size() - 8), cabinet.size());
  EXPECT_EQ(Le32At(out, out.size() - 4), 1u);
}

TEST(PayloadWriter, DefinesTextsAreUtf16LeInOrderThenMarker) {
  std::string out = BuildInstaller("stub", "MSCF", {u"<a/>", u"\u00e9"}, true);
  std::size_t at = 4 + 8 + 4 + 8;
  EXPECT_EQ(out.substr(at, 8), ToUtf16Le(u"<a/>"));
  EXPECT_EQ(Le32At(out, at + 8), 8u);
  EXPECT_EQ(Le32At(out, at + 12), 0u);
  at += 16;
  EXPECT_EQ(out.substr(at, 2), std::string("\xe9\x00", 2));
  EXPECT_EQ(Le32At(out, at + 2), 2u);
  EXPECT_EQ(Le32At(out, at + 6), 0u);
  EXPECT_EQ(out.substr(at + 10), "!vorlaxinstallersig!");
}

// What the writer builds, the installer's walk reads back: with and without the marker.
TEST(PayloadWriter, RoundTripThroughTheWalk) {
  for (bool withMarker : {false, true}) {
    SCOPED_TRACE(withMarker ? "marker" : "no marker");
    ResetInstallerState();
    FakeSystem fake;
    State().system = &fake;
    State().cabinetPath = u"C:\\t\\files.cab";
    fake.AddFolder(u"C:\\t");
    std::string installer = BuildInstaller(std::string(500, 'S'), "MSCF data", {u"<x/>", u"<y/>"},
                                           withMarker);
    fake.AddFile(u"C:\\setup.exe", installer);
    FileHandle file = fake.OpenFile(u"C:\\setup.exe", FileAccess::kRead);
    ASSERT_TRUE(ReadAttachedPayload(file));
    EXPECT_EQ(State().attachedDefines, (std::vector<std::u16string>{u"<x/>", u"<y/>"}));
    EXPECT_EQ(fake.FileData(u"C:\\t\\files.cab"), installer.substr(508));
  }
}

}  // namespace
}  // namespace vorlax
