// The attached payload walk through the fake system: installers are built with our own payload
// writer, walked by ReadAttachedPayload, and the same bytes are listed by ListPayloadRecords to
// assert the walk's exact error.
#include "driver/payload.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/little_endian.h"
#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/payload_writer.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kExePath[] = u"C:\\Games\\setup.exe";
constexpr char16_t kTempFolder[] = u"C:\\users\\player\\Temp";
constexpr char16_t kTempDir[] = u"C:\\users\\player\\Temp\\vorcfg1.tmp";
constexpr char16_t kCabinetPath[] = u"C:\\users\\player\\Temp\\vorcfg1.tmp\\files.cab";
constexpr std::size_t kShippedStubSize = 0x40000;
constexpr std::size_t kScanBlock = 1024;

std::string Stub(std::size_t size) { return std::string(size, 'S'); }
std::string Cabinet(const std::string& tag) { return "MSCF" + tag + std::string(40, 'c'); }

std::string Le32(uint32_t value) {
  uint8_t bytes[4];
  WriteLe32(bytes, value);
  return std::string(reinterpret_cast<char*>(bytes), 4);
}

// One built installer and what the walk must make of it.
struct Built {
  std::string bytes;
  int64_t cabinetOffset = -1;  // payload offset of the cabinet copy that must be left, or -1
};

struct WalkCase {
  const char* name;
  std::function<Built()> build;
  bool ok;
  std::vector<std::u16string> defines;
  const char* listError;  // ListPayloadRecords' error text; "" when the walk itself succeeds
};

class PayloadWalk : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }

  // A fresh state and disk: the temporary folder's parent exists, the cabinet path is set.
  void Reset() {
    fake = FakeSystem();
    ResetInstallerState();
    State().system = &fake;
    State().tempDir = kTempDir;
    State().cabinetPath = kCabinetPath;
    fake.AddFolder(kTempFolder);
  }

  FileHandle OpenInstaller(const std::string& bytes) {
    fake.AddFile(kExePath, bytes);
    FileHandle file = fake.OpenFile(kExePath, FileAccess::kRead);
    EXPECT_NE(file, kNoFile);
    return file;
  }

  FakeSystem fake;
};

Built Shipped() {
  Built b;
  b.bytes = BuildInstaller(Stub(kShippedStubSize), Cabinet("shipped"), {}, false);
  b.cabinetOffset = kShippedStubSize + 8;
  return b;
}

Built WithDefines(const std::vector<std::u16string>& texts) {
  Built b;
  b.bytes = BuildInstaller(Stub(100), Cabinet("d"), texts, false);
  b.cabinetOffset = 108;
  return b;
}

Built OddDefinesText() {
  Built b;
  b.bytes = BuildInstaller(Stub(100), Cabinet("odd"), {}, false);
  b.cabinetOffset = 108;
  AppendPayloadRecord(&b.bytes, kRecordDefines, std::string("A\0B\0C", 5));
  return b;
}

// The cut falls inside the cabinet, on bytes that read as a size far beyond the file.
Built TruncatedInCabinet() {
  std::string cabinet = "MSCF" + Le32(0x7FFFFFF0) + Le32(kRecordCabinet) + std::string(40, 'c');
  Built b;
  b.bytes = BuildInstaller(Stub(100), cabinet, {}, false);
  b.bytes.resize(108 + 12);
  return b;
}

Built EmptyRecordLast() {
  Built b;
  b.bytes = BuildInstaller(Stub(100), Cabinet("z"), {}, false);
  AppendPayloadRecord(&b.bytes, kRecordDefines, "");
  return b;
}

// The walk meets the cabinet first (it is later in the file), then the unknown record.
Built UnknownTypeBeforeCabinet() {
  Built b;
  AppendPayloadRecord(&b.bytes, kRecordSkipped, Stub(100));
  AppendPayloadRecord(&b.bytes, 3, "three");
  b.cabinetOffset = static_cast<int64_t>(b.bytes.size());
  AppendPayloadRecord(&b.bytes, kRecordCabinet, Cabinet("t3"));
  return b;
}

// Without the marker the trailing bytes would read as a record of type 7 and fail the walk.
std::string BadTail() { return Le32(5) + Le32(7); }

Built MarkerThenJunk(std::size_t stubSize) {
  Built b;
  b.bytes = BuildInstaller(Stub(stubSize), Cabinet("m"), {u"<defines/>"}, true);
  b.cabinetOffset = static_cast<int64_t>(stubSize) + 8;
  b.bytes += "junk after the marker" + BadTail();
  return b;
}

