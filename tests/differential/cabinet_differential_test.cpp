// Differential tests: each cabinet (made by gcab, or by our writer with any of its methods:
// stored, MSZIP, LZX, Quantum) is extracted by `vorlax extract`, by cabextract and by 7zz, and
// every one of them must give exactly the files that went in: the same names, bytes,
// modification times and read-only state.
//
// Trap: cabinet times are local times. Every process here runs with TZ=UTC0 so that the three
// extractors and the expected values agree whatever the machine's zone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/cabinet_format.h"
#include "packer/cabinet_writer.h"
#include "packer/folder_encoder.h"
#include "tests/differential/differential_files.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;
using namespace differential;

const bool kUtc = [] {
  setenv("TZ", "UTC0", 1);
  tzset();
  return true;
}();

struct ExpectedFile {
  std::string data;
  std::time_t mtime = 0;
  bool readOnly = false;
};
using ExpectedTree = std::map<std::string, ExpectedFile>;  // relative path with "/"

std::string Noise(std::size_t size, uint32_t seed) {
  std::string data(size, '\0');
  uint32_t x = seed | 1;
  for (char& c : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return data;
}

std::string Prose(std::size_t size, int seed) {
  std::string data;
  for (int i = 0; data.size() < size; ++i) {
    data += "Line " + std::to_string((i * 7 + seed) % 1013) + ": the quick brown fox installs a game.\n";
  }
  data.resize(size);
  return data;
}

// Binary with long repeats: records of a table with a counter, then a copy of an earlier stretch.
std::string RepeatingBinary(std::size_t size) {
  std::string data;
  for (uint32_t i = 0; data.size() < size; ++i) {
    uint8_t record[16] = {0x4D, 0x5A, 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    WriteLe32(record + 12, i / 3);
    data.append(reinterpret_cast<const char*>(record), sizeof record);
    if (i % 500 == 499) data += data.substr(data.size() / 3, 4000);
  }
  data.resize(size);
  return data;
}

std::string Slashes(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

// DOS date and time of the given UTC moment (even seconds), and that moment.
void DosStamp(int year, int month, int day, int hour, int minute, int second, CabinetInputFile* file,
              std::time_t* when) {
  file->dosDate = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  file->dosTime = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  std::tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  *when = timegm(&tm);
}

// The product the cabinets hold: text, incompressible and repetitive binary data, empty files,
// a name of exactly 255 characters, a read-only file.
std::vector<CabinetInputFile> ProductFiles() {
  std::string longName = "files\\L\\" + std::string(247, 'n');  // 255 characters
  std::vector<std::pair<std::string, std::string>> contents = {
      {"files\\readme.txt", Prose(120000, 1)},
      {"files\\Data\\noise.bin", Noise(230000, 2)},
      {"files\\Data\\empty.dat", ""},
      {"files\\Data\\table.bin", RepeatingBinary(150000)},
      {"cfg\\install.xml", Prose(3000, 3)},
      {"files\\empty2.txt", ""},
      {longName, Prose(500, 4)},
      {"files\\Data\\Sub\\small.txt", "small"},
  };
  std::vector<CabinetInputFile> files;
  int minute = 0;
  for (const auto& content : contents) {
    CabinetInputFile file;
    file.name = content.first;
    file.data = content.second;
    std::time_t ignored;
    DosStamp(2003, 4, 5, 6, minute++, 8, &file, &ignored);
    files.push_back(file);
  }
  files[4].attributes = 0x21;  // cfg\install.xml read-only
  return files;
}

ExpectedTree Expected(const std::vector<CabinetInputFile>& files) {
  ExpectedTree tree;
  for (const CabinetInputFile& file : files) {
    ExpectedFile expected;
    expected.data = file.data;
    std::tm tm = {};
    tm.tm_year = 80 + (file.dosDate >> 9);
    tm.tm_mon = ((file.dosDate >> 5) & 0x0F) - 1;
    tm.tm_mday = file.dosDate & 0x1F;
    tm.tm_hour = file.dosTime >> 11;
    tm.tm_min = (file.dosTime >> 5) & 0x3F;
    tm.tm_sec = (file.dosTime & 0x1F) * 2;
    expected.mtime = timegm(&tm);
    expected.readOnly = (file.attributes & kCabAttributeReadOnly) != 0;
    tree[Slashes(file.name)] = expected;
  }
  return tree;
}

fs::path WorkFolder(const std::string& name) {
  return FreshFolder(fs::path(VORLAX_DIFFERENTIAL_WORK) / name);
}

// Every regular file under folder, by relative path.
ExpectedTree ReadTree(const fs::path& folder) {
  ExpectedTree tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    struct stat info;
    EXPECT_EQ(::stat(entry.path().c_str(), &info), 0);
    ExpectedFile file;
    file.data = ReadBytes(entry.path());
    file.mtime = info.st_mtime;
    file.readOnly = (info.st_mode & S_IWUSR) == 0;
    tree[entry.path().lexically_relative(folder).string()] = file;
  }
  return tree;
}

void ExpectSameTree(const ExpectedTree& expected, const ExpectedTree& actual, const std::string& who) {
  SCOPED_TRACE(who);
  std::vector<std::string> expectedNames, actualNames;
  for (const auto& file : expected) expectedNames.push_back(file.first);
  for (const auto& file : actual) actualNames.push_back(file.first);
  ASSERT_EQ(actualNames, expectedNames);
  for (const auto& file : expected) {
    const ExpectedFile& got = actual.at(file.first);
    EXPECT_TRUE(got.data == file.second.data) << file.first << ": " << got.data.size() << " bytes";
    EXPECT_EQ(got.mtime, file.second.mtime) << file.first;
    EXPECT_EQ(got.readOnly, file.second.readOnly) << file.first;
  }
}

// Extracts cabinet (the first of its set) with each of the three tools and compares each result.
void ExpectEveryExtractorGives(const fs::path& cabinet, const ExpectedTree& expected, const fs::path& work) {
  struct Extractor {
    const char* name;
    std::string command;
  };
  std::vector<Extractor> extractors = {
      // From inside its folder, so that a 255-character name stays within the path limit.
      {"vorlax", "mkdir -p " + Quoted(work / "vorlax") + " && cd " + Quoted(work / "vorlax") + " && " +
                     VORLAX_TOOL + " extract " + Quoted(cabinet) + " ."},
      {"cabextract", std::string(VORLAX_CABEXTRACT) + " -q -d " + Quoted(work / "cabextract") + " " + Quoted(cabinet)},
      {"7zz", std::string(VORLAX_7ZZ) + " x -y -o" + Quoted(work / "7zz") + " " + Quoted(cabinet)},
  };
  for (const Extractor& extractor : extractors) {
    ASSERT_EQ(RunQuietly(extractor.command), 0) << extractor.command;
    ExpectSameTree(expected, ReadTree(work / extractor.name), extractor.name);
  }
}

std::vector<CabinetPart> WriteWithOurWriter(const std::vector<CabinetInputFile>& files,
                                            const CabinetWriterOptions& options, const fs::path& folder) {
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  for (const CabinetPart& part : parts) WriteBytes(folder / part.name, part.bytes);
  return parts;
}

// A method by its `--compress` name: "none", "mszip", "lzx:21", "quantum:10", ...
CompressionChoice Method(const char* name) {
  CompressionChoice choice;
  std::string error;
  EXPECT_TRUE(ParseCompressionChoice(name, &choice, &error)) << error;
  return choice;
}

struct WriterCase {
  const char* label;
  std::vector<CompressionChoice> folders;
  bool spreadOverFolders;  // file i goes to folder i % folders
  bool reverseListing;
  uint16_t headerReserve;
  uint8_t folderReserve, dataReserve;
};

void PrintTo(const WriterCase& c, std::ostream* out) { *out << c.label; }

class OurWriter : public ::testing::TestWithParam<WriterCase> {};

TEST_P(OurWriter, EveryExtractorGivesTheFilesBack) {
  const WriterCase& c = GetParam();
  std::vector<CabinetInputFile> files = ProductFiles();
  CabinetWriterOptions options;
  options.folders = c.folders;
  options.headerReserve = c.headerReserve;
  options.folderReserve = c.folderReserve;
  options.dataReserve = c.dataReserve;
  options.cabinetName = "product.cab";
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (c.spreadOverFolders) files[i].folder = static_cast<uint16_t>(i % c.folders.size());
    if (c.reverseListing) options.listOrder.push_back(files.size() - 1 - i);
  }
  fs::path work = WorkFolder(std::string("writer_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  WriteWithOurWriter(files, options, work);
  ExpectEveryExtractorGives(work / "product.cab", Expected(files), work);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, OurWriter,
    ::testing::Values(WriterCase{"stored", {Method("none")}, false, false, 0, 0, 0},
                      WriterCase{"mszip", {Method("mszip")}, false, false, 0, 0, 0},
                      WriterCase{"folders", {Method("none"), Method("mszip"), Method("mszip")}, true, false,
                                 0, 0, 0},
                      WriterCase{"outoforder", {Method("mszip"), Method("none")}, true, true, 0, 0, 0},
                      WriterCase{"reserve", {Method("mszip"), Method("none")}, true, false, 100, 10, 20},
                      WriterCase{"lzx", {Method("lzx:15"), Method("lzx:21")}, true, false, 0, 0, 0},
                      WriterCase{"quantum", {Method("quantum:10"), Method("quantum:21")}, true, false,
                                 0, 0, 0},
                      WriterCase{"allmethods",
                                 {Method("none"), Method("mszip"), Method("lzx:18"), Method("quantum:16")},
                                 true, true, 0, 0, 0}),
    [](const ::testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.label); });

// A set of three or more cabinets of 64 KiB for each method; the incompressible file spans at
// least three.
TEST(OurWriterSet, EveryExtractorFollowsTheSet) {
  for (const char* method : {"none", "mszip", "lzx:21", "quantum:21"}) {
    SCOPED_TRACE(method);
    std::vector<CabinetInputFile> files = ProductFiles();
    CabinetWriterOptions options;
    options.folders = {Method(method)};
    options.splitSize = 64 * 1024;
    options.setId = 4242;
    options.cabinetName = "disk.cab";
    std::string folder = std::string("set_") + method;
    std::replace(folder.begin(), folder.end(), ':', '_');
    fs::path work = WorkFolder(folder);
    std::vector<CabinetPart> parts = WriteWithOurWriter(files, options, work);
    ASSERT_GE(parts.size(), 3u);
    bool spansThree = false;
    for (const CabinetPart& part : parts) {
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(part.bytes.data());
      uint32_t firstEntry = ReadLe32(bytes + kCabHeaderFilesOffset);
      if (ReadLe16(bytes + firstEntry + kCabFileFolderIndex) == kCabFolderContinuedBoth) spansThree = true;
    }
    EXPECT_TRUE(spansThree);
    ExpectEveryExtractorGives(work / "disk.cab", Expected(files), work);
  }
}

// True when some cabinet of the set holds nothing but a piece of one block: a middle cabinet
// whose one folder has one block saying 0 uncompressed bytes.
bool HasMiddlePiece(const std::vector<CabinetPart>& parts) {
  for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(parts[i].bytes.data());
    uint16_t folders = ReadLe16(bytes + kCabHeaderFolderCount);
    // Without reserve areas our writer puts the folder table right before the file list.
    const uint8_t* folder = bytes + ReadLe32(bytes + kCabHeaderFilesOffset) - folders * kCabFolderEntrySize;
    uint32_t block = ReadLe32(folder + kCabFolderFirstBlock);
    if (folders == 1 && ReadLe16(folder + kCabFolderBlockCount) == 1 &&
        ReadLe16(bytes + block + kCabBlockUncompressedSize) == 0) {
      return true;
    }
  }
  return false;
}

// Cabinets so small that one block is cut over three or more of them (the product's files cut
// to 30,000 bytes at most, so that the sets stay a few dozen cabinets long).
TEST(OurWriterSet, EveryExtractorJoinsABlockCutOverSeveralCabinets) {
  constexpr std::size_t kLargestFile = 30000;
  for (const char* method : {"none", "mszip", "lzx:16", "quantum:16"}) {
    SCOPED_TRACE(method);
    std::vector<CabinetInputFile> files = ProductFiles();
    for (CabinetInputFile& file : files) file.data.resize(std::min(file.data.size(), kLargestFile));
    CabinetWriterOptions options;
    options.folders = {Method(method)};
    options.splitSize = 5000;
    options.setId = 77;
    options.cabinetName = "small.cab";
    std::string folder = std::string("pieces_") + method;
    std::replace(folder.begin(), folder.end(), ':', '_');
    fs::path work = WorkFolder(folder);
    std::vector<CabinetPart> parts = WriteWithOurWriter(files, options, work);
    EXPECT_TRUE(HasMiddlePiece(parts));
    ExpectEveryExtractorGives(work / "small.cab", Expected(files), work);
  }
}

// gcab's cabinets, with and without compression, from files on disk with set times.
TEST(Gcab, EveryExtractorGivesTheFilesBack) {
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress);
    fs::path work = WorkFolder(compress ? "gcab_mszip" : "gcab_stored");
    std::vector<CabinetInputFile> files = ProductFiles();
    ExpectedTree expected;
    std::string names;
    for (const CabinetInputFile& file : files) {
      std::string relative = Slashes(file.name);
      fs::path path = work / "source" / relative;
      WriteBytes(path, file.data);
      ExpectedFile entry = Expected({file}).begin()->second;
      struct timespec times[2] = {{entry.mtime, 0}, {entry.mtime, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
      entry.readOnly = false;  // gcab stores no read-only attribute
      expected[relative] = entry;
      names += " " + Quoted(relative);
    }
    std::string command = "cd " + Quoted(work / "source") + " && " + VORLAX_GCAB + " -c " +
                          (compress ? "-z " : "") + Quoted(work / "gcab.cab") + names;
    ASSERT_EQ(RunQuietly(command), 0) << command;
    ExpectEveryExtractorGives(work / "gcab.cab", expected, work);
  }
}

}  // namespace
}  // namespace vorlax
