// Tests of the `vorlax list`, `extract` and `cab` commands as a publisher runs them: the real
// program on real files, its output, its exit codes and what it leaves on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "packer/cabinet_writer.h"
#include "packer/payload_writer.h"
#include "tests/differential/differential_files.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;
using namespace differential;

struct Result {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

Result RunTool(const std::string& arguments) {
  Result result;
  std::string command = std::string(VORLAX_TOOL) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

fs::path WorkFolder(const std::string& name) { return FreshFolder(fs::path(VORLAX_TOOL_WORK) / name); }

std::string Q(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(entry.path().lexically_relative(folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

CabinetInputFile Entry(const std::string& name, const std::string& data) {
  CabinetInputFile file;
  file.name = name;
  file.data = data;
  return file;
}

std::string Cabinet(const std::vector<CabinetInputFile>& files) {
  std::vector<CabinetPart> parts;
  std::string error;
  EXPECT_TRUE(WriteCabinets(files, CabinetWriterOptions(), &parts, &error)) << error;
  return parts.empty() ? std::string() : parts[0].bytes;
}

std::string LargeText() {
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) text += "level data row " + std::to_string(i) + "\n";
  return text;
}

TEST(ToolExtract, InstallerGivesItsFilesEntriesWithoutThePrefix) {
  fs::path work = WorkFolder("installer");
  std::string cabinet = Cabinet({Entry("cfg\\install.xml", "<install/>"), Entry("files\\Game.exe", "MZ game"),
                                 Entry("files\\Data\\level1.dat", LargeText())});
  std::string stub = "MZ" + std::string(5000, '\x90');
  WriteBytes(work / "setup.exe", BuildInstaller(stub, cabinet, {u"<defines/>"}, true));

  Result result = RunTool("extract " + Q(work / "setup.exe") + " " + Q(work / "out") + " --prefix 'files\\'");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  // Progress is for terminals: a pipe gets the summary line alone.
  EXPECT_EQ(result.output, "extracted 2 files to " + (work / "out").string() + "\n");
  EXPECT_EQ(FilesUnder(work / "out"), (std::vector<std::string>{"Data/level1.dat", "Game.exe"}));
  EXPECT_EQ(ReadBytes(work / "out" / "Game.exe"), "MZ game");
  EXPECT_EQ(ReadBytes(work / "out" / "Data" / "level1.dat"), LargeText());
  // The temporary copy of the cabinet is gone again.
  EXPECT_EQ(FilesUnder(work), (std::vector<std::string>{"out/Data/level1.dat", "out/Game.exe", "setup.exe"}));
}

TEST(ToolList, InstallerShowsItsRecordsAndCabinetEntries) {
  fs::path work = WorkFolder("list");
  std::string cabinet = Cabinet({Entry("cfg\\install.xml", "<install/>"), Entry("files\\Game.exe", "MZ game")});
  WriteBytes(work / "setup.exe", BuildInstaller("MZstub", cabinet, {u"<defines/>"}, false));
  Result result = RunTool("list " + Q(work / "setup.exe"));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("installer: 3 records"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("cabinet"), std::string::npos);
  EXPECT_NE(result.output.find("defines"), std::string::npos);
  EXPECT_NE(result.output.find("2001-01-01 12:00:00  ---A-       0  files\\Game.exe"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("2 entries, 17 bytes"), std::string::npos) << result.output;
}

TEST(ToolCab, FolderTreeBecomesASetThatExtractsBack) {
  fs::path work = WorkFolder("cab");
  WriteBytes(work / "product" / "files" / "Data" / "level1.dat", LargeText());
  WriteBytes(work / "product" / "files" / "readme.txt", "read me");
  WriteBytes(work / "product" / "cfg" / "install.xml", "<install/>");
  Result made = RunTool("cab " + Q(work / "game.cab") + " --split 64K --compress none " +
                        Q(work / "product" / "files") + " " + Q(work / "product" / "cfg"));
  ASSERT_EQ(made.exitCode, 0) << made.output;
  EXPECT_TRUE(fs::exists(work / "game2.cab"));
  EXPECT_TRUE(fs::exists(work / "game3.cab"));
  Result listed = RunTool("list " + Q(work / "game.cab"));
  EXPECT_NE(listed.output.find("files\\Data\\level1.dat"), std::string::npos) << listed.output;
  Result extracted = RunTool("extract " + Q(work / "game.cab") + " " + Q(work / "back"));
  ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
  EXPECT_EQ(FilesUnder(work / "back"),
            (std::vector<std::string>{"cfg/install.xml", "files/Data/level1.dat", "files/readme.txt"}));
  EXPECT_EQ(ReadBytes(work / "back" / "files" / "Data" / "level1.dat"), LargeText());
}

TEST(ToolErrors, ClearMessagesAndExitCodes) {
  fs::path work = WorkFolder("errors");
  WriteBytes(work / "hostile.cab", Cabinet({Entry("files\\ok.txt", "ok"), Entry("files\\..\\..\\evil.txt", "x")}));
  WriteBytes(work / "junk.bin", std::string(100, 'j'));
  struct Case {
    std::string arguments;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"list", 2, "usage: vorlax list FILE"},
      {"extract " + Q(work / "hostile.cab"), 2, "usage: vorlax extract FILE DIR [--prefix P]"},
      {"list " + Q(work / "absent.cab"), 1, "vorlax: cannot open '" + (work / "absent.cab").string() + "'"},
      {"list " + Q(work / "junk.bin"), 1, "is neither a cabinet nor an installer"},
      {"extract " + Q(work / "hostile.cab") + " " + Q(work / "out"), 1,
       "failed: File name leaves the destination folder 'files\\..\\..\\evil.txt'"},
      {"cab " + Q(work / "x.cab") + " --compress zip " + Q(work / "junk.bin"), 1, "unknown compression 'zip'"},
      {"cab " + Q(work / "x.cab") + " --split 1000 " + Q(work / "junk.bin"), 1,
       "split size must be at least 4096 bytes"},
      {"cab " + Q(work / "x.cab") + " " + Q(work / "nothing"), 1, "no such file or folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Result result = RunTool(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
  }
  // The refused cabinet wrote nothing at all, not even its harmless file.
  EXPECT_FALSE(fs::exists(work / "out" / "ok.txt"));
  EXPECT_FALSE(fs::exists(work / "evil.txt"));
  EXPECT_FALSE(fs::exists(work.parent_path() / "evil.txt"));
}

// A cabinet whose header names itself as the next cabinet of its set: extract stops instead of
// extracting it again and again.
TEST(ToolExtract, SetThatLeadsBackToItselfIsRefused) {
  fs::path work = WorkFolder("loop");
  std::string cabinet = Cabinet({Entry("a.txt", "alpha")});
  const std::string names = std::string("loop.cab") + '\0' + "Disk" + '\0';
  auto le32 = [&cabinet](std::size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(cabinet[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(cabinet[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(cabinet[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(cabinet[at + 3])) << 24;
  };
  auto put32 = [&cabinet](std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) cabinet[at + i] = static_cast<char>(value >> (8 * i));
  };
  put32(16, le32(16) + static_cast<uint32_t>(names.size()));  // first file entry
  put32(36, le32(36) + static_cast<uint32_t>(names.size()));  // folder 0's first block
  cabinet[30] = 0x02;                                         // a next cabinet exists
  cabinet.insert(36, names);
  WriteBytes(work / "loop.cab", cabinet);
  Result result = RunTool("extract " + Q(work / "loop.cab") + " " + Q(work / "out"));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("cabinet set leads back to"), std::string::npos) << result.output;
  EXPECT_EQ(ReadBytes(work / "out" / "a.txt"), "alpha");
}

}  // namespace
}  // namespace vorlax