// The chain ends 10 bytes before a 1,024-byte block boundary of the scan, so the marker's first
// 10 bytes are in one block and the rest in the next.
Built MarkerAcrossBlocks() {
  const std::string cabinet = Cabinet("split");
  const std::size_t chainEnd = kScanBlock - 10;
  Built b;
  b.bytes = BuildInstaller(Stub(chainEnd - 16 - cabinet.size()), cabinet, {}, true);
  b.cabinetOffset = static_cast<int64_t>(chainEnd - 8 - cabinet.size());
  b.bytes += BadTail();
  return b;
}

// The earliest cabinet in the file is copied last, so it is the one left in cabinetPath.
Built TwoCabinets() {
  Built b;
  AppendPayloadRecord(&b.bytes, kRecordSkipped, Stub(100));
  b.cabinetOffset = static_cast<int64_t>(b.bytes.size());
  AppendPayloadRecord(&b.bytes, kRecordCabinet, Cabinet("first"));
  AppendPayloadRecord(&b.bytes, kRecordCabinet, Cabinet("second-and-longer"));
  return b;
}

Built ShortFields() {
  Built b;
  b.bytes = "abcdef";  // 6 bytes: a type field at 2 with no room for a size before it
  return b;
}

Built NoCabinet() {
  Built b;
  AppendPayloadRecord(&b.bytes, kRecordSkipped, Stub(100));
  AppendPayloadRecord(&b.bytes, kRecordDefines, ToUtf16Le(u"<defines/>"));
  return b;
}

const WalkCase kWalkCases[] = {
    {"ShippedLayout", Shipped, true, {}, ""},
    {"DefinesAfterCabinetInFileOrder", [] { return WithDefines({u"<a/>", u"<b/>"}); }, true,
     {u"<a/>", u"<b/>"}, ""},
    {"OddByteCountDropsLastByte", OddDefinesText, true, {u"AB"}, ""},
    {"TruncatedInsideCabinet", TruncatedInCabinet, false, {},
     "record size 2147483632 at offset 112 does not fit the 112 bytes before it"},
    {"SizeZero", EmptyRecordLast, false, {}, "record of size 0 at offset 161"},
    {"TypeThreeAfterCabinetCopied", UnknownTypeBeforeCabinet, false, {},
     "unknown record type 3 at offset 113"},
    {"BytesAfterMarkerIgnored", [] { return MarkerThenJunk(kShippedStubSize); }, true,
     {u"<defines/>"}, ""},
    {"MarkerInSmallFile", [] { return MarkerThenJunk(200); }, true, {u"<defines/>"}, ""},
    {"MarkerSplitAcrossScanBlocks", MarkerAcrossBlocks, true, {}, ""},
    {"SeveralCabinetsEarliestLeft", TwoCabinets, true, {}, ""},
    {"NoRoomForSizeField", ShortFields, false, {}, "6 bytes at the start of the file are not a record"},
    {"ChainWithoutCabinet", NoCabinet, false, {u"<defines/>"}, ""},
};

TEST_F(PayloadWalk, Cases) {
  for (const WalkCase& c : kWalkCases) {
    SCOPED_TRACE(c.name);
    Reset();
    Built built = c.build();
    FileHandle file = OpenInstaller(built.bytes);

    EXPECT_EQ(ReadAttachedPayload(file), c.ok);
    EXPECT_EQ(State().attachedDefines, c.defines);
    if (built.cabinetOffset >= 0) {
      EXPECT_EQ(fake.FileData(kCabinetPath), built.bytes.substr(built.cabinetOffset));
    } else {
      EXPECT_FALSE(fake.HasFile(kCabinetPath));
    }
    EXPECT_TRUE(fake.messages.empty());

    std::vector<PayloadRecordInfo> records;
    std::string error;
    EXPECT_EQ(ListPayloadRecords(file, &records, &error), c.listError[0] == '\0');
    EXPECT_EQ(error, c.listError);
  }
}

