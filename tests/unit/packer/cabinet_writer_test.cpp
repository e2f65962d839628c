// Tests of the cabinet writer, read back with an independent parser written here from the format
// (not with the cabinet reader) and with zlib's inflate for the MSZIP blocks: header fields,
// tables, reserve areas, block checksums, MSZIP blocks with their history, cabinet sets, and the
// inputs the format cannot represent.
#include "packer/cabinet_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/cabinet_checksum.h"
#include "cabinet/cabinet_format.h"
#include "packer/folder_encoder.h"

namespace vorlax {
namespace {

struct ParsedBlock {
  uint32_t checksum;
  uint32_t checksumOfContents;
  uint16_t uncompressed;
  std::string bytes;
};
struct ParsedFolder {
  uint32_t firstBlock;
  uint16_t blockCount;
  uint16_t compression;
  std::vector<ParsedBlock> blocks;
};
struct ParsedEntry {
  uint32_t size;
  uint32_t offset;
  uint16_t folderIndex;
  uint16_t date, time, attributes;
  std::string name;
};
struct ParsedCabinet {
  uint32_t cabinetSize;
  uint16_t flags, setId, index;
  uint16_t headerReserve = 0;
  uint8_t folderReserve = 0, dataReserve = 0;
  std::string previousName, previousDisk, nextName, nextDisk;
  std::vector<ParsedFolder> folders;
  std::vector<ParsedEntry> entries;
};

const uint8_t* Bytes(const std::string& s, std::size_t at) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

std::string CString(const std::string& s, std::size_t* at) {
  std::string text(s.c_str() + *at);
  *at += text.size() + 1;
  return text;
}

ParsedCabinet Parse(const std::string& c) {
  ParsedCabinet p;
  EXPECT_EQ(c.compare(0, 4, "MSCF"), 0);
  EXPECT_EQ(ReadLe16(Bytes(c, kCabHeaderVersion)), 0x0103);
  p.cabinetSize = ReadLe32(Bytes(c, kCabHeaderCabinetSize));
  p.flags = ReadLe16(Bytes(c, kCabHeaderFlags));
  p.setId = ReadLe16(Bytes(c, kCabHeaderSetId));
  p.index = ReadLe16(Bytes(c, kCabHeaderCabinetIndex));
  std::size_t at = kCabHeaderSize;
  if (p.flags & kCabFlagReservePresent) {
    p.headerReserve = ReadLe16(Bytes(c, at));
    p.folderReserve = static_cast<uint8_t>(c[at + 2]);
    p.dataReserve = static_cast<uint8_t>(c[at + 3]);
    at += 4 + p.headerReserve;
  }
  if (p.flags & kCabFlagPreviousCabinet) {
    p.previousName = CString(c, &at);
    p.previousDisk = CString(c, &at);
  }
  if (p.flags & kCabFlagNextCabinet) {
    p.nextName = CString(c, &at);
    p.nextDisk = CString(c, &at);
  }
  uint16_t folderCount = ReadLe16(Bytes(c, kCabHeaderFolderCount));
  for (uint16_t f = 0; f < folderCount; ++f, at += 8 + p.folderReserve) {
    p.folders.push_back({ReadLe32(Bytes(c, at)), ReadLe16(Bytes(c, at + 4)), ReadLe16(Bytes(c, at + 6)), {}});
  }
  at = ReadLe32(Bytes(c, kCabHeaderFilesOffset));
  uint16_t fileCount = ReadLe16(Bytes(c, kCabHeaderFileCount));
  for (uint16_t i = 0; i < fileCount; ++i) {
    ParsedEntry e{ReadLe32(Bytes(c, at)), ReadLe32(Bytes(c, at + 4)), ReadLe16(Bytes(c, at + 8)),
                  ReadLe16(Bytes(c, at + 10)), ReadLe16(Bytes(c, at + 12)), ReadLe16(Bytes(c, at + 14)), ""};
    at += 16;
    e.name = CString(c, &at);
    p.entries.push_back(e);
  }
  uint32_t headerSize = 8 + p.dataReserve;
  for (ParsedFolder& folder : p.folders) {
    std::size_t block = folder.firstBlock;
    for (uint16_t b = 0; b < folder.blockCount; ++b) {
      uint16_t count = ReadLe16(Bytes(c, block + 4));
      ParsedBlock parsed{ReadLe32(Bytes(c, block)),
                         CabinetBlockChecksum(Bytes(c, block), headerSize, Bytes(c, block + headerSize), count),
                         ReadLe16(Bytes(c, block + 6)), c.substr(block + headerSize, count)};
      folder.blocks.push_back(parsed);
      block += headerSize + count;
    }
  }
  return p;
}

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

std::string Prose(std::size_t size) {
  std::string data;
  for (unsigned i = 0; data.size() < size; ++i) data += "line " + std::to_string(i % 97) + " of the readme\n";
  data.resize(size);
  return data;
}

CompressionChoice Choice(uint16_t kind) {
  CompressionChoice choice;
  choice.kind = kind;
  return choice;
}

CabinetInputFile File(const std::string& name, std::string data, uint16_t folder = 0) {
  CabinetInputFile file;
  file.name = name;
  file.data = std::move(data);
  file.folder = folder;
  return file;
}

std::vector<CabinetPart> WriteOk(const std::vector<CabinetInputFile>& files, const CabinetWriterOptions& options) {
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  return parts;
}

// The uncompressed data of one MSZIP folder, inflated block by block with zlib, each block primed
// with the previous block's output.
std::string InflateMszipFolder(const ParsedFolder& folder) {
  std::string all, previous;
  for (const ParsedBlock& block : folder.blocks) {
    EXPECT_EQ(block.bytes.compare(0, 2, "CK"), 0);
    EXPECT_LE(block.bytes.size(), 32768u + 12u);
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    if (!previous.empty()) {
      EXPECT_EQ(inflateSetDictionary(&z, reinterpret_cast<const Bytef*>(previous.data()),
                                     static_cast<uInt>(previous.size())), Z_OK);
    }
    std::string out(block.uncompressed, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.bytes.data() + 2));
    z.avail_in = static_cast<uInt>(block.bytes.size() - 2);
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_out, 0u);
    inflateEnd(&z);
    all += out;
    previous = out;
  }
  return all;
}

