// Tests of ExtractCabinet on the fake system: the prefix rule, destination paths, dates, times
// and attributes, progress numbers and the space estimate, read-only files replaced, and the
// refusals of names that would leave the destination or paths that do not fit.
#include "cabinet/extraction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/cabinet_writer.h"
#include "platform/posix/posix_system.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

const char* kCabinetPath = "C:\\setup\\files.cab";
const char* kDestination = "C:\\Games\\Demo\\";

std::string Text(std::size_t size, char seed) {
  std::string data(size, seed);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(seed + i % 23);
  return data;
}

CabinetInputFile Entry(const std::string& name, std::string data, uint16_t attributes = 0x20,
                       uint16_t date = 0x5A21, uint16_t time = 0x6000) {
  CabinetInputFile file;
  file.name = name;
  file.data = std::move(data);
  file.attributes = attributes;
  file.dosDate = date;
  file.dosTime = time;
  return file;
}

std::vector<CabinetPart> Write(const std::vector<CabinetInputFile>& files,
                               CabinetWriterOptions options = CabinetWriterOptions()) {
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  return parts;
}

class ExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake_;
  }
  void TearDown() override { State().system = nullptr; }

  void PutCabinet(const std::vector<CabinetInputFile>& files) {
    fake_.AddFile(Widen(kCabinetPath), Write(files)[0].bytes);
  }
  std::vector<std::u16string> PathsBefore() { return fake_.AllPaths(); }

  FakeSystem fake_;
};

TEST_F(ExtractionTest, ExtractsTheEntriesUnderThePrefixWithTimesAndAttributes) {
  PutCabinet({Entry("cfg\\install.xml", "config"),
              Entry("files\\Data\\level1.dat", Text(70000, 'a'), 0x21 | 0x40, 0x5A30, 0x7000),
              Entry("files\\readme.txt", "hello", 0x02 | 0x04 | 0x20)});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));

  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\Data\\level1.dat"), Text(70000, 'a'));
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\readme.txt"), "hello");
  EXPECT_FALSE(fake_.HasFile(u"C:\\Games\\Demo\\install.xml"));
  EXPECT_FALSE(fake_.HasFile(u"C:\\Games\\Demo\\cfg\\install.xml"));
  const FakeSystem::File* level = fake_.FindFile(u"C:\\Games\\Demo\\Data\\level1.dat");
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->attributes, 0x21u);  // run-after-extract is not a file attribute
  EXPECT_EQ(level->dosDate, 0x5A30);
  EXPECT_EQ(level->dosTime, 0x7000);
  EXPECT_EQ(fake_.FindFile(u"C:\\Games\\Demo\\readme.txt")->attributes, 0x26u);
  std::vector<std::u16string> expected = {u"C:\\Games\\Demo\\Data\\level1.dat",
                                          u"C:\\Games\\Demo\\readme.txt"};
  EXPECT_EQ(State().extractedFiles, expected);
  EXPECT_EQ(fake_.openFiles, 0);
}

TEST_F(ExtractionTest, PrefixComparisonIsCaseSensitive) {
  PutCabinet({Entry("CFG\\upper.xml", "u"), Entry("cfg\\lower.xml", "l"), Entry("cfgx.xml", "x")});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "cfg\\", "C:\\Temp\\"));
  EXPECT_TRUE(fake_.HasFile(u"C:\\Temp\\lower.xml"));
  EXPECT_EQ(State().extractedFiles, std::vector<std::u16string>{u"C:\\Temp\\lower.xml"});
}

TEST_F(ExtractionTest, ProgressNumbersAndSpaceEstimate) {
  // Outside the prefix too, every file counts in 32 KiB units strictly above its size.
  PutCabinet({Entry("files\\zero", ""), Entry("files\\one", "1"), Entry("files\\exact", Text(32768, 'e')),
              Entry("files\\big", Text(40000, 'b')), Entry("cfg\\outside", Text(32767, 'o'))});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  const ExtractionProgress& progress = State().progress;
  EXPECT_EQ(progress.spaceEstimate.load(), 32768 + 32768 + 65536 + 65536 + 32768);
  EXPECT_EQ(progress.totalBytes.load(), 1 + 32768 + 40000);
  EXPECT_EQ(progress.bytesWritten.load(), 1 + 32768 + 40000);
  EXPECT_EQ(progress.overallPercent.load(), 100);
  EXPECT_EQ(progress.currentFileSize.load(), 40000);
  EXPECT_EQ(progress.currentFileWritten.load(), 40000);
  EXPECT_EQ(progress.currentFilePercent.load(), 100);
  EXPECT_EQ(progress.currentFileName[0].load(), 'b');
  EXPECT_EQ(progress.currentFileName[3].load(), '\0');
  EXPECT_FALSE(progress.countingPass.load());
}

