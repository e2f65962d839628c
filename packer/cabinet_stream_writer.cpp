// One cabinet streamed to a sink (see cabinet_stream_writer.h).
#include "packer/cabinet_stream_writer.h"

#include <cstring>
#include <memory>

#include "base/little_endian.h"
#include "cabinet/cabinet_checksum.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/decoder.h"

namespace vorlax {
namespace {

constexpr uint32_t kMaxFolderBlocks = 0xFFFF;
// The cabinet writer's folder limit: room for a file that ends in a partly filled block.
constexpr uint64_t kMaxFolderBytes = uint64_t{kMaxFolderBlocks - 1} * kMaxBlockOutput;
constexpr uint64_t kMaxCabinetBytes = 0xFFFFFFFFu;
constexpr std::size_t kMaxEntries = 0xFFFF;
constexpr uint32_t kMaxEncodedBlock = 0xFFFF;

struct FolderPlan {
  uint32_t firstBlock = 0;
  uint32_t blockCount = 0;
};

struct EntryPlan {
  std::size_t folder = 0;
  uint32_t offset = 0;  // uncompressed offset within the folder
};

class StreamBuilder {
 public:
  StreamBuilder(const std::vector<StreamedCabinetFile>& files, const CompressionChoice& compression,
                const CabinetFileReader& read, CabinetSink* sink, const CabinetProgress& progress)
      : files_(files), compression_(compression), read_(read), sink_(sink), progress_(progress) {}

  bool Build(uint64_t* cabinetSize, std::string* error) {
    bool ok = Plan() && sink_->Write(std::string(HeaderSize(), '\0').data(), HeaderSize()) && WriteFolders() &&
              WriteHeader();
    if (!ok) *error = error_.empty() ? "cannot write the cabinet" : error_;
    *cabinetSize = written_;
    return ok;
  }

 private:
  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }

  // Folder breaks and entry offsets, from the sizes alone.
  bool Plan() {
    if (files_.size() > kMaxEntries) return Fail("more than 65,535 files in one cabinet");
    uint64_t folderBytes = 0;
    bool open = false;
    for (const StreamedCabinetFile& file : files_) {
      if (file.name.empty() || file.name.size() > kCabMaxNameLength || file.name.find('\0') != std::string::npos) {
        return Fail("file name must have 1 to 255 characters: '" + file.name + "'");
      }
      if (file.size > kMaxFolderBytes) return Fail("file too large for one folder: '" + file.name + "'");
      if (open && folderBytes + file.size > kMaxFolderBytes) open = false;
      if (!open) {
        folders_.emplace_back();
        folderBytes = 0;
        open = true;
      }
      entries_.push_back({folders_.size() - 1, static_cast<uint32_t>(folderBytes)});
      folderBytes += file.size;
    }
    if (folders_.size() > kMaxEntries) return Fail("more than 65,535 folders in one cabinet");
    return true;
  }

  uint64_t HeaderSize() const {
    uint64_t size = kCabHeaderSize + folders_.size() * kCabFolderEntrySize;
    for (const StreamedCabinetFile& file : files_) size += kCabFileEntrySize + file.name.size() + 1;
    return size;
  }

  bool WriteFolders() {
    written_ = HeaderSize();
    std::size_t next = 0;
    for (std::size_t folder = 0; folder < folders_.size(); ++folder) {
      encoder_ = MakeFolderEncoder(compression_);
      if (!encoder_) return Fail("no encoder for compression type " + std::to_string(compression_.CompressionType()));
      folders_[folder].firstBlock = static_cast<uint32_t>(written_);
      pending_.clear();
      for (; next < files_.size() && entries_[next].folder == folder; ++next) {
        if (!FeedFile(next)) return false;
      }
      if (!pending_.empty() && !EmitBlock(folder, true)) return false;
    }
    return true;
  }

  bool FeedFile(std::size_t index) {
    uint64_t size = files_[index].size;
    uint64_t offset = 0;
    while (offset < size) {
      std::size_t filled = pending_.size();
      uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(kMaxBlockOutput - filled, size - offset));
      pending_.resize(filled + take);
      if (!read_(index, offset, take, &pending_[filled])) return Fail("cannot read '" + files_[index].name + "'");
      offset += take;
      if (pending_.size() == kMaxBlockOutput && !EmitBlock(entries_[index].folder, false)) return false;
    }
    return true;
  }

