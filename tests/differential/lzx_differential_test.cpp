// LZX differential tests: cabinets with LZX folders, made by our cabinet writer (every window
// size, with and without call translation, data that makes the encoder choose each block kind)
// and by `vorlax cab --compress lzx:N`, plus cabinets assembled here around frames that our
// encoder cuts into unusual blocks (odd uncompressed blocks inside frames and at frame ends,
// blocks running over several frames, blocks of whole frames chosen by cost). Each is extracted by `vorlax extract`, by cabextract and by
// 7zz, and every extractor must give back exactly the bytes that went in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/lzx_format.h"
#include "cabinet/lzx_test_data.h"
#include "packer/cabinet_writer.h"
#include "packer/lzx_encoder.h"
#include "tests/differential/differential_files.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;
using namespace lzx_test;
using namespace differential;

fs::path WorkFolder(const std::string& name) { return FreshFolder(fs::path(VORLAX_LZX_WORK) / name); }

struct NamedData {
  std::string name;
  std::string data;
};

// Data of every kind: verbatim (text, calls), uncompressed (random) and aligned-offset (records)
// blocks, with odd sizes so that the folder's last frame is short.
std::vector<NamedData> ProductData(uint32_t seed) {
  return {{"text.txt", Text(150001, seed)},
          {"random.bin", RandomBytes(70001, seed)},
          {"records.bin", Records(100003, seed)},
          {"calls.bin", CallsAndText(90007, seed)}};
}

struct WriterCase {
  uint16_t windowBits;
  bool calls;
  CompressionEffort effort;
};

const char* EffortName(CompressionEffort effort) {
  return effort == CompressionEffort::kFast ? "_fast" : effort == CompressionEffort::kSmallest ? "_best" : "";
}

class LzxOurWriter : public ::testing::TestWithParam<WriterCase> {};

TEST_P(LzxOurWriter, EveryExtractorGivesTheFilesBack) {
  const WriterCase& c = GetParam();
  const std::vector<NamedData> data = ProductData(c.windowBits);
  std::vector<CabinetInputFile> files;
  for (const NamedData& d : data) {
    CabinetInputFile file;
    file.name = d.name;
    file.data = d.data;
    files.push_back(file);
  }
  CabinetWriterOptions options;
  CompressionChoice choice;
  choice.kind = kDecoderLzx;
  choice.windowBits = c.windowBits;
  choice.callTranslation = c.calls;
  choice.effort = c.effort;
  options.folders = {choice};
  options.cabinetName = "lzx.cab";
  std::vector<CabinetPart> parts;
  std::string error;
  ASSERT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  ASSERT_EQ(parts.size(), 1u);
  fs::path work = WorkFolder("writer_w" + std::to_string(c.windowBits) + (c.calls ? "_calls" : "") +
                             EffortName(c.effort));
  WriteBytes(work / "lzx.cab", parts[0].bytes);
  ExpectEveryExtractorGives(work / "lzx.cab", data, work);
}