// The lister reports every record in file order with 64-bit payload offsets and sizes.
TEST_F(PayloadWalk, ListGivesRecordsInFileOrder) {
  std::string bytes = BuildInstaller(Stub(300), Cabinet("x"), {u"<one/>", u"<two/>"}, true);
  bytes += BadTail();
  FileHandle file = OpenInstaller(bytes);
  std::vector<PayloadRecordInfo> records;
  ASSERT_TRUE(ListPayloadRecords(file, &records));
  const uint32_t cabinetSize = static_cast<uint32_t>(Cabinet("x").size());
  const int64_t defines1 = 300 + 8 + cabinetSize + 8;
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].type, kRecordSkipped);
  EXPECT_EQ(records[0].offset, 0);
  EXPECT_EQ(records[0].size, 300u);
  EXPECT_EQ(records[1].type, kRecordCabinet);
  EXPECT_EQ(records[1].offset, 308);
  EXPECT_EQ(records[1].size, cabinetSize);
  EXPECT_EQ(records[2].type, kRecordDefines);
  EXPECT_EQ(records[2].offset, defines1);
  EXPECT_EQ(records[2].size, 12u);
  EXPECT_EQ(records[3].type, kRecordDefines);
  EXPECT_EQ(records[3].offset, defines1 + 12 + 8);
  // Listing never writes: no cabinet copy, no folder.
  EXPECT_FALSE(fake.HasFolder(kTempDir));
}

TEST_F(PayloadWalk, CabinetFolderIsCreatedLevelByLevel) {
  State().tempDir = u"C:\\users\\player\\Temp\\deep\\vorcfg2.tmp";
  State().cabinetPath = State().tempDir + u"\\files.cab";
  FileHandle file = OpenInstaller(BuildInstaller(Stub(10), Cabinet("f"), {}, false));
  ASSERT_TRUE(ReadAttachedPayload(file));
  EXPECT_TRUE(fake.HasFolder(u"C:\\users\\player\\Temp\\deep\\vorcfg2.tmp"));
  EXPECT_TRUE(fake.HasFile(State().cabinetPath));
}

TEST_F(PayloadWalk, CabinetNotCreatableIsFatal) {
  fake.AddFile(kCabinetPath, "held by another program");
  fake.FindFile(kCabinetPath)->locked = true;
  FileHandle file = OpenInstaller(BuildInstaller(Stub(10), Cabinet("f"), {}, false));
  EXPECT_FALSE(ReadAttachedPayload(file));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text,
            u"Unable to Create Cab 'C:\\users\\player\\Temp\\vorcfg1.tmp\\files.cab'");
  EXPECT_EQ(fake.messages[0].caption, u"Setup Error");
  EXPECT_EQ(fake.messages[0].style, kMbIconError);
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(fake.FileData(kCabinetPath), "held by another program");
}

// A full disk must not leave a cut cabinet that passes for a good copy.
TEST_F(PayloadWalk, CabinetCutShortByFullDiskIsFatal) {
  fake.diskSpaceBytes = 20;
  FileHandle file = OpenInstaller(BuildInstaller(Stub(10), Cabinet("f"), {}, false));
  EXPECT_FALSE(ReadAttachedPayload(file));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text,
            u"Unable to Write Cab 'C:\\users\\player\\Temp\\vorcfg1.tmp\\files.cab'");
  EXPECT_TRUE(State().installFailed);
  EXPECT_EQ(fake.openFiles, 1);  // the cabinet file was closed; only the installer is open
}

// A size field that fits the file but asks for more than a defines document can be is refused
// before any memory is asked for.
TEST_F(PayloadWalk, OversizedDefinesRecordFails) {
  std::string bytes = BuildInstaller(Stub(10), Cabinet("f"), {}, false);
  AppendPayloadRecord(&bytes, kRecordDefines, std::string(kMaxDefinesTextBytes + 2, 'd'));
  FileHandle file = OpenInstaller(bytes);
  EXPECT_FALSE(ReadAttachedPayload(file));
  EXPECT_TRUE(State().attachedDefines.empty());
  EXPECT_FALSE(fake.HasFile(kCabinetPath));
}

TEST_F(PayloadWalk, TextsCollectedBeforeAFailureStay) {
  std::string bytes;
  AppendPayloadRecord(&bytes, 9, "bad");
  AppendPayloadRecord(&bytes, kRecordCabinet, Cabinet("c"));
  AppendPayloadRecord(&bytes, kRecordDefines, ToUtf16Le(u"<kept/>"));
  FileHandle file = OpenInstaller(bytes);
  EXPECT_FALSE(ReadAttachedPayload(file));
  EXPECT_EQ(State().attachedDefines, std::vector<std::u16string>{u"<kept/>"});
  EXPECT_TRUE(fake.HasFile(kCabinetPath));
}

}  // namespace
}  // namespace vorlax