TEST(CabinetWriter, HeaderAndTablesDescribeTheFiles) {
  CabinetWriterOptions options;
  options.folders = {Choice(0), Choice(1)};
  options.setId = 0x1234;
  std::vector<CabinetInputFile> files = {File("a\\one.txt", "one", 0), File("two.bin", Noise(40000, 1), 1),
                                         File("three", "3", 0)};
  files[1].dosDate = 0x5A21;
  files[1].dosTime = 0x7BCD;
  files[1].attributes = 0x21;
  std::vector<CabinetPart> parts = WriteOk(files, options);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].name, "cabinet.cab");
  ParsedCabinet p = Parse(parts[0].bytes);
  EXPECT_EQ(p.cabinetSize, parts[0].bytes.size());
  EXPECT_EQ(p.flags, 0);
  EXPECT_EQ(p.setId, 0x1234);
  ASSERT_EQ(p.folders.size(), 2u);
  EXPECT_EQ(p.folders[0].compression, 0);
  EXPECT_EQ(p.folders[1].compression, 1);
  EXPECT_EQ(p.folders[1].blockCount, 2);
  ASSERT_EQ(p.entries.size(), 3u);
  // Listed as given; data laid out folder by folder.
  EXPECT_EQ(p.entries[0].name, "a\\one.txt");
  EXPECT_EQ(p.entries[1].name, "two.bin");
  EXPECT_EQ(p.entries[1].folderIndex, 1);
  EXPECT_EQ(p.entries[1].date, 0x5A21);
  EXPECT_EQ(p.entries[1].time, 0x7BCD);
  EXPECT_EQ(p.entries[1].attributes, 0x21);
  EXPECT_EQ(p.entries[2].offset, 3u);
  EXPECT_EQ(p.folders[0].blocks[0].bytes, "one3");
  EXPECT_EQ(InflateMszipFolder(p.folders[1]), files[1].data);
}

TEST(CabinetWriter, EveryBlockCarriesItsChecksumUnlessTurnedOff) {
  for (bool checksums : {true, false}) {
    SCOPED_TRACE(checksums);
    CabinetWriterOptions options;
    options.checksums = checksums;
    options.dataReserve = 3;
    ParsedCabinet p = Parse(WriteOk({File("x", Prose(100000))}, options)[0].bytes);
    ASSERT_EQ(p.folders.size(), 1u);
    for (const ParsedBlock& block : p.folders[0].blocks) {
      EXPECT_EQ(block.checksum, checksums ? block.checksumOfContents : 0u);
    }
  }
}

