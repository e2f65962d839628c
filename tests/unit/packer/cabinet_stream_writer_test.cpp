// Tests of the streaming cabinet writer against the in-memory cabinet writer: for the same files
// and method both must give the same bytes (empty files, files spanning blocks, a folder ending
// exactly on a block boundary, every method, folders cut at a size and compressed on several
// threads), and the writer must report unreadable files, names it cannot store and sink failures.
#include "packer/cabinet_stream_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "packer/cabinet_writer.h"

namespace vorlax {
namespace {

class StringSink : public CabinetSink {
 public:
  bool Write(const char* bytes, std::size_t count) override {
    if (failAfter_ == 0) return false;
    --failAfter_;
    bytes_.append(bytes, count);
    return true;
  }
  bool WriteAt(uint64_t position, const char* bytes, std::size_t count) override {
    if (position + count > bytes_.size()) return false;
    std::memcpy(&bytes_[position], bytes, count);
    return true;
  }
  std::string bytes_;
  int failAfter_ = 1 << 30;
};

// Text that compresses a little, different for every seed.
std::string Content(std::size_t size, unsigned seed) {
  std::string data(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    data[i] = static_cast<char>((i % 7 == 0) ? 'a' + (state >> 24) % 26 : " etaoin"[(state >> 16) % 7]);
  }
  return data;
}

std::vector<CabinetInputFile> Files(const std::vector<std::size_t>& sizes) {
  std::vector<CabinetInputFile> files;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    CabinetInputFile file;
    file.name = "files\\dir" + std::to_string(i % 3) + "\\file" + std::to_string(i) + ".dat";
    file.data = Content(sizes[i], static_cast<unsigned>(i));
    file.dosDate = static_cast<uint16_t>(kDefaultDosDate + i);
    file.attributes = static_cast<uint16_t>(i % 2 ? 0x21 : 0x20);
    files.push_back(file);
  }
  return files;
}

bool Stream(const std::vector<CabinetInputFile>& files, const CompressionChoice& choice, StringSink* sink,
            std::string* error, CabinetStreamOptions options = {}, std::size_t unreadable = SIZE_MAX) {
  std::vector<StreamedCabinetFile> listed;
  for (const CabinetInputFile& file : files) {
    listed.push_back({file.name, file.data.size(), file.dosDate, file.dosTime, file.attributes});
  }
  uint64_t size = 0;
  CabinetFileReader read = [&files, unreadable](std::size_t index, uint64_t offset, uint32_t count, char* out) {
    if (index == unreadable || offset + count > files[index].data.size()) return false;
    std::memcpy(out, files[index].data.data() + offset, count);
    return true;
  };
  options.makeReader = [&read]() { return read; };
  bool ok = StreamCabinet(listed, choice, read, sink, &size, error, nullptr, options);
  EXPECT_TRUE(!ok || size == sink->bytes_.size());
  return ok;
}

TEST(CabinetStreamWriter, SameBytesAsTheCabinetWriter) {
  const std::vector<std::vector<std::size_t>> inputs = {
      {},                                   // no file at all
      {0, 0},                               // empty files only: a folder without blocks
      {10, 0, 500},                         // small files in one block
      {32768},                              // exactly one block: no final short block
      {40000, 32768 - 40000 % 32768, 7},    // a file ending the second block exactly, then more
      {100000, 1, 65536, 3000},             // files across several blocks
  };
  for (const char* method : {"none", "mszip", "lzx:15", "lzx:21", "quantum:10", "quantum:21"}) {
    CompressionChoice choice;
    std::string error;
    ASSERT_TRUE(ParseCompressionChoice(method, &choice, &error)) << method << ": " << error;
    for (const std::vector<std::size_t>& sizes : inputs) {
      std::vector<CabinetInputFile> files = Files(sizes);
      CabinetWriterOptions options;
      options.folders = {choice};
      std::vector<CabinetPart> parts;
      ASSERT_TRUE(WriteCabinets(files, options, &parts, &error)) << method << ": " << error;
      StringSink sink;
      ASSERT_TRUE(Stream(files, choice, &sink, &error)) << method << ": " << error;
      EXPECT_EQ(sink.bytes_, parts.front().bytes) << method << ", " << sizes.size() << " files";
    }
  }
}

// Folders cut at a size: the same bytes as the cabinet writer given the same folders, whether one
// thread or several compress them (files of 0 bytes, a file far over the size, folders of many
// blocks and of one).
TEST(CabinetStreamWriter, ParallelFoldersAreTheSameWhateverTheThreads) {
  const std::vector<std::size_t> sizes = {70000, 10, 50000, 0, 90000, 5, 40000, 300000, 1};
  const uint64_t folderBytes = 60000;
  for (const char* method : {"mszip", "lzx:15:best"}) {
    CompressionChoice choice;
    std::string error;
    ASSERT_TRUE(ParseCompressionChoice(method, &choice, &error));
    std::vector<CabinetInputFile> files = Files(sizes);
    CabinetWriterOptions options;
    options.folders = {choice};
    uint64_t inFolder = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (i > 0 && inFolder >= folderBytes) {
        options.folders.push_back(choice);
        inFolder = 0;
      }
      files[i].folder = static_cast<uint16_t>(options.folders.size() - 1);
      inFolder += sizes[i];
    }
    ASSERT_EQ(options.folders.size(), 4u);
    std::vector<CabinetPart> parts;
    ASSERT_TRUE(WriteCabinets(files, options, &parts, &error)) << error;
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
      SCOPED_TRACE(testing::Message() << method << ", threads " << threads);
      CabinetStreamOptions parallel;
      parallel.folderBytes = folderBytes;
      parallel.threads = threads;
      StringSink sink;
      ASSERT_TRUE(Stream(files, choice, &sink, &error, parallel)) << error;
      EXPECT_TRUE(sink.bytes_ == parts.front().bytes);
    }
  }
}