  bool EmitBlock(std::size_t folder, bool last) {
    encoded_.clear();
    uint32_t size = static_cast<uint32_t>(pending_.size());
    if (!encoder_->EncodeBlock(reinterpret_cast<const uint8_t*>(pending_.data()), size, last, &encoded_)) {
      return Fail("encoding a block failed");
    }
    if (encoded_.size() > kMaxEncodedBlock) return Fail("an encoded block exceeds 65,535 bytes");
    if (++folders_[folder].blockCount > kMaxFolderBlocks) return Fail("more than 65,535 blocks in one folder");
    uint8_t header[kCabBlockHeaderSize] = {};
    WriteLe16(header + kCabBlockCompressedSize, static_cast<uint16_t>(encoded_.size()));
    WriteLe16(header + kCabBlockUncompressedSize, static_cast<uint16_t>(size));
    WriteLe32(header + kCabBlockChecksum,
              CabinetBlockChecksum(header, sizeof header, reinterpret_cast<const uint8_t*>(encoded_.data()),
                                   static_cast<uint32_t>(encoded_.size())));
    written_ += sizeof header + encoded_.size();
    if (written_ > kMaxCabinetBytes) return Fail("cabinet larger than 4 GiB");
    if (!sink_->Write(reinterpret_cast<const char*>(header), sizeof header) ||
        !sink_->Write(encoded_.data(), encoded_.size())) {
      return Fail("cannot write the cabinet");
    }
    done_ += size;
    pending_.clear();
    if (progress_) progress_(done_);
    return true;
  }

  bool WriteHeader() {
    std::string out(kCabHeaderSize, '\0');
    std::memcpy(&out[kCabHeaderSignature], kCabSignature, sizeof kCabSignature);
    auto at = [&out](uint32_t offset) { return reinterpret_cast<uint8_t*>(&out[offset]); };
    WriteLe32(at(kCabHeaderCabinetSize), static_cast<uint32_t>(written_));
    WriteLe16(at(kCabHeaderVersion), kCabVersion);
    WriteLe16(at(kCabHeaderFolderCount), static_cast<uint16_t>(folders_.size()));
    WriteLe16(at(kCabHeaderFileCount), static_cast<uint16_t>(files_.size()));
    for (const FolderPlan& folder : folders_) {
      uint8_t entry[kCabFolderEntrySize] = {};
      WriteLe32(entry + kCabFolderFirstBlock, folder.firstBlock);
      WriteLe16(entry + kCabFolderBlockCount, static_cast<uint16_t>(folder.blockCount));
      WriteLe16(entry + kCabFolderCompression, compression_.CompressionType());
      out.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    WriteLe32(at(kCabHeaderFilesOffset), static_cast<uint32_t>(out.size()));
    for (std::size_t i = 0; i < files_.size(); ++i) {
      uint8_t entry[kCabFileEntrySize] = {};
      WriteLe32(entry + kCabFileSize, static_cast<uint32_t>(files_[i].size));
      WriteLe32(entry + kCabFileFolderOffset, entries_[i].offset);
      WriteLe16(entry + kCabFileFolderIndex, static_cast<uint16_t>(entries_[i].folder));
      WriteLe16(entry + kCabFileDate, files_[i].dosDate);
      WriteLe16(entry + kCabFileTime, files_[i].dosTime);
      WriteLe16(entry + kCabFileAttributes, files_[i].attributes);
      out.append(reinterpret_cast<const char*>(entry), sizeof entry);
      out.append(files_[i].name);
      out.push_back('\0');
    }
    return sink_->WriteAt(0, out.data(), out.size()) || Fail("cannot write the cabinet's header");
  }

  const std::vector<StreamedCabinetFile>& files_;
  const CompressionChoice& compression_;
  const CabinetFileReader& read_;
  CabinetSink* sink_;
  const CabinetProgress& progress_;
  std::vector<FolderPlan> folders_;
  std::vector<EntryPlan> entries_;
  std::unique_ptr<FolderEncoder> encoder_;
  std::string pending_;
  std::string encoded_;
  uint64_t written_ = 0;
  uint64_t done_ = 0;
  std::string error_;
};

}  // namespace

bool StreamCabinet(const std::vector<StreamedCabinetFile>& files, const CompressionChoice& compression,
                   const CabinetFileReader& read, CabinetSink* sink, uint64_t* cabinetSize, std::string* error,
                   const CabinetProgress& progress) {
  StreamBuilder builder(files, compression, read, sink, progress);
  return builder.Build(cabinetSize, error);
}

}  // namespace vorlax
