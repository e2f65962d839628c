// Tests of the cabinet reader through an in-memory host: every layout the writer makes reads back
// byte for byte, damaged cabinets fail with the exact error code of their fault, the host sees
// every notification in its order, cabinet sets are followed, and positions past 2 GiB
// are read as unsigned 64-bit values.
#include "cabinet/cabinet_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/cabinet_checksum.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/memory_cabinet_host.h"
#include "packer/cabinet_writer.h"

namespace vorlax {
namespace {

using testing_host::CopyOnce;
using testing_host::Host;
using testing_host::ResetHost;

// Deterministic bytes: incompressible with kind 0, compressible text with kind 1.
std::string NoiseBytes(std::size_t size, uint32_t seed) {
  std::string data(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return data;
}

std::string TextBytes(std::size_t size, uint32_t seed) {
  static const char* kWords[] = {"cabinet ", "folder ", "block ", "stream ", "vorlax ", "install\n"};
  std::string data;
  uint32_t x = seed + 7;
  while (data.size() < size) {
    x = x * 1103515245u + 12345u;
    data += kWords[(x >> 16) % 6];
  }
  data.resize(size);
  return data;
}

CompressionChoice Stored() {
  CompressionChoice choice;
  choice.kind = kDecoderStored;
  return choice;
}

CompressionChoice Mszip() {
  CompressionChoice choice;
  choice.kind = kDecoderMszip;
  return choice;
}

CabinetInputFile File(const std::string& name, std::string data, uint16_t folder = 0,
                      uint16_t attributes = 0x20) {
  CabinetInputFile file;
  file.name = name;
  file.data = std::move(data);
  file.folder = folder;
  file.attributes = attributes;
  return file;
}

std::vector<CabinetPart> Write(const std::vector<CabinetInputFile>& files,
                               const CabinetWriterOptions& options) {
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  return parts;
}

std::string WriteOne(const std::vector<CabinetInputFile>& files, const CabinetWriterOptions& options) {
  std::vector<CabinetPart> parts = Write(files, options);
  return parts.empty() ? std::string() : parts[0].bytes;
}

void Put(const std::string& path, const std::string& bytes) { Host().files[path].near = bytes; }

int CopyError(const std::string& cabinet) {
  ResetHost();
  Put("test.cab", cabinet);
  CabinetError error;
  bool ok = CopyOnce("test.cab", "", &error);
  EXPECT_EQ(ok, error.code == kCabErrorNone);
  EXPECT_EQ(Host().openCabinetHandles, 0);
  return error.code;
}

// ---- The block checksum -----------------------------------------------------------------------------

TEST(CabinetChecksum, GroupsAreLittleEndianAndTheTailBigEndian) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  struct Case {
    uint32_t size;
    uint32_t seed;
    uint32_t sum;
  };
  const std::vector<Case> cases = {
      {0, 0x12345678u, 0x12345678u},              // nothing to fold in
      {1, 0, 0x00000001u},                        // b0
      {2, 0, 0x00000102u},                        // (b0 << 8) | b1
      {3, 0, 0x00010203u},                        // (b0 << 16) | (b1 << 8) | b2
      {4, 0, 0x04030201u},                        // one little-endian group
      {7, 0, 0x04030201u ^ 0x00050607u},          // a group and a 3-byte tail
      {7, 0xFFFFFFFFu, ~(0x04030201u ^ 0x00050607u)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CabinetChecksum(bytes, c.size, c.seed), c.sum) << c.size;
  }
}

// ---- Layouts that must read back -----------------------------------------------------------------

struct LayoutCase {
  const char* label;
  std::vector<CompressionChoice> folders;
  std::vector<CabinetInputFile> files;
  std::vector<std::size_t> listOrder;
  uint16_t headerReserve;
  uint8_t folderReserve;
  uint8_t dataReserve;
};

std::vector<LayoutCase> Layouts() {
  std::string longName = std::string(251, 'n') + ".txt";  // 255 characters
  return {
      {"stored, one file over several blocks", {Stored()}, {File("a.bin", NoiseBytes(100000, 1))}, {}, 0, 0, 0},
      {"mszip, text and noise", {Mszip()},
       {File("text.txt", TextBytes(150000, 2)), File("noise.bin", NoiseBytes(70000, 3))}, {}, 0, 0, 0},
      {"several folders of both kinds", {Stored(), Mszip(), Mszip()},
       {File("f0\\a", TextBytes(40000, 4), 0), File("f1\\b", TextBytes(90000, 5), 1),
        File("f2\\c", NoiseBytes(33000, 6), 2), File("f1\\d", TextBytes(10, 7), 1)}, {}, 0, 0, 0},
      {"files listed out of folder order", {Mszip()},
       {File("one", TextBytes(50000, 8)), File("two", TextBytes(70000, 9)), File("three", NoiseBytes(40000, 10))},
       {2, 0, 1}, 0, 0, 0},
      {"empty files between others", {Mszip()},
       {File("empty1", ""), File("data", TextBytes(5000, 11)), File("empty2", ""), File("empty3", "")}, {}, 0, 0, 0},
      {"a 255-character name", {Stored()}, {File(longName, "long name")}, {}, 0, 0, 0},
      {"reserve areas in header, folders and blocks", {Mszip(), Stored()},
       {File("r1", TextBytes(70000, 12), 0), File("r2", NoiseBytes(1000, 13), 1)}, {}, 20, 5, 9},
  };
}

TEST(CabinetReader, ReadsEveryWriterLayoutByteForByte) {
  for (const LayoutCase& layout : Layouts()) {
    SCOPED_TRACE(layout.label);
    CabinetWriterOptions options;
    options.folders = layout.folders;
    options.listOrder = layout.listOrder;
    options.headerReserve = layout.headerReserve;
    options.folderReserve = layout.folderReserve;
    options.dataReserve = layout.dataReserve;
    ResetHost();
    Put("layout.cab", WriteOne(layout.files, options));
    CabinetError error;
    ASSERT_TRUE(CopyOnce("layout.cab", "", &error)) << CabinetErrorText(error.code);
    ASSERT_EQ(Host().OutputCount(), static_cast<int>(layout.files.size()));
    for (const CabinetInputFile& file : layout.files) {
      EXPECT_EQ(Host().Written(file.name), file.data) << file.name;
    }
  }
}

TEST(CabinetReader, OutOfOrderListingDecodesTheFolderAgainFromItsStart) {
  CabinetWriterOptions options;
  options.folders = {Mszip()};
  options.listOrder = {1, 0};  // the second file of the folder is listed first
  std::vector<CabinetInputFile> files = {File("first", TextBytes(80000, 20)),
                                         File("second", TextBytes(80000, 21))};
  ResetHost();
  Put("order.cab", WriteOne(files, options));
  CabinetError error;
  ASSERT_TRUE(CopyOnce("order.cab", "", &error));
  EXPECT_EQ(Host().Written("first"), files[0].data);
  EXPECT_EQ(Host().Written("second"), files[1].data);
}

// ---- Notifications --------------------------------------------------------------------------------

std::string TwoFileStoredCabinet() {
  CabinetWriterOptions options;
  options.folders = {Stored()};
  CabinetInputFile one = File("one.txt", TextBytes(100, 30));
  one.dosDate = 0x5A21;
  one.dosTime = 0x6000;
  CabinetInputFile two = File("two.txt", TextBytes(50, 31), 0, 0x20 | 0x40 | 0x01);
  two.dosDate = 0x5A22;
  two.dosTime = 0x6001;
  return WriteOne({one, two}, options);
}

TEST(CabinetReader, HostSeesEveryNotificationInOrder) {
  ResetHost();
  Put("dir\\seq.cab", TwoFileStoredCabinet());
  CabinetError error;
  ASSERT_TRUE(CopyOnce("seq.cab", "dir\\", &error));
  std::vector<std::string> expected = {
      "open dir\\seq.cab 32768 384",
      "open dir\\seq.cab 32768 384",
      "opened next= disk= dir=dir\\ set=0 index=0",
      "list left=2",
      "start one.txt size=100 folder=0",
      "done one.txt attr=32 run=0 date=23073 time=24576",
      "start two.txt size=50 folder=0",
      "done two.txt attr=33 run=1 date=23074 time=24577",
      "list left=0",
  };
  EXPECT_EQ(Host().events, expected);
}

TEST(CabinetReader, SkippedFileIsNotWrittenAndIsNoError) {
  ResetHost();
  Put("skip.cab", TwoFileStoredCabinet());
  Host().extract = [](const CabinetNotification& note) { return std::string(note.text1) != "one.txt"; };
  CabinetError error;
  ASSERT_TRUE(CopyOnce("skip.cab", "", &error));
  EXPECT_EQ(Host().OutputCount(), 1);
  EXPECT_EQ(Host().Written("two.txt"), TextBytes(50, 31));
  EXPECT_EQ(error.code, kCabErrorNone);
}

// A file of size 0 never selects its folder: even a folder of an unknown compression type is
// not touched.
TEST(CabinetReader, EmptyFileDoesNotSelectItsFolder) {
  CabinetWriterOptions options;
  options.folders = {Stored()};
  std::string cabinet = WriteOne({File("empty", "")}, options);
  WriteLe16(reinterpret_cast<uint8_t*>(&cabinet[kCabHeaderSize + kCabFolderCompression]), 5);
  EXPECT_EQ(CopyError(cabinet), kCabErrorNone);
  std::vector<std::string> tail(Host().events.end() - 3, Host().events.end());
  EXPECT_EQ(tail[0], "start empty size=0 folder=0");
  EXPECT_EQ(tail[1].rfind("done empty", 0), 0u);
  EXPECT_EQ(Host().Written("empty"), "");
}

TEST(CabinetReader, ErrorCodesHaveTheirMessageTexts) {
  const std::vector<std::pair<int, std::string>> texts = {
      {0, "No error"},
      {1, "Cabinet not found"},
      {2, "Not a cabinet"},
      {3, "Unknown cabinet version"},
      {4, "Corrupt cabinet"},
      {5, "Memory allocation failed"},
      {6, "Unknown compression type"},
      {7, "Failure decompressing data"},
      {8, "Failure writing to target file"},
      {9, "Cabinets in set have different RESERVE sizes"},
      {10, "Cabinet returned on fdintNEXT_CABINET is incorrect"},
      {11, "User aborted"},
      {12, "Unknown error"},
      {-1, "Unknown error"},
  };
  for (const auto& text : texts) EXPECT_EQ(CabinetErrorText(text.first), text.second) << text.first;
}

// ---- Damaged cabinets ------------------------------------------------------------------------------

// Offsets inside TwoFileStoredCabinet(): no reserve, no names, one folder, two files.
uint32_t FilesOffset(const std::string& cabinet) {
  return ReadLe32(reinterpret_cast<const uint8_t*>(cabinet.data()) + kCabHeaderFilesOffset);
}
uint32_t FirstBlock(const std::string& cabinet) {
  return ReadLe32(reinterpret_cast<const uint8_t*>(cabinet.data()) + kCabHeaderSize + kCabFolderFirstBlock);
}
uint8_t* At(std::string& cabinet, std::size_t offset) {
  return reinterpret_cast<uint8_t*>(&cabinet[offset]);
}

struct DamageCase {
  const char* fault;
  std::string (*make)();
  int code;
};

std::string BadSignature() {
  std::string c = TwoFileStoredCabinet();
  c[0] = 'N';
  return c;
}
std::string ShortHeader() { return TwoFileStoredCabinet().substr(0, kCabHeaderSize - 1); }
std::string BadVersion() {
  std::string c = TwoFileStoredCabinet();
  WriteLe16(At(c, kCabHeaderVersion), 0x0102);
  return c;
}
std::string ShortReserveSizes() {
  std::string c = TwoFileStoredCabinet().substr(0, kCabHeaderSize + 2);
  WriteLe16(At(c, kCabHeaderFlags), kCabFlagReservePresent);
  return c;
}
std::string TruncatedName() {
  std::string c = TwoFileStoredCabinet();
  return c.substr(0, FilesOffset(c) + kCabFileEntrySize + 3);
}
std::string TruncatedFileEntry() {
  std::string c = TwoFileStoredCabinet();
  return c.substr(0, FilesOffset(c) + kCabFileEntrySize - 1);
}
std::string NameOf256Characters() {
  CabinetWriterOptions options;
  options.folders = {Stored()};
  std::string c = WriteOne({File(std::string(255, 'x'), "data"), File(std::string(40, 'y'), "more")}, options);
  c[FilesOffset(c) + kCabFileEntrySize + 255] = 'x';  // the NUL becomes a 256th character
  return c;
}
std::string BadChecksum() {
  std::string c = TwoFileStoredCabinet();
  c[FirstBlock(c) + kCabBlockHeaderSize + 10] ^= 0x01;
  return c;
}
std::string BlockDecodesShort() {
  std::string c = TwoFileStoredCabinet();
  uint32_t block = FirstBlock(c);
  WriteLe16(At(c, block + kCabBlockUncompressedSize), 149);  // 150 stored bytes
  WriteLe32(At(c, block + kCabBlockChecksum), 0);
  return c;
}
std::string BlockLongerThanItsBuffer() {
  std::string c = TwoFileStoredCabinet();
  uint32_t block = FirstBlock(c);
  WriteLe16(At(c, block + kCabBlockCompressedSize), 40000);
  WriteLe32(At(c, block + kCabBlockChecksum), 0);
  c.append(40000, 'z');
  return c;
}
std::string TruncatedBlock() {
  std::string c = TwoFileStoredCabinet();
  return c.substr(0, c.size() - 10);
}
std::string UnknownCompressionType() {
  std::string c = TwoFileStoredCabinet();
  WriteLe16(At(c, kCabHeaderSize + kCabFolderCompression), 7);
  return c;
}
std::string UnknownCompressionTypeFifteen() {
  std::string c = TwoFileStoredCabinet();
  WriteLe16(At(c, kCabHeaderSize + kCabFolderCompression), 15);
  return c;
}
std::string FileDataPastTheFolder() {
  std::string c = TwoFileStoredCabinet();
  WriteLe32(At(c, FilesOffset(c) + kCabFileSize), 200);  // one.txt claims more than 150 bytes
  return c;
}
std::string FolderTableBeyondTheFile() {
  std::string c = TwoFileStoredCabinet();
  WriteLe32(At(c, kCabHeaderSize + kCabFolderFirstBlock), 0x7FFFFFF0);
  return c;
}
std::string MszipBlockWithoutTag() {
  CabinetWriterOptions options;
  options.folders = {Mszip()};
  std::string c = WriteOne({File("z.txt", TextBytes(3000, 40))}, options);
  uint32_t block = FirstBlock(c);
  c[block + kCabBlockHeaderSize] = 'X';  // "CK" becomes "XK"
  WriteLe32(At(c, block + kCabBlockChecksum), 0);
  return c;
}

TEST(CabinetReader, DamagedCabinetsFailWithTheCodeOfTheirFault) {
  const std::vector<DamageCase> cases = {
      {"bad signature", BadSignature, kCabErrorNotACabinet},
      {"short header", ShortHeader, kCabErrorNotACabinet},
      {"bad version", BadVersion, kCabErrorUnknownVersion},
      {"short reserve sizes", ShortReserveSizes, kCabErrorNotACabinet},
      {"truncated name", TruncatedName, kCabErrorCorrupt},
      {"truncated file entry", TruncatedFileEntry, kCabErrorCorrupt},
      {"name of 256 characters", NameOf256Characters, kCabErrorCorrupt},
      {"bad checksum", BadChecksum, kCabErrorCorrupt},
      {"block decodes short", BlockDecodesShort, kCabErrorDecompress},
      {"block longer than its buffer", BlockLongerThanItsBuffer, kCabErrorCorrupt},
      {"truncated block", TruncatedBlock, kCabErrorCorrupt},
      {"unknown compression type 7", UnknownCompressionType, kCabErrorUnknownCompression},
      {"unknown compression type 15", UnknownCompressionTypeFifteen, kCabErrorUnknownCompression},
      {"file data past the folder", FileDataPastTheFolder, kCabErrorCorrupt},
      {"folder data beyond the file", FolderTableBeyondTheFile, kCabErrorCorrupt},
      {"MSZIP block without CK", MszipBlockWithoutTag, kCabErrorDecompress},
  };
  for (const DamageCase& damage : cases) {
    EXPECT_EQ(CopyError(damage.make()), damage.code) << damage.fault;
  }
}

TEST(CabinetReader, ChecksumZeroIsNotChecked) {
  std::string c = BadChecksum();
  WriteLe32(At(c, FirstBlock(c) + kCabBlockChecksum), 0);
  EXPECT_EQ(CopyError(c), kCabErrorNone);
  std::string expected = TextBytes(100, 30);
  expected[10] ^= 0x01;
  EXPECT_EQ(Host().Written("one.txt"), expected);
}

TEST(CabinetReader, NameOf255CharactersAtTheEndOfTheListIsAccepted) {
  CabinetWriterOptions options;
  options.folders = {Stored()};
  std::string name(255, 'q');
  EXPECT_EQ(CopyError(WriteOne({File(name, "x")}, options)), kCabErrorNone);
  EXPECT_EQ(Host().Written(name), "x");
}

TEST(CabinetReader, MissingCabinetIsCodeOne) {
  ResetHost();
  CabinetError error;
  EXPECT_FALSE(CopyOnce("absent.cab", "", &error));
  EXPECT_EQ(error.code, kCabErrorCabinetNotFound);
  EXPECT_EQ(error.present, 1);
  EXPECT_EQ(error.extra, 0);
}

TEST(CabinetReader, CabinetPathLongerThan255CharactersIsNotCut) {
  ResetHost();
  std::string directory(250, 'd');
  Put(directory + "ab.cab", TwoFileStoredCabinet());
  Put((directory + "ab.cab").substr(0, 255), TwoFileStoredCabinet());
  CabinetError error;
  EXPECT_FALSE(CopyOnce("ab.cab", directory, &error));
  EXPECT_EQ(error.code, kCabErrorCabinetNotFound);
  EXPECT_EQ(Host().events, std::vector<std::string>());  // nothing was opened
}

TEST(CabinetReader, HostAnswersEndTheCopyWithTheirCodes) {
  struct AnswerCase {
    const char* label;
    intptr_t fileStart;
    intptr_t fileDone;
    int64_t writeLimit;
    int code;
  };
  const std::vector<AnswerCase> cases = {
      {"file start -1", -1, 1, -1, kCabErrorUserAbort},
      {"file done 0", 0, 0, -1, kCabErrorTargetFile},
      {"file done -1", 0, -1, -1, kCabErrorUserAbort},
      {"short write", 0, 1, 60, kCabErrorTargetFile},
  };
  for (const AnswerCase& answer : cases) {
    SCOPED_TRACE(answer.label);
    ResetHost();
    Put("a.cab", TwoFileStoredCabinet());
    Host().fileStartAnswerOverride = answer.fileStart;
    Host().fileDoneAnswer = answer.fileDone;
    Host().writeLimit = answer.writeLimit;
    CabinetError error;
    EXPECT_FALSE(CopyOnce("a.cab", "", &error));
    EXPECT_EQ(error.code, answer.code);
    EXPECT_EQ(Host().openCabinetHandles, 0);
    for (const auto& output : Host().outputs) EXPECT_TRUE(output.second.closed) << output.second.name;
  }
}

TEST(CabinetReader, FailedAllocationsAreCodeFive) {
  ResetHost();
  Host().allocationsLeft = 0;
  CabinetError error;
  EXPECT_EQ(CabinetReader::Create(testing_host::Callbacks(), 1, &error), nullptr);
  EXPECT_EQ(error.code, kCabErrorNoMemory);

  for (int allowed = 1; allowed <= 4; ++allowed) {
    SCOPED_TRACE(allowed);
    ResetHost();
    Put("a.cab", TwoFileStoredCabinet());
    Host().allocationsLeft = allowed;  // the reader itself, then its buffers one by one
    CabinetError later;
    EXPECT_FALSE(CopyOnce("a.cab", "", &later));
    EXPECT_EQ(later.code, kCabErrorNoMemory);
  }
}

TEST(CabinetReader, AbortOnCabinetOpenedIsCodeEleven) {
  ResetHost();
  Put("a.cab", TwoFileStoredCabinet());
  Host().openedAnswer = -1;
  CabinetError error;
  EXPECT_FALSE(CopyOnce("a.cab", "", &error));
  EXPECT_EQ(error.code, kCabErrorUserAbort);
  EXPECT_EQ(Host().OutputCount(), 0);
  EXPECT_EQ(Host().openCabinetHandles, 0);
}

TEST(CabinetReader, HostMayShortenTheListAtItsPosition) {
  ResetHost();
  Put("a.cab", TwoFileStoredCabinet());
  Host().listLeftOverride = 1;
  CabinetError error;
  ASSERT_TRUE(CopyOnce("a.cab", "", &error));
  EXPECT_EQ(Host().OutputCount(), 1);
  EXPECT_EQ(Host().Written("one.txt"), TextBytes(100, 30));
  EXPECT_EQ(Host().events.back(), "list left=0");
}

// The folder-entry and block-header sizes are fixed by the first cabinet a reader opens: a later
// Copy of a cabinet with other reserve sizes is code 9.
TEST(CabinetReader, LaterCopyWithOtherReserveSizesIsCodeNine) {
  CabinetWriterOptions reserved;
  reserved.folders = {Stored()};
  reserved.dataReserve = 4;
  ResetHost();
  Put("plain.cab", TwoFileStoredCabinet());
  Put("reserved.cab", WriteOne({File("r.txt", "reserved")}, reserved));
  CabinetError error;
  CabinetReader* reader = CabinetReader::Create(testing_host::Callbacks(), 1, &error);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(CabinetReader::Copy(reader, "plain.cab", "", 0, testing_host::Notify, nullptr, nullptr));
  EXPECT_FALSE(CabinetReader::Copy(reader, "reserved.cab", "", 0, testing_host::Notify, nullptr, nullptr));
  EXPECT_EQ(error.code, kCabErrorReserveMismatch);
  CabinetReader::Destroy(reader);
  EXPECT_EQ(Host().Written("r.txt"), "");
  EXPECT_EQ(Host().openCabinetHandles, 0);
}

// ---- The decrypt hook --------------------------------------------------------------------------------

int gDecryptCalls[2] = {0, 0};
int gDecryptAnswer = 0;

int FlipDecrypt(CabinetDecryptKind kind, uint8_t* data, uint32_t size, void*) {
  ++gDecryptCalls[kind];
  for (uint32_t i = 0; i < size; ++i) data[i] ^= 0x5A;  // "decrypts" each block
  return gDecryptAnswer;
}

TEST(CabinetReader, DecryptHookSeesEachCabinetAndBlockAndMayAbort) {
  std::string c = TwoFileStoredCabinet();
  uint32_t block = FirstBlock(c);
  for (std::size_t i = block + kCabBlockHeaderSize; i < c.size(); ++i) c[i] ^= 0x5A;
  WriteLe32(At(c, block + kCabBlockChecksum), 0);
  for (int answer : {0, -1}) {
    SCOPED_TRACE(answer);
    ResetHost();
    Put("enc.cab", c);
    gDecryptCalls[0] = gDecryptCalls[1] = 0;
    gDecryptAnswer = answer;
    CabinetError error;
    CabinetReader* reader = CabinetReader::Create(testing_host::Callbacks(), 1, &error);
    bool ok = CabinetReader::Copy(reader, "enc.cab", "", 0, testing_host::Notify, FlipDecrypt, nullptr);
    CabinetReader::Destroy(reader);
    EXPECT_EQ(ok, answer == 0);
    EXPECT_EQ(gDecryptCalls[kCabDecryptNewCabinet], 1);
    if (answer == 0) {
      EXPECT_EQ(gDecryptCalls[kCabDecryptDataBlock], 1);
      EXPECT_EQ(Host().Written("one.txt"), TextBytes(100, 30));
    } else {
      EXPECT_EQ(error.code, kCabErrorUserAbort);
    }
  }
}

// After a folder of an unknown type, the same reader still reads the next cabinet.
TEST(CabinetReader, ReaderRecoversAfterAnUnknownCompressionType) {
  ResetHost();
  Put("bad.cab", UnknownCompressionType());
  Put("good.cab", TwoFileStoredCabinet());
  CabinetError error;
  CabinetReader* reader = CabinetReader::Create(testing_host::Callbacks(), 1, &error);
  ASSERT_NE(reader, nullptr);
  EXPECT_FALSE(CabinetReader::Copy(reader, "bad.cab", "", 0, testing_host::Notify, nullptr, nullptr));
  EXPECT_EQ(error.code, kCabErrorUnknownCompression);
  error = CabinetError();
  EXPECT_TRUE(CabinetReader::Copy(reader, "good.cab", "", 0, testing_host::Notify, nullptr, nullptr));
  EXPECT_TRUE(CabinetReader::Destroy(reader));
  EXPECT_EQ(Host().Written("one.txt"), TextBytes(100, 30));
}

// ---- Positions past 2 GiB --------------------------------------------------------------------------

// A cabinet whose one data block lies at 3 GiB, listing a second file of 3 GiB that the host
// skips: both numbers must arrive as unsigned values, not as negative 32-bit ones.
TEST(CabinetReader, DataAndSizesPastTwoGibibytesAreReadAsUnsigned) {
  constexpr uint32_t kFar = 0xC0000000u;
  std::string c(kCabHeaderSize + kCabFolderEntrySize, '\0');
  std::memcpy(&c[0], kCabSignature, 4);
  WriteLe16(At(c, kCabHeaderVersion), kCabVersion);
  WriteLe16(At(c, kCabHeaderFolderCount), 1);
  WriteLe16(At(c, kCabHeaderFileCount), 2);
  WriteLe32(At(c, kCabHeaderFilesOffset), static_cast<uint32_t>(c.size()));
  WriteLe32(At(c, kCabHeaderSize + kCabFolderFirstBlock), kFar);
  WriteLe16(At(c, kCabHeaderSize + kCabFolderBlockCount), 1);
  auto addEntry = [&c](uint32_t size, const std::string& name) {
    std::string entry(kCabFileEntrySize, '\0');
    WriteLe32(reinterpret_cast<uint8_t*>(&entry[kCabFileSize]), size);
    c += entry + name + '\0';
  };
  addEntry(5, "far.txt");
  addEntry(kFar, "huge.bin");
  std::string block(kCabBlockHeaderSize, '\0');
  WriteLe16(reinterpret_cast<uint8_t*>(&block[kCabBlockCompressedSize]), 5);
  WriteLe16(reinterpret_cast<uint8_t*>(&block[kCabBlockUncompressedSize]), 5);
  block += "hello";

  ResetHost();
  Host().files["far.cab"] = testing_host::MemoryFile{c, kFar, block};
  Host().extract = [](const CabinetNotification& note) { return note.size < 100; };
  CabinetError error;
  ASSERT_TRUE(CopyOnce("far.cab", "", &error)) << CabinetErrorText(error.code);
  EXPECT_EQ(Host().Written("far.txt"), "hello");
  EXPECT_NE(std::find(Host().events.begin(), Host().events.end(),
                      "start huge.bin size=3221225472 folder=0"),
            Host().events.end());
}

// ---- Cabinet sets ------------------------------------------------------------------------------------

struct SetFixture {
  std::vector<CabinetInputFile> files;
  std::vector<CabinetPart> parts;
};

// Three or more stored cabinets of 64 KiB; "big.bin" spans the first three.
SetFixture ThreePartSet(uint16_t setId = 7, uint8_t dataReserve = 0) {
  SetFixture set;
  set.files = {File("a.bin", NoiseBytes(20000, 50)), File("big.bin", NoiseBytes(150000, 51)),
               File("c.bin", NoiseBytes(30000, 52))};
  CabinetWriterOptions options;
  options.folders = {Stored()};
  options.splitSize = 64 * 1024;
  options.setId = setId;
  options.dataReserve = dataReserve;
  options.cabinetName = "part.cab";
  set.parts = Write(set.files, options);
  return set;
}

void PutSet(const SetFixture& set) {
  for (const CabinetPart& part : set.parts) Put("set\\" + part.name, part.bytes);
}

TEST(CabinetReader, FileSpanningThreeCabinetsIsFollowedThroughTheSet) {
  SetFixture set = ThreePartSet();
  ASSERT_GE(set.parts.size(), 3u);
  ResetHost();
  PutSet(set);
  Host().nextCabinetAttempts = 10;
  CabinetError error;
  ASSERT_TRUE(CopyOnce("part.cab", "set\\", &error)) << CabinetErrorText(error.code);
  EXPECT_EQ(Host().Written("a.bin"), set.files[0].data);
  EXPECT_EQ(Host().Written("big.bin"), set.files[1].data);
  EXPECT_EQ(Host().Written("c.bin"), "");  // begins in a later cabinet: its own Copy
  const std::vector<std::string>& events = Host().events;
  EXPECT_NE(std::find(events.begin(), events.end(), "next part2.cab index=1 error=0"), events.end());
  EXPECT_NE(std::find(events.begin(), events.end(), "next part3.cab index=2 error=0"), events.end());
}

TEST(CabinetReader, LaterCabinetOfASetReportsItsContinuedEntryAsPartial) {
  SetFixture set = ThreePartSet();
  ASSERT_GE(set.parts.size(), 3u);
  ResetHost();
  PutSet(set);
  Host().nextCabinetAttempts = 10;  // c.bin goes on into the fourth part
  CabinetError error;
  ASSERT_TRUE(CopyOnce("part3.cab", "set\\", &error)) << CabinetErrorText(error.code);
  EXPECT_EQ(Host().Written("c.bin"), set.files[2].data);
  EXPECT_EQ(Host().Written("big.bin"), "");
  EXPECT_NE(std::find(Host().events.begin(), Host().events.end(),
                      "partial big.bin prev=part2.cab size=150000"),
            Host().events.end());
}

TEST(CabinetReader, HostMayRenameTheNextCabinet) {
  SetFixture set = ThreePartSet();
  ResetHost();
  PutSet(set);
  Host().files["set\\renamed.cab"] = Host().files["set\\part2.cab"];
  Host().files.erase("set\\part2.cab");
  Host().nextCabinetAttempts = 10;
  Host().nextCabinetRename = "renamed.cab";
  CabinetError error;
  // Every request is renamed, so the third part is not found: the copy stops with the host's -1
  // after the attempts, having written big.bin only as far as the second cabinet.
  EXPECT_FALSE(CopyOnce("part.cab", "set\\", &error));
  EXPECT_EQ(error.code, kCabErrorUserAbort);
  EXPECT_NE(std::find(Host().events.begin(), Host().events.end(),
                      "open set\\renamed.cab 32768 384"),
            Host().events.end());
  EXPECT_NE(std::find(Host().events.begin(), Host().events.end(),
                      "next part3.cab index=2 error=10"),
            Host().events.end());
}

// A set of small cabinets, so that one block is cut over several of them.
std::vector<CabinetPart> SmallPartSet(const std::vector<CabinetInputFile>& files, CompressionChoice method) {
  CabinetWriterOptions options;
  options.folders = {method};
  options.splitSize = 5000;
  options.cabinetName = "part.cab";
  std::vector<CabinetPart> parts = Write(files, options);
  for (const CabinetPart& part : parts) Put("set\\" + part.name, part.bytes);
  return parts;
}

// True when some cabinet of the set holds only a piece of a block: one block saying 0
// uncompressed bytes, in a cabinet with a previous and a next one.
bool HasMiddlePiece(const std::vector<CabinetPart>& parts) {
  for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(parts[i].bytes.data());
    uint32_t filesOffset = ReadLe32(bytes + kCabHeaderFilesOffset);
    uint16_t folders = ReadLe16(bytes + kCabHeaderFolderCount);
    // Without reserve areas the writer puts the folder table right before the file list.
    const uint8_t* folder = bytes + filesOffset - folders * kCabFolderEntrySize;
    uint32_t blockAt = ReadLe32(folder + kCabFolderFirstBlock);
    uint16_t blockCount = ReadLe16(folder + kCabFolderBlockCount);
    if (folders == 1 && blockCount == 1 && ReadLe16(bytes + blockAt + kCabBlockUncompressedSize) == 0) return true;
  }
  return false;
}

TEST(CabinetReader, BlockCutOverSeveralCabinetsIsJoinedBeforeDecoding) {
  for (CompressionChoice method : {Stored(), Mszip()}) {
    SCOPED_TRACE(method.kind);
    ResetHost();
    // The first three begin in the first block, cut over several cabinets; the empty file lies
    // between two files that go on into the next cabinet.
    std::vector<CabinetInputFile> files = {File("a.bin", NoiseBytes(3000, 60)), File("empty.txt", ""),
                                           File("big.bin", NoiseBytes(60000, 61)),
                                           File("later.bin", NoiseBytes(3000, 62))};
    std::vector<CabinetPart> parts = SmallPartSet(files, method);
    ASSERT_TRUE(HasMiddlePiece(parts));
    Host().nextCabinetAttempts = 40;
    CabinetError error;
    ASSERT_TRUE(CopyOnce("part.cab", "set\\", &error)) << CabinetErrorText(error.code);
    EXPECT_TRUE(Host().Written("a.bin") == files[0].data);
    EXPECT_TRUE(Host().Written("big.bin") == files[2].data);
    const std::vector<std::string>& events = Host().events;
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& e) { return e.rfind("done empty.txt ", 0) == 0; }),
              1);
    EXPECT_EQ(Host().Written("later.bin"), "");  // begins in a later cabinet: its own Copy
  }
}