// 25 MB x 100 does not fit 32 bits: the percentages must still come out right.
TEST_F(ExtractionTest, PercentagesOfFilesAbove21MegabytesAreExact) {
  CabinetWriterOptions stored;
  stored.folders[0].kind = 0;
  std::string big(25 * 1000 * 1000, 'x');
  std::vector<CabinetPart> parts = Write({Entry("files\\big.dat", big), Entry("files\\tail.txt", "t")}, stored);
  fake_.AddFile(Widen(kCabinetPath), parts[0].bytes);
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  EXPECT_EQ(State().progress.totalBytes.load(), 25000001);
  EXPECT_EQ(State().progress.overallPercent.load(), 100);
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\big.dat").size(), big.size());
}

TEST_F(ExtractionTest, CabinetWithNothingUnderThePrefixSucceedsAndLeavesPercentages) {
  PutCabinet({Entry("cfg\\a.xml", "a")});
  State().progress.overallPercent.store(55);
  State().progress.currentFilePercent.store(66);
  State().progress.totalBytes.store(1234);
  std::vector<std::u16string> before = PathsBefore();
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  EXPECT_EQ(State().progress.totalBytes.load(), 0);
  EXPECT_EQ(State().progress.overallPercent.load(), 55);
  EXPECT_EQ(State().progress.currentFilePercent.load(), 66);
  EXPECT_EQ(State().progress.spaceEstimate.load(), 32768);
  EXPECT_EQ(fake_.AllPaths(), before);
}

TEST_F(ExtractionTest, EmptyFileIsCreatedWithItsTimeAndLeavesPercentages) {
  PutCabinet({Entry("files\\empty.cfg", "", 0x21, 0x5B00, 0x1234)});
  State().progress.overallPercent.store(42);
  State().progress.currentFilePercent.store(43);
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  const FakeSystem::File* file = fake_.FindFile(u"C:\\Games\\Demo\\empty.cfg");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->data, "");
  EXPECT_EQ(file->attributes, 0x21u);
  EXPECT_EQ(file->dosDate, 0x5B00);
  EXPECT_EQ(file->dosTime, 0x1234);
  EXPECT_EQ(State().progress.overallPercent.load(), 42);
  EXPECT_EQ(State().progress.currentFilePercent.load(), 43);
}

TEST_F(ExtractionTest, ReadOnlyFileAtTheDestinationIsReplaced) {
  fake_.AddFile(u"C:\\Games\\Demo\\game.exe", "old contents");
  fake_.FindFile(u"C:\\Games\\Demo\\game.exe")->attributes = 0x01;
  PutCabinet({Entry("files\\game.exe", "new contents", 0x01 | 0x20 | 0x40)});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  const FakeSystem::File* file = fake_.FindFile(u"C:\\Games\\Demo\\game.exe");
  EXPECT_EQ(file->data, "new contents");
  EXPECT_EQ(file->attributes, 0x21u);
}

TEST_F(ExtractionTest, FileThatCannotBeCreatedFailsAndIsListed) {
  fake_.AddFile(u"C:\\Games\\Demo\\running.exe", "in use");
  fake_.FindFile(u"C:\\Games\\Demo\\running.exe")->locked = true;
  PutCabinet({Entry("files\\first.txt", "1"), Entry("files\\running.exe", "new"), Entry("files\\last.txt", "3")});
  EXPECT_FALSE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  std::vector<std::u16string> expected = {u"C:\\Games\\Demo\\first.txt", u"C:\\Games\\Demo\\running.exe"};
  EXPECT_EQ(State().extractedFiles, expected);
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\running.exe"), "in use");
  EXPECT_FALSE(fake_.HasFile(u"C:\\Games\\Demo\\last.txt"));
  EXPECT_EQ(LastExtractionReport().cabinetError.code, kCabErrorUserAbort);
}

TEST_F(ExtractionTest, ExtractedFilesAccumulateAcrossCalls) {
  PutCabinet({Entry("cfg\\a", "a"), Entry("files\\b", "b")});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "cfg\\", "C:\\Temp\\"));
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  std::vector<std::u16string> expected = {u"C:\\Temp\\a", u"C:\\Games\\Demo\\b"};
  EXPECT_EQ(State().extractedFiles, expected);
}

TEST_F(ExtractionTest, NamesThatWouldLeaveTheDestinationAreWrittenNowhere) {
  const std::vector<std::string> hostile = {
      "files\\..\\evil.exe",     "files\\Data\\..\\..\\evil.exe", "files\\\\evil.exe",
      "files\\/etc/passwd",      "files\\C:\\Windows\\evil.dll",   "files\\Data\\... \\evil.exe",
      "files\\..",               "files\\",                        "files\\a/../../evil",
      "files\\stream.txt:hidden"};
  for (const std::string& name : hostile) {
    SCOPED_TRACE(name);
    SetUp();
    fake_ = FakeSystem();
    PutCabinet({Entry("files\\harmless.txt", "fine"), Entry(name, "payload")});
    std::vector<std::u16string> before = PathsBefore();
    EXPECT_FALSE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
    EXPECT_EQ(fake_.AllPaths(), before);
    EXPECT_TRUE(State().extractedFiles.empty());
    EXPECT_EQ(LastExtractionReport().refusal,
              "File name leaves the destination folder '" + name + "'");
  }
}

