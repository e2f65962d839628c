// Quantum differential tests: cabinets with Quantum folders made by our cabinet writer (several
// window sizes, data large enough to rescale every model many times, folders of different
// windows and methods side by side) and by `vorlax cab --compress quantum:N`, extracted by
// `vorlax extract`, by cabextract and by 7zz; every extractor must give back exactly the bytes
// that went in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/decoder.h"
#include "packer/cabinet_writer.h"
#include "tests/differential/differential_files.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;

using namespace differential;

fs::path WorkFolder(const std::string& name) { return FreshFolder(fs::path(VORLAX_QUANTUM_WORK) / name); }

struct NamedData {
  std::string name;
  std::string data;
  uint16_t folder = 0;
};

uint32_t NextRandom(uint32_t* state) { return *state = *state * 1103515245u + 12345u; }

// Words, far and near repeats, noise and runs: every model and match kind of the encoder.
std::string MixedText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"setup ", "copies ", "the ", "game ", "files\\", "levels ",
                                       "sound ", ".dat ", "\r\n", "version 1.0 "};
  std::string data;
  uint32_t state = seed;
  while (data.size() < size) {
    const uint32_t choice = (NextRandom(&state) >> 16) % 16;
    if (choice < 10) {
      data += kWords[(NextRandom(&state) >> 16) % 10];
    } else if (choice < 12 && data.size() > 1000) {
      const size_t from = (NextRandom(&state) >> 4) % (data.size() - 300);
      data += data.substr(from, 3 + (NextRandom(&state) >> 16) % 250);
    } else if (choice < 14) {
      for (int i = 0; i < 30; ++i) data.push_back(static_cast<char>(NextRandom(&state) >> 24));
    } else {
      data.append(1 + (NextRandom(&state) >> 16) % 400, static_cast<char>(NextRandom(&state) >> 24));
    }
  }
  data.resize(size);
  return data;
}

std::string Noise(size_t size, uint32_t seed) {
  std::string data(size, '\0');
  uint32_t state = seed;
  for (char& c : data) c = static_cast<char>(NextRandom(&state) >> 24);
  return data;
}

CompressionChoice Quantum(uint16_t windowBits) {
  CompressionChoice choice;
  choice.kind = kDecoderQuantum;
  choice.windowBits = windowBits;
  return choice;
}

fs::path WriteCabinet(const std::vector<NamedData>& data, const std::vector<CompressionChoice>& folders,
                      const std::string& workName, uint64_t splitSize = 0) {
  std::vector<CabinetInputFile> files;
  for (const NamedData& d : data) {
    CabinetInputFile file;
    file.name = d.name;
    file.data = d.data;
    file.folder = d.folder;
    files.push_back(file);
  }
  CabinetWriterOptions options;
  options.folders = folders;
  options.cabinetName = "quantum.cab";
  options.splitSize = splitSize;
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
  const fs::path work = WorkFolder(workName);
  for (const CabinetPart& part : parts) WriteBytes(work / part.name, part.bytes);
  return work;
}

class QuantumOurWriter : public ::testing::TestWithParam<uint16_t> {};

// 1.5 MB in one folder: each model passes its rescale limit hundreds of times.
TEST_P(QuantumOurWriter, EveryExtractorGivesTheFilesBack) {
  const uint16_t bits = GetParam();
  const std::vector<NamedData> data = {{"readme.txt", MixedText(70001, bits)},
                                       {"levels\\big.dat", MixedText(1400003, bits + 100)},
                                       {"noise.bin", Noise(40009, bits)},
                                       {"empty.txt", ""}};
  const fs::path work = WriteCabinet(data, {Quantum(bits)}, "writer_w" + std::to_string(bits));
  ExpectEveryExtractorGives(work / "quantum.cab", data, work);
}

INSTANTIATE_TEST_SUITE_P(Windows, QuantumOurWriter, ::testing::Values(10, 12, 15, 17, 19, 21),
                         [](const ::testing::TestParamInfo<uint16_t>& info) {
                           return "w" + std::to_string(info.param);
                         });

// Folders of two Quantum windows around an MSZIP folder: the reader switches decoders and resets
// the Quantum history at each folder start.
TEST(QuantumFolders, WindowsAndMethodsSideBySide) {
  CompressionChoice mszip;
  mszip.kind = kDecoderMszip;
  const std::vector<NamedData> data = {{"a.txt", MixedText(200000, 1), 0},
                                       {"b.txt", MixedText(150000, 2), 1},
                                       {"c.txt", MixedText(180000, 1), 2},
                                       {"d.txt", MixedText(90000, 3), 0}};
  const fs::path work = WriteCabinet(data, {Quantum(11), mszip, Quantum(20)}, "folders");
  ExpectEveryExtractorGives(work / "quantum.cab", data, work);
}