// A declined file listed in three or more cabinets ahead of the file being copied is passed over
// in each cabinet the copy moves into: where the copy ends, the walk goes on after both entries.
TEST(CabinetReader, DeclinedFileOverSeveralCabinetsIsSkippedInEachOfThem) {
  ResetHost();
  // All three begin in the first block, which is cut over several cabinets; keep.bin ends in it.
  std::vector<CabinetInputFile> files = {File("skip.bin", NoiseBytes(12000, 62)),
                                         File("keep.bin", NoiseBytes(8000, 63)),
                                         File("tail.bin", NoiseBytes(30000, 64))};
  std::vector<CabinetPart> parts = SmallPartSet(files, Stored());
  ASSERT_TRUE(HasMiddlePiece(parts));
  Host().nextCabinetAttempts = 20;
  Host().extract = [](const CabinetNotification& note) { return std::string(note.text1) != "skip.bin"; };
  CabinetError error;
  ASSERT_TRUE(CopyOnce("part.cab", "set\\", &error)) << CabinetErrorText(error.code);
  EXPECT_TRUE(Host().Written("keep.bin") == files[1].data);
  EXPECT_TRUE(Host().Written("tail.bin") == files[2].data);
  EXPECT_EQ(Host().Written("skip.bin"), "");
}