TEST_F(ExtractionTest, HarmlessNamesWithDotsAreExtracted) {
  PutCabinet({Entry("files\\.hidden", "1"), Entry("files\\a..b", "2"), Entry("files\\.\\same", "3"),
              Entry("files\\..x\\y", "4")});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", kDestination));
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\.hidden"), "1");
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\a..b"), "2");
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\..x\\y"), "4");
}

TEST_F(ExtractionTest, DestinationPathsOver255CharactersFailInsteadOfBeingCut) {
  std::string destination = "C:\\" + std::string(240, 'd') + "\\";  // 244 characters
  std::string fits = std::string(11, 'f');                              // 255 in total
  std::string tooLong = std::string(12, 'g');                           // 256 in total
  PutCabinet({Entry("files\\" + fits, "fits")});
  ASSERT_TRUE(ExtractCabinet(kCabinetPath, "files\\", destination));
  EXPECT_EQ(fake_.FileData(Widen(destination + fits)), "fits");

  SetUp();
  fake_ = FakeSystem();
  PutCabinet({Entry("files\\" + fits, "fits"), Entry("files\\" + tooLong, "long")});
  std::vector<std::u16string> before = PathsBefore();
  EXPECT_FALSE(ExtractCabinet(kCabinetPath, "files\\", destination));
  EXPECT_EQ(fake_.AllPaths(), before);
  EXPECT_EQ(LastExtractionReport().refusal, "Destination path too long 'files\\" + tooLong + "'");
}

// A set extracted part by part, as a tool does: each file once, in full.
class ExtractionSetTest : public ExtractionTest {
 protected:
  std::vector<CabinetInputFile> files_ = {Entry("files\\a.bin", Text(20000, 'a')),
                                          Entry("files\\big.bin", Text(150000, 'b')),
                                          Entry("files\\c.bin", Text(30000, 'c'))};
  std::vector<CabinetPart> PutSet() {
    CabinetWriterOptions options;
    options.folders[0].kind = 0;
    options.splitSize = 64 * 1024;
    options.cabinetName = "files.cab";
    std::vector<CabinetPart> parts = Write(files_, options);
    for (const CabinetPart& part : parts) fake_.AddFile(Widen("C:\\setup\\" + part.name), part.bytes);
    return parts;
  }
};

TEST_F(ExtractionSetTest, EveryPartOfASetExtractsItsOwnFiles) {
  std::vector<CabinetPart> parts = PutSet();
  ASSERT_GE(parts.size(), 3u);
  for (const CabinetPart& part : parts) {
    ASSERT_TRUE(ExtractCabinet("C:\\setup\\" + part.name, "files\\", kDestination)) << part.name;
  }
  for (const CabinetInputFile& file : files_) {
    EXPECT_EQ(fake_.FileData(Widen(kDestination + file.name.substr(6))), file.data) << file.name;
  }
  EXPECT_EQ(State().extractedFiles.size(), 3u);
}

TEST_F(ExtractionSetTest, MissingNextCabinetEndsAfterBoundedAttempts) {
  PutSet();
  fake_.DeleteFile(u"C:\\setup\\files2.cab");
  EXPECT_FALSE(ExtractCabinet("C:\\setup\\files.cab", "files\\", kDestination));
  EXPECT_EQ(LastExtractionReport().cabinetError.code, kCabErrorUserAbort);
  EXPECT_EQ(LastExtractionReport().refusal,
            "Next cabinet of the set not usable (Cabinet not found) 'files2.cab'");
  EXPECT_EQ(fake_.FileData(u"C:\\Games\\Demo\\a.bin"), Text(20000, 'a'));
  EXPECT_EQ(fake_.openFiles, 0);
}

// The cabinet layer reads a file handle of 0 as "skip this file". A process started without
// standard input has descriptor 0 free; the POSIX seam must still never answer 0.
TEST(PosixSeam, NeverHandsOutHandleZero) {
  std::string path = "/tmp/vorlax_handle_zero_" + std::to_string(::getpid());
  PosixSystem posix;
  int savedInput = ::dup(0);
  ASSERT_GE(savedInput, 0);
  ::close(0);
  FileHandle file = posix.OpenFileNarrow(path, FileAccess::kCreateWrite);
  ::dup2(savedInput, 0);
  ::close(savedInput);
  EXPECT_NE(file, 0);
  EXPECT_NE(file, kNoFile);
  EXPECT_TRUE(posix.CloseFile(file));
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace vorlax