// A set of cabinets: blocks split between two cabinets reach the decoder as one frame, and the
// history carries from cabinet to cabinet.
TEST(QuantumFolders, CabinetSetWithSplitFrames) {
  const std::vector<NamedData> data = {{"one.dat", MixedText(500000, 4)}, {"two.dat", Noise(300000, 4)},
                                       {"three.dat", MixedText(400000, 5)}};
  const fs::path work = WriteCabinet(data, {Quantum(18)}, "set", 150000);
  ASSERT_TRUE(fs::exists(work / "quantum2.cab"));
  ExpectEveryExtractorGives(work / "quantum.cab", data, work);
}

TEST(QuantumTool, CabCommandWithQuantumCompressionExtractsEverywhere) {
  const fs::path work = WorkFolder("tool");
  const std::vector<NamedData> data = {{"text.txt", MixedText(300001, 9)}, {"noise.bin", Noise(20000, 9)}};
  for (const NamedData& d : data) WriteBytes(work / "source" / d.name, d.data);
  const std::string command = "cd " + Quoted(work / "source") + " && " + VORLAX_TOOL + " cab " +
                              Quoted(work / "tool.cab") + " --compress quantum:16 text.txt noise.bin";
  ASSERT_EQ(RunQuietly(command), 0) << command;
  // The folder entry says Quantum with window 16.
  const std::string cab = ReadBytes(work / "tool.cab");
  ASSERT_GT(cab.size(), 44u);
  EXPECT_EQ(0x1002, ReadLe16(reinterpret_cast<const uint8_t*>(cab.data()) + 36 + 6));
  ExpectEveryExtractorGives(work / "tool.cab", data, work);
}

TEST(QuantumTool, CabCommandRefusesWindowsOutsideTenToTwentyOne) {
  const fs::path work = WorkFolder("tool_refused");
  WriteBytes(work / "a.txt", "a");
  for (const char* method : {"quantum:9", "quantum:22", "quantum:", "quantum:x"}) {
    const std::string command = "cd " + Quoted(work) + " && " + VORLAX_TOOL + " cab " + Quoted(work / "out.cab") +
                                " --compress " + method + " a.txt";
    EXPECT_NE(0, RunQuietly(command)) << method;
    EXPECT_FALSE(fs::exists(work / "out.cab")) << method;
  }
}

// Folders the decoder must refuse: a window exponent outside 10..21, and a frame cut short (its
// block claims half of its bytes; the checksum is cleared so that only the decoder can notice).
// `vorlax extract` fails with the decompression error of the cabinet layer.
TEST(QuantumTool, BadFoldersFailWithTheDecompressError) {
  constexpr size_t kFolderType = 36 + 6;
  constexpr size_t kFirstBlock = 36;  // the folder entry's offset of its first data block
  const fs::path work = WorkFolder("bad");
  WriteBytes(work / "a.txt", MixedText(5000, 3));
  ASSERT_EQ(0, RunQuietly("cd " + Quoted(work) + " && " + VORLAX_TOOL + " cab good.cab --compress quantum:10 a.txt"));
  const std::string good = ReadBytes(work / "good.cab");
  ASSERT_GT(good.size(), 60u);
  const uint32_t block = ReadLe32(reinterpret_cast<const uint8_t*>(good.data()) + kFirstBlock);
  const struct {
    const char* name;
    void (*patch)(std::string* cab, uint32_t block);
  } cases[] = {
      {"window 9", [](std::string* cab, uint32_t) { WriteLe16(reinterpret_cast<uint8_t*>(&(*cab)[kFolderType]), 0x0902); }},
      {"window 22", [](std::string* cab, uint32_t) { WriteLe16(reinterpret_cast<uint8_t*>(&(*cab)[kFolderType]), 0x1602); }},
      {"frame cut short",
       [](std::string* cab, uint32_t block) {
         uint8_t* head = reinterpret_cast<uint8_t*>(&(*cab)[block]);
         WriteLe32(head, 0);
         WriteLe16(head + 4, static_cast<uint16_t>(ReadLe16(head + 4) / 2));
       }},
  };
  for (const auto& c : cases) {
    std::string cab = good;
    c.patch(&cab, block);
    WriteBytes(work / "bad.cab", cab);
    const fs::path out = work / "out";
    std::error_code ignored;
    fs::remove_all(out, ignored);
    const int status = std::system((std::string(VORLAX_TOOL) + " extract " + Quoted(work / "bad.cab") + " " +
                                    Quoted(out) + " >/dev/null 2>" + Quoted(work / "stderr.txt"))
                                       .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.name;
    EXPECT_NE(std::string::npos, ReadBytes(work / "stderr.txt").find("Failure decompressing data")) << c.name;
  }
}

}  // namespace
}  // namespace vorlax