TEST(CabinetWriter, MszipBlocksAreDeflateStreamsWithThePreviousBlockAsHistory) {
  // Repeats 40 KiB apart reach back into the previous block; noise exercises the size limit.
  std::string repeated = Noise(20000, 9);
  std::string data = repeated + Prose(20000) + repeated + Noise(70000, 10) + Prose(1);
  ParsedCabinet p = Parse(WriteOk({File("m", data)}, CabinetWriterOptions())[0].bytes);
  ASSERT_EQ(p.folders.size(), 1u);
  EXPECT_EQ(p.folders[0].blocks.size(), (data.size() + 32767) / 32768);
  EXPECT_EQ(InflateMszipFolder(p.folders[0]), data);
}

TEST(CabinetWriter, ReserveAreasAreDeclaredAndLaidOut) {
  CabinetWriterOptions options;
  options.folders = {Choice(0), Choice(0)};
  options.headerReserve = 300;
  options.folderReserve = 7;
  options.dataReserve = 11;
  std::vector<CabinetInputFile> files = {File("a", "alpha", 0), File("b", "beta", 1)};
  ParsedCabinet p = Parse(WriteOk(files, options)[0].bytes);
  EXPECT_TRUE(p.flags & kCabFlagReservePresent);
  EXPECT_EQ(p.headerReserve, 300);
  EXPECT_EQ(p.folderReserve, 7);
  EXPECT_EQ(p.dataReserve, 11);
  ASSERT_EQ(p.folders.size(), 2u);
  EXPECT_EQ(p.folders[0].blocks[0].bytes, "alpha");
  EXPECT_EQ(p.folders[1].blocks[0].bytes, "beta");
  EXPECT_EQ(p.folders[1].blocks[0].checksum, p.folders[1].blocks[0].checksumOfContents);
}

TEST(CabinetWriter, SetPartsStayWithinTheSplitSizeAndChainTheirNames) {
  CabinetWriterOptions options;
  options.folders = {Choice(0)};
  options.splitSize = 70000;
  options.setId = 99;
  options.cabinetName = "game.cab";
  std::vector<CabinetInputFile> files = {File("small", Noise(1000, 1)), File("huge", Noise(200000, 2)),
                                         File("after", Noise(5000, 3))};
  std::vector<CabinetPart> parts = WriteOk(files, options);
  ASSERT_EQ(parts.size(), 3u);
  std::vector<std::vector<uint16_t>> expectedIndices = {
      {0, kCabFolderContinuedToNext}, {kCabFolderContinuedBoth}, {kCabFolderContinuedFromPrevious, 1}};
  std::string huge;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_LE(parts[i].bytes.size(), options.splitSize);
    EXPECT_EQ(parts[i].name, CabinetPartName("game.cab", i));
    ParsedCabinet p = Parse(parts[i].bytes);
    EXPECT_EQ(p.setId, 99);
    EXPECT_EQ(p.index, i);
    EXPECT_EQ((p.flags & kCabFlagPreviousCabinet) != 0, i > 0);
    EXPECT_EQ((p.flags & kCabFlagNextCabinet) != 0, i + 1 < parts.size());
    if (i > 0) {
      EXPECT_EQ(p.previousName, parts[i - 1].name);
    }
    if (i > 0) {
      EXPECT_EQ(p.previousDisk, "Disk " + std::to_string(i));
    }
    if (i + 1 < parts.size()) {
      EXPECT_EQ(p.nextName, parts[i + 1].name);
    }
    std::vector<uint16_t> indices;
    for (const ParsedEntry& e : p.entries) indices.push_back(e.folderIndex);
    EXPECT_EQ(indices, expectedIndices[i]);
    // Each part's first block of the continued folder completes a block split at the end of the
    // previous part, whose last block says 0 uncompressed bytes.
    if (i + 1 < parts.size()) {
      EXPECT_EQ(p.folders.back().blocks.back().uncompressed, 0);
    }
    for (const ParsedFolder& folder : p.folders) {
      for (const ParsedBlock& block : folder.blocks) {
        EXPECT_EQ(block.checksum, block.checksumOfContents);
        if (&folder == &p.folders.front() || i == 0) huge += block.bytes;
      }
    }
  }
  EXPECT_EQ(huge.substr(1000, 200000), files[1].data);
}

