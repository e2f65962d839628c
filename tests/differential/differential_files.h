// Helpers shared by the differential and tool tests: fresh work folders, whole-file reads and
// writes, quoting for the shell, running a peer program, and the check that every extractor
// (`vorlax extract`, cabextract, 7zz) gives back exactly the files that went into a cabinet.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vorlax {
namespace differential {

namespace fs = std::filesystem;

// Removes folder with everything in it, then creates it empty.
inline fs::path FreshFolder(const fs::path& folder) {
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  return folder;
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Runs a shell command with its output discarded; answers its exit code (-1 when it did not exit).
inline int RunQuietly(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#if defined(VORLAX_TOOL) && defined(VORLAX_CABEXTRACT) && defined(VORLAX_7ZZ)
// Extracts cabinet with each extractor into its own folder under work and compares every file:
// the same number of files, and each named file ("\" separating folders in the cabinet) with
// exactly the bytes that went in. Named is any record with `name` and `data` strings.
template <typename Named>
void ExpectEveryExtractorGives(const fs::path& cabinet, const std::vector<Named>& files,
                               const fs::path& work) {
  const struct {
    const char* name;
    std::string command;
  } extractors[] = {
      {"vorlax", std::string(VORLAX_TOOL) + " extract " + Quoted(cabinet) + " " + Quoted(work / "vorlax")},
      {"cabextract", std::string(VORLAX_CABEXTRACT) + " -q -d " + Quoted(work / "cabextract") + " " + Quoted(cabinet)},
      {"7zz", std::string(VORLAX_7ZZ) + " x -y -o" + Quoted(work / "7zz") + " " + Quoted(cabinet)},
  };
  for (const auto& extractor : extractors) {
    SCOPED_TRACE(extractor.name);
    ASSERT_EQ(RunQuietly(extractor.command), 0) << extractor.command;
    std::size_t found = 0;
    for (const auto& entry : fs::recursive_directory_iterator(work / extractor.name)) {
      if (entry.is_regular_file()) ++found;
    }
    EXPECT_EQ(found, files.size());
    for (const Named& file : files) {
      std::string path = file.name;
      for (char& c : path) c = c == '\\' ? '/' : c;
      const std::string got = ReadBytes(work / extractor.name / path);
      EXPECT_EQ(got.size(), file.data.size()) << file.name;
      EXPECT_TRUE(got == file.data) << file.name;
    }
  }
}
#endif

}  // namespace differential
}  // namespace vorlax