std::vector<WriterCase> EveryWindowWithAndWithoutCalls() {
  std::vector<WriterCase> cases;
  for (uint16_t bits = kLzxMinWindowBits; bits <= kLzxMaxWindowBits; ++bits) {
    cases.push_back({bits, false, CompressionEffort::kNormal});
    cases.push_back({bits, true, CompressionEffort::kNormal});
  }
  // The other levels in the smallest and largest windows.
  for (CompressionEffort effort : {CompressionEffort::kFast, CompressionEffort::kSmallest}) {
    cases.push_back({kLzxMinWindowBits, false, effort});
    cases.push_back({kLzxMaxWindowBits, true, effort});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Windows, LzxOurWriter, ::testing::ValuesIn(EveryWindowWithAndWithoutCalls()),
                         [](const ::testing::TestParamInfo<WriterCase>& info) {
                           return "w" + std::to_string(info.param.windowBits) + (info.param.calls ? "_calls" : "") +
                                  EffortName(info.param.effort);
                         });

TEST(LzxTool, CabCommandWithLzxCompressionExtractsEverywhere) {
  fs::path work = WorkFolder("tool");
  const std::vector<NamedData> data = ProductData(99);
  for (const NamedData& d : data) WriteBytes(work / "source" / d.name, d.data);
  for (const char* method : {"lzx:19", "lzx:19:best"}) {
    SCOPED_TRACE(method);
    const std::string command = "cd " + Quoted(work / "source") + " && " + VORLAX_TOOL + " cab " +
                                Quoted(work / "tool.cab") + " --compress " + method +
                                " text.txt random.bin records.bin calls.bin";
    ASSERT_EQ(RunQuietly(command), 0) << command;
    // The folder entry says LZX with window 19, whatever the level.
    const std::string cab = ReadBytes(work / "tool.cab");
    ASSERT_GT(cab.size(), 44u);
    EXPECT_EQ(ReadLe16(reinterpret_cast<const uint8_t*>(cab.data()) + 36 + 6), 0x1303);
    ExpectEveryExtractorGives(work / "tool.cab", data, work);
  }
}

// A one-file, one-folder cabinet around frames made here, so that the encoder's test options
// (forced block kinds, block sizes) reach the other extractors. Checksums are 0 (not checked).
std::string AssembleCabinet(const std::string& name, uint32_t fileSize, uint16_t compressionType,
                            const Frames& frames) {
  constexpr uint32_t kHeaderSize = 36, kFolderSize = 8, kFileFixed = 16, kBlockHeader = 8;
  const uint32_t filesOffset = kHeaderSize + kFolderSize;
  const uint32_t dataOffset = filesOffset + kFileFixed + static_cast<uint32_t>(name.size()) + 1;
  std::string cab(dataOffset, '\0');
  uint8_t* p = reinterpret_cast<uint8_t*>(&cab[0]);
  std::memcpy(p, "MSCF", 4);
  WriteLe32(p + 16, filesOffset);
  p[24] = 3;  // version 1.3
  p[25] = 1;
  WriteLe16(p + 26, 1);
  WriteLe16(p + 28, 1);
  WriteLe32(p + kHeaderSize, dataOffset);
  WriteLe16(p + kHeaderSize + 4, static_cast<uint16_t>(frames.compressed.size()));
  WriteLe16(p + kHeaderSize + 6, compressionType);
  uint8_t* f = p + filesOffset;
  WriteLe32(f, fileSize);
  WriteLe16(f + 10, kDefaultDosDate);
  WriteLe16(f + 12, kDefaultDosTime);
  WriteLe16(f + 14, 0x20);
  std::memcpy(f + kFileFixed, name.c_str(), name.size() + 1);
  for (std::size_t i = 0; i < frames.compressed.size(); ++i) {
    uint8_t header[kBlockHeader] = {};
    WriteLe16(header + 4, static_cast<uint16_t>(frames.compressed[i].size()));
    WriteLe16(header + 6, static_cast<uint16_t>(frames.sizes[i]));
    cab.append(reinterpret_cast<const char*>(header), kBlockHeader);
    cab += frames.compressed[i];
  }
  WriteLe32(reinterpret_cast<uint8_t*>(&cab[8]), static_cast<uint32_t>(cab.size()));
  return cab;
}

// Recorded peer defect of 7zz (26.02): a match reaching back the farthest distance the format
// allows, the window size less 3 (the last position slot's top), is decoded wrongly by 7zz when
// its length is 9 to 15 bytes (and other lengths that are not a multiple of 8): a byte of the
// match comes out as one the match itself has just written, as if the copy ran ahead of its
// source, which lies 3 bytes ahead of the destination in the circular window. The stream is
// valid by the format's rules; vorlax and cabextract give the original. Our encoder keeps
// distance + length within the window so that its cabinets avoid the defect; the reproduction
// lifts that rule (fitWindowRing = false). The data: random letters (so that the block is coded,
// not stored) with a 12-byte stretch repeated exactly that far back.
// Should 7zz one day agree, this record is out of date and the test says so.
std::string FarthestMatchData(uint32_t windowBits, std::size_t* matchAt) {
  constexpr std::size_t kMatchLength = 12;
  const uint32_t farthest = (1u << windowBits) - 3;
  Random r(windowBits);
  std::string data((std::size_t{1} << windowBits) + 4000, '\0');
  for (char& c : data) c = static_cast<char>('a' + r.Next() % 26);
  *matchAt = data.size() - 3000;
  for (std::size_t k = 0; k < kMatchLength; ++k) data[*matchAt + k] = data[*matchAt - farthest + k];
  return data;
}

TEST(LzxPeerDefect, SevenZipMisdecodesAMatchAtTheFarthestDistance) {
  for (uint32_t windowBits : {15u, 16u}) {
    SCOPED_TRACE(windowBits);
    std::size_t matchAt = 0;
    const std::string data = FarthestMatchData(windowBits, &matchAt);
    fs::path work = WorkFolder("farthest_w" + std::to_string(windowBits));
    LzxEncoderOptions options;
    options.windowBits = windowBits;
    options.fitWindowRing = false;
    WriteBytes(work / "far.cab", AssembleCabinet("far.txt", static_cast<uint32_t>(data.size()),
                                                 static_cast<uint16_t>(kDecoderLzx | (windowBits << 8)),
                                                 Encode(data, options)));
    const struct {
      const char* name;
      std::string command;
    } right[] = {
        {"vorlax", std::string(VORLAX_TOOL) + " extract " + Quoted(work / "far.cab") + " " + Quoted(work / "vorlax")},
        {"cabextract", std::string(VORLAX_CABEXTRACT) + " -q -d " + Quoted(work / "cabextract") + " " + Quoted(work / "far.cab")},
    };
    for (const auto& extractor : right) {
      ASSERT_EQ(RunQuietly(extractor.command), 0) << extractor.command;
      EXPECT_TRUE(ReadBytes(work / extractor.name / "far.txt") == data) << extractor.name;
    }
    const std::string sevenZip = std::string(VORLAX_7ZZ) + " x -y -o" + Quoted(work / "7zz") + " " + Quoted(work / "far.cab");
    ASSERT_EQ(RunQuietly(sevenZip), 0) << "7zz reports no error for this stream";
    const std::string got = ReadBytes(work / "7zz" / "far.txt");
    ASSERT_EQ(got.size(), data.size());
    const std::size_t firstDifference =
        std::mismatch(data.begin(), data.end(), got.begin()).first - data.begin();
    EXPECT_GE(firstDifference, matchAt) << "7zz differs before the farthest match";
    EXPECT_LT(firstDifference, matchAt + 12) << "7zz now decodes the farthest match: the recorded defect is gone";
  }
}

// The same data through `vorlax cab`: the encoder's own rule keeps the match inside the window
// ring, and every extractor, 7zz included, gives the file back.
TEST(LzxPeerDefect, OurCabinetsOfThatDataReadEverywhere) {
  for (uint32_t windowBits : {15u, 16u}) {
    SCOPED_TRACE(windowBits);
    std::size_t matchAt = 0;
    const std::string data = FarthestMatchData(windowBits, &matchAt);
    fs::path work = WorkFolder("farthest_tool_w" + std::to_string(windowBits));
    WriteBytes(work / "source" / "far.txt", data);
    const std::string command = "cd " + Quoted(work / "source") + " && " + VORLAX_TOOL + " cab " +
                                Quoted(work / "far.cab") + " --compress lzx:" + std::to_string(windowBits) + " far.txt";
    ASSERT_EQ(RunQuietly(command), 0) << command;
    ExpectEveryExtractorGives(work / "far.cab", std::vector<NamedData>{{"far.txt", data}}, work);
  }
}

struct LayoutCase {
  const char* label;
  LzxBlockType type;
  uint32_t blockSize;
  bool calls;
};

class LzxBlockLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LzxBlockLayouts, EveryExtractorGivesTheFileBack) {
  const LayoutCase& c = GetParam();
  LzxEncoderOptions options;
  options.windowBits = 16;
  options.forcedBlockType = c.type;
  options.blockSize = c.blockSize;
  options.callTranslation = c.calls;
  const std::string data = CallsAndText(3 * kLzxFrameSize + 77, c.blockSize) + Records(50001, 3);
  LzxEncoderStats stats;
  const Frames frames = Encode(data, options, kLzxFrameSize, &stats);
  EXPECT_GT(stats.blocks[c.type], 0u);
  fs::path work = WorkFolder(std::string("layout_") + c.label);
  WriteBytes(work / "layout.cab", AssembleCabinet("data.bin", static_cast<uint32_t>(data.size()),
                                                  static_cast<uint16_t>(kDecoderLzx | (16 << 8)), frames));
  ExpectEveryExtractorGives(work / "layout.cab", std::vector<NamedData>{{"data.bin", data}}, work);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, LzxBlockLayouts,
    ::testing::Values(LayoutCase{"uncompressed_odd_inside_frames", kLzxBlockUncompressed, 1001, false},
                      LayoutCase{"uncompressed_over_frames", kLzxBlockUncompressed, 40001, true},
                      LayoutCase{"uncompressed_frame_sized", kLzxBlockUncompressed, 32768, false},
                      LayoutCase{"verbatim_inside_frames", kLzxBlockVerbatim, 777, true},
                      LayoutCase{"verbatim_over_frames", kLzxBlockVerbatim, 100003, false},
                      LayoutCase{"aligned_inside_frames", kLzxBlockAligned, 5003, false},
                      LayoutCase{"aligned_over_frames", kLzxBlockAligned, 65536, true}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.label); });