TEST(CabinetWriter, PartNamesInsertTheirNumberBeforeTheExtension) {
  EXPECT_EQ(CabinetPartName("data.cab", 0), "data.cab");
  EXPECT_EQ(CabinetPartName("data.cab", 1), "data2.cab");
  EXPECT_EQ(CabinetPartName("data.cab", 11), "data12.cab");
  EXPECT_EQ(CabinetPartName("data", 2), "data3");
  EXPECT_EQ(CabinetPartName("my.data.cab", 1), "my.data2.cab");
}

TEST(CabinetWriter, RefusesWhatTheFormatCannotHold) {
  struct Refusal {
    const char* label;
    std::vector<CabinetInputFile> files;
    CabinetWriterOptions options;
    std::string error;
  };
  CabinetWriterOptions split;
  split.splitSize = kMinSplitSize - 1;
  CabinetWriterOptions order;
  order.listOrder = {0, 0};
  CabinetWriterOptions unknown;
  unknown.folders = {Choice(9)};
  CabinetWriterOptions setOrder;
  setOrder.splitSize = kMinSplitSize;
  setOrder.listOrder = {0};
  std::vector<Refusal> refusals = {
      {"name of 256 characters", {File(std::string(256, 'n'), "x")}, CabinetWriterOptions(),
       "file name must have 1 to 255 characters: '" + std::string(256, 'n') + "'"},
      {"empty name", {File("", "x")}, CabinetWriterOptions(), "file name must have 1 to 255 characters: ''"},
      {"folder without entry", {File("f", "x", 1)}, CabinetWriterOptions(), "no folder 1 for 'f'"},
      {"split size too small", {File("f", "x")}, split, "split size must be at least 4096 bytes"},
      {"list order not a permutation", {File("f", "x"), File("g", "y")}, order,
       "list order is not a permutation of the files"},
      {"unknown compression", {File("f", "x")}, unknown, "no encoder for compression type 9"},
      {"set with a list order", {File("f", "x")}, setOrder, "a cabinet set lists files in folder order"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.label);
    std::vector<CabinetPart> parts;
    std::string error;
    EXPECT_FALSE(WriteCabinets(refusal.files, refusal.options, &parts, &error));
    EXPECT_EQ(error, refusal.error);
  }
}

TEST(CompressionChoice, ParsesEveryMethodAndLevelAndRefusesWindowsOutOfRange) {
  struct Case {
    const char* text;
    bool ok;
    uint16_t type;
  };
  const std::vector<Case> cases = {
      {"none", true, 0x0000},     {"mszip", true, 0x0001},     {"lzx:15", true, 0x0F03},
      {"lzx:21", true, 0x1503},   {"quantum:10", true, 0x0A02}, {"quantum:21", true, 0x1502},
      {"lzx:14", false, 0},       {"lzx:22", false, 0},         {"quantum:9", false, 0},
      {"lzx:", false, 0},         {"lzx:1x", false, 0},         {"zip", false, 0},
      {"MSZIP", false, 0},        {"lzx:21:fast", true, 0x1503}, {"lzx:15:best", true, 0x0F03},
      {"lzx:21:", false, 0},      {"lzx:21:quick", false, 0},   {"lzx::best", false, 0},
      {"lzx:22:best", false, 0},  {"lzx:21:best:fast", false, 0}, {"quantum:21:best", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CompressionChoice choice;
    std::string error;
    EXPECT_EQ(ParseCompressionChoice(c.text, &choice, &error), c.ok);
    if (c.ok) {
      EXPECT_EQ(choice.CompressionType(), c.type);
      const std::string text = c.text;
      const CompressionEffort effort = text.find(":fast") != std::string::npos   ? CompressionEffort::kFast
                                       : text.find(":best") != std::string::npos ? CompressionEffort::kSmallest
                                                                                 : CompressionEffort::kNormal;
      EXPECT_EQ(choice.effort, effort);
    } else {
      EXPECT_NE(error.find(c.text), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace vorlax