struct NextCabinetFault {
  const char* label;
  SetFixture second;  // its part 2 replaces the set's part 2
  bool remove;
  int lastError;
};

TEST(CabinetReader, UnusableNextCabinetIsRetriedWithItsErrorUntilTheHostStops) {
  SetFixture set = ThreePartSet();
  const std::vector<NextCabinetFault> faults = {
      {"missing", ThreePartSet(), true, kCabErrorCabinetNotFound},
      {"other set id", ThreePartSet(8), false, kCabErrorWrongCabinet},
      {"other data reserve", ThreePartSet(7, 4), false, kCabErrorReserveMismatch},
  };
  for (const NextCabinetFault& fault : faults) {
    SCOPED_TRACE(fault.label);
    ResetHost();
    PutSet(set);
    if (fault.remove) {
      Host().files.erase("set\\part2.cab");
    } else {
      Put("set\\part2.cab", fault.second.parts[1].bytes);
    }
    Host().nextCabinetAttempts = 2;
    CabinetError error;
    EXPECT_FALSE(CopyOnce("part.cab", "set\\", &error));
    EXPECT_EQ(error.code, kCabErrorUserAbort);
    std::string retry = "next part2.cab index=1 error=" + std::to_string(fault.lastError);
    EXPECT_EQ(std::count(Host().events.begin(), Host().events.end(), retry), 2);
    EXPECT_EQ(Host().openCabinetHandles, 0);
  }
}

}  // namespace
}  // namespace vorlax