// Blocks of whole frames as the encoder chooses them when it holds frames back: compressed and
// uncompressed blocks running over several frames, the folder's last frame short and odd; at
// the smallest level with length-2 matches at new distances.
TEST(LzxHeldBlocks, EveryExtractorGivesTheFileBack) {
  const std::string data = Text(4 * kLzxFrameSize, 31) + RandomBytes(3 * kLzxFrameSize, 32) +
                           NearPairs(kLzxFrameSize, 34) + Records(50001, 33);
  for (LzxLevel level : {LzxLevel::kNormal, LzxLevel::kSmallest}) {
    SCOPED_TRACE(static_cast<int>(level));
    LzxEncoderOptions options;
    options.windowBits = 16;
    options.level = level;
    options.callTranslation = level == LzxLevel::kSmallest;
    options.lookaheadFrames = LzxLookaheadFrames(level);
    LzxEncoderStats stats;
    const Frames frames = EncodeHeld(data, options, kLzxFrameSize, true, &stats);
    EXPECT_GE(stats.blocks[kLzxBlockUncompressed], 1u);
    EXPECT_LT(stats.blocks[kLzxBlockVerbatim] + stats.blocks[kLzxBlockAligned] + stats.blocks[kLzxBlockUncompressed],
              frames.compressed.size());
    EXPECT_EQ(stats.newDistancePairs != 0, level == LzxLevel::kSmallest);
    fs::path work = WorkFolder(std::string("held_") + (level == LzxLevel::kSmallest ? "best" : "normal"));
    WriteBytes(work / "held.cab", AssembleCabinet("data.bin", static_cast<uint32_t>(data.size()),
                                                  static_cast<uint16_t>(kDecoderLzx | (16 << 8)), frames));
    ExpectEveryExtractorGives(work / "held.cab", std::vector<NamedData>{{"data.bin", data}}, work);
  }
}