// A file that cannot be read or a sink that fails ends a parallel write with the error, whichever
// folder it is in, with every thread stopped.
TEST(CabinetStreamWriter, ParallelFailuresAreReported) {
  const std::vector<CabinetInputFile> files = Files({50000, 50000, 50000, 50000});
  CompressionChoice choice;
  CabinetStreamOptions parallel;
  parallel.folderBytes = 1;
  parallel.threads = 2;
  for (std::size_t unreadable = 0; unreadable < files.size(); ++unreadable) {
    StringSink sink;
    std::string error;
    EXPECT_FALSE(Stream(files, choice, &sink, &error, parallel, unreadable));
    EXPECT_EQ(error, "cannot read '" + files[unreadable].name + "'");
  }
  for (int writes : {1, 3, 6}) {
    StringSink sink;
    sink.failAfter_ = writes;
    std::string error;
    EXPECT_FALSE(Stream(files, choice, &sink, &error, parallel)) << writes;
    EXPECT_EQ(error, "cannot write the cabinet") << writes;
  }
}

TEST(CabinetStreamWriter, Refusals) {
  CompressionChoice stored;
  stored.kind = 0;
  struct Case {
    const char* what;
    std::vector<CabinetInputFile> files;
    int sinkWrites;  // writes the sink accepts
    const char* error;
  };
  std::vector<CabinetInputFile> longName = Files({5});
  longName[0].name = std::string(256, 'n');
  std::vector<CabinetInputFile> emptyName = Files({5});
  emptyName[0].name.clear();
  std::vector<Case> cases = {
      {"name over 255 characters", longName, 1 << 30, "file name must have 1 to 255 characters"},
      {"empty name", emptyName, 1 << 30, "file name must have 1 to 255 characters"},
      {"sink refuses the header room", Files({5}), 0, "cannot write the cabinet"},
      {"sink refuses a block", Files({5}), 1, "cannot write the cabinet"},
  };
  for (const Case& test : cases) {
    StringSink sink;
    sink.failAfter_ = test.sinkWrites;
    std::string error;
    EXPECT_FALSE(Stream(test.files, stored, &sink, &error)) << test.what;
    EXPECT_EQ(error.compare(0, std::strlen(test.error), test.error), 0) << test.what << ": " << error;
  }
}

TEST(CabinetStreamWriter, FileShorterThanListedIsAnError) {
  std::vector<StreamedCabinetFile> listed = {{"a.dat", 50000}};
  auto read = [](std::size_t, uint64_t offset, uint32_t count, char* out) {
    if (offset + count > 40000) return false;
    std::memset(out, 'x', count);
    return true;
  };
  StringSink sink;
  uint64_t size = 0;
  std::string error;
  CompressionChoice choice;
  EXPECT_FALSE(StreamCabinet(listed, choice, read, &sink, &size, &error));
  EXPECT_EQ(error, "cannot read 'a.dat'");
}

}  // namespace
}  // namespace vorlax
