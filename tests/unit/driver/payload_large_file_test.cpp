// The payload walk on a real file over 4 GiB through PosixSystem. The file is sparse: only the
// record fields and the small tail are written, so it takes a few kilobytes of disk. Every record
// position is beyond what 32 bits can hold.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/little_endian.h"
#include "base/text.h"
#include "driver/installer_state.h"
#include "driver/payload.h"
#include "packer/payload_writer.h"
#include "platform/posix/posix_system.h"

namespace vorlax {
namespace {

constexpr uint32_t kFirstImageSize = 0xC0000000u;   // 3 GiB
constexpr uint32_t kSecondImageSize = 0x90000000u;  // 2.25 GiB

std::string Fields(uint32_t size, uint32_t type) {
  uint8_t bytes[8];
  WriteLe32(bytes, size);
  WriteLe32(bytes + 4, type);
  return std::string(reinterpret_cast<char*>(bytes), sizeof bytes);
}

bool WriteAt(int fd, int64_t offset, const std::string& bytes) {
  return ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
         static_cast<ssize_t>(bytes.size());
}

class LargeInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorlax_large_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    ResetInstallerState();
    State().system = &system_;
  }
  void TearDown() override {
    ::unlink((folder_ + "/setup.exe").c_str());
    ::unlink((folder_ + "/tmp/files.cab").c_str());
    ::rmdir((folder_ + "/tmp").c_str());
    ::rmdir(folder_.c_str());
  }

  std::string folder_;
  PosixSystem system_;
};

TEST_F(LargeInstaller, WalksRecordsBeyondFourGiB) {
  const int64_t secondImage = int64_t{kFirstImageSize} + 8;
  const int64_t cabinetOffset = secondImage + kSecondImageSize + 8;
  std::string tail;
  AppendPayloadRecord(&tail, kRecordCabinet, "MSCF large cabinet");
  AppendPayloadRecord(&tail, kRecordDefines, ToUtf16Le(u"<defines/>"));
  AppendPayloadMarker(&tail);
  tail += "ignored";

  std::string path = folder_ + "/setup.exe";
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(WriteAt(fd, kFirstImageSize, Fields(kFirstImageSize, kRecordSkipped)));
  ASSERT_TRUE(WriteAt(fd, secondImage + kSecondImageSize, Fields(kSecondImageSize, kRecordSkipped)));
  ASSERT_TRUE(WriteAt(fd, cabinetOffset, tail));
  ASSERT_EQ(::close(fd), 0);

  FileHandle file = system_.OpenFile(FromUtf8(path), FileAccess::kRead);
  ASSERT_NE(file, kNoFile);
  std::vector<PayloadRecordInfo> records;
  std::string error;
  ASSERT_TRUE(ListPayloadRecords(file, &records, &error)) << error;
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].offset, 0);
  EXPECT_EQ(records[0].size, kFirstImageSize);
  EXPECT_EQ(records[1].offset, secondImage);
  EXPECT_EQ(records[1].size, kSecondImageSize);
  EXPECT_EQ(records[2].type, kRecordCabinet);
  EXPECT_EQ(records[2].offset, cabinetOffset);
  EXPECT_EQ(records[3].type, kRecordDefines);

  State().cabinetPath = FromUtf8(folder_) + u"\\tmp\\files.cab";
  ASSERT_TRUE(ReadAttachedPayload(file));
  EXPECT_EQ(State().attachedDefines, std::vector<std::u16string>{u"<defines/>"});
  FileHandle cabinet = system_.OpenFile(State().cabinetPath, FileAccess::kRead);
  ASSERT_NE(cabinet, kNoFile);
  std::string copied(tail.size() + 10, '\0');
  int64_t n = system_.ReadFile(cabinet, &copied[0], static_cast<uint32_t>(copied.size()));
  system_.CloseFile(cabinet);
  system_.CloseFile(file);
  ASSERT_EQ(n, static_cast<int64_t>(tail.size()));
  copied.resize(static_cast<std::size_t>(n));
  EXPECT_EQ(copied, tail);
}

}  // namespace
}  // namespace vorlax