// An odd uncompressed block that ends exactly at the end of the folder's last frame, itself of
// odd size: the block's padding byte ends that frame's data. (A frame-end of a full 32,768-byte
// frame cannot close an odd block of one fixed size within the 16-bit byte count of a data block;
// our decoder's unit tests cover that case with short frames.)
TEST(LzxBlockLayoutsAtFrameEnd, OddUncompressedBlockEndingWithTheFolder) {
  LzxEncoderOptions options;
  options.windowBits = 15;
  options.forcedBlockType = kLzxBlockUncompressed;
  options.blockSize = kLzxFrameSize + 4095;  // ends with the folder's last, odd frame
  const std::string data = Text(kLzxFrameSize + 4095, 5);
  const Frames frames = Encode(data, options);
  ASSERT_EQ(frames.compressed.size(), 2u);
  EXPECT_EQ(frames.compressed[1].size(), 4095u + 1u);  // the bytes and the padding byte
  fs::path work = WorkFolder("layout_odd_end");
  WriteBytes(work / "odd.cab", AssembleCabinet("data.bin", static_cast<uint32_t>(data.size()),
                                               static_cast<uint16_t>(kDecoderLzx | (15 << 8)), frames));
  ExpectEveryExtractorGives(work / "odd.cab", std::vector<NamedData>{{"data.bin", data}}, work);
}

}  // namespace
}  // namespace vorlax
