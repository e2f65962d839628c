// One cabinet streamed to a sink (see cabinet_stream_writer.h).
#include "packer/cabinet_stream_writer.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

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

// The encoder takes the next frame of uncompressed data (with last and no data: the folder ends
// on a full frame already given); every data block it completes (header and compressed bytes,
// checksum included) goes to *blocks with its uncompressed size.
bool EncodeDataBlocks(FolderEncoder* encoder, const std::string& data, bool last,
                      std::vector<EncodedFrame>* blocks, std::string* error) {
  blocks->clear();
  const bool encoded = last && data.empty()
                           ? encoder->Finish(blocks)
                           : encoder->EncodeFrames(reinterpret_cast<const uint8_t*>(data.data()),
                                                   static_cast<uint32_t>(data.size()), last, blocks);
  if (!encoded) {
    *error = "encoding a block failed";
    return false;
  }
  for (EncodedFrame& frame : *blocks) {
    const std::size_t encoded = frame.bytes.size();
    if (encoded > kMaxEncodedBlock) {
      *error = "an encoded block exceeds 65,535 bytes";
      return false;
    }
    std::string block(kCabBlockHeaderSize, '\0');
    uint8_t* header = reinterpret_cast<uint8_t*>(&block[0]);
    WriteLe16(header + kCabBlockCompressedSize, static_cast<uint16_t>(encoded));
    WriteLe16(header + kCabBlockUncompressedSize, static_cast<uint16_t>(frame.size));
    WriteLe32(header + kCabBlockChecksum,
              CabinetBlockChecksum(header, kCabBlockHeaderSize, reinterpret_cast<const uint8_t*>(frame.bytes.data()),
                                   static_cast<uint32_t>(encoded)));
    frame.bytes.insert(0, block);
  }
  return true;
}

// A folder compressed on a thread of its own: its blocks wait here for the folder's turn.
struct FolderJob {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<std::string, uint32_t>> blocks;  // block bytes, uncompressed size
  uint64_t queued = 0;
  bool finished = false;
  std::string error;  // set when the folder failed
};

class StreamBuilder {
 public:
  StreamBuilder(const std::vector<StreamedCabinetFile>& files, const CompressionChoice& compression,
                const CabinetFileReader& read, CabinetSink* sink, const CabinetProgress& progress,
                const CabinetStreamOptions& options)
      : files_(files), compression_(compression), read_(read), sink_(sink), progress_(progress), options_(options) {}

  bool Build(uint64_t* cabinetSize, std::string* error) {
    const bool parallel = options_.threads > 1 && options_.makeReader;
    bool ok = Plan() && sink_->Write(std::string(HeaderSize(), '\0').data(), HeaderSize()) &&
              (parallel ? WriteFoldersInParallel() : WriteFolders()) && WriteHeader();
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
      if (open && options_.folderBytes != 0 && folderBytes >= options_.folderBytes) open = false;
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
      if (!EmitBlock(folder, true)) return false;
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
    if (!EncodeDataBlocks(encoder_.get(), pending_, last, &encoded_, &error_)) return false;
    pending_.clear();
    for (const EncodedFrame& block : encoded_) {
      if (!WriteBlock(folder, block.bytes, block.size)) return false;
    }
    return true;
  }

  bool WriteBlock(std::size_t folder, const std::string& block, uint32_t size) {
    if (++folders_[folder].blockCount > kMaxFolderBlocks) return Fail("more than 65,535 blocks in one folder");
    written_ += block.size();
    if (written_ > kMaxCabinetBytes) return Fail("cabinet larger than 4 GiB");
    if (!sink_->Write(block.data(), block.size())) return Fail("cannot write the cabinet");
    done_ += size;
    if (progress_) progress_(done_);
    return true;
  }

  // Threads take the folders in order; the main thread writes each folder's blocks as they come,
  // the folders in order.
  bool WriteFoldersInParallel() {
    written_ = HeaderSize();
    std::vector<std::unique_ptr<FolderJob>> jobs;
    for (std::size_t i = 0; i < folders_.size(); ++i) jobs.emplace_back(new FolderJob);
    std::atomic<std::size_t> nextFolder{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    const unsigned count = static_cast<unsigned>(std::min<std::size_t>(options_.threads, folders_.size()));
    for (unsigned t = 0; t < count; ++t) {
      threads.emplace_back([this, &jobs, &nextFolder, &stop, reader = options_.makeReader()]() {
        for (std::size_t f = nextFolder++; f < jobs.size() && !stop; f = nextFolder++) CompressFolder(f, reader, *jobs[f], stop);
      });
    }
    bool ok = true;
    for (std::size_t f = 0; f < folders_.size() && ok; ++f) ok = WriteFolderJob(f, *jobs[f]);
    stop = true;
    for (auto& job : jobs) {
      std::lock_guard<std::mutex> lock(job->mutex);
      job->changed.notify_all();
    }
    for (std::thread& thread : threads) thread.join();
    return ok;
  }

  bool WriteFolderJob(std::size_t folder, FolderJob& job) {
    folders_[folder].firstBlock = static_cast<uint32_t>(written_);
    for (;;) {
      std::unique_lock<std::mutex> lock(job.mutex);
      job.changed.wait(lock, [&job] { return !job.blocks.empty() || job.finished; });
      if (job.blocks.empty()) return job.error.empty() || Fail(job.error);
      std::pair<std::string, uint32_t> block = std::move(job.blocks.front());
      job.blocks.pop_front();
      job.queued -= block.first.size();
      lock.unlock();
      job.changed.notify_all();
      if (!WriteBlock(folder, block.first, block.second)) return false;
    }
  }

  // Runs on a compressing thread: the folder's files, block by block, into its job.
  void CompressFolder(std::size_t folder, const CabinetFileReader& reader, FolderJob& job, const std::atomic<bool>& stop) {
    std::string error;
    std::unique_ptr<FolderEncoder> encoder = MakeFolderEncoder(compression_);
    if (!encoder) error = "no encoder for compression type " + std::to_string(compression_.CompressionType());
    std::string data;
    std::vector<EncodedFrame> blocks;
    auto push = [&](bool last) {
      if (!EncodeDataBlocks(encoder.get(), data, last, &blocks, &error)) return false;
      data.clear();
      for (EncodedFrame& block : blocks) {
        std::unique_lock<std::mutex> lock(job.mutex);
        job.changed.wait(lock, [&] { return job.queued < kMaxQueuedFolderBytes || stop; });
        job.queued += block.bytes.size();
        job.blocks.emplace_back(std::move(block.bytes), block.size);
        lock.unlock();
        job.changed.notify_all();
      }
      return !stop;
    };
    for (std::size_t i = 0; i < files_.size() && error.empty() && !stop; ++i) {
      if (entries_[i].folder != folder) continue;
      for (uint64_t offset = 0; offset < files_[i].size && error.empty();) {
        const std::size_t filled = data.size();
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(kMaxBlockOutput - filled, files_[i].size - offset));
        data.resize(filled + take);
        if (!reader(i, offset, take, &data[filled])) {
          error = "cannot read '" + files_[i].name + "'";
          break;
        }
        offset += take;
        if (data.size() == kMaxBlockOutput && !push(false)) break;
      }
    }
    if (error.empty()) push(true);
    std::lock_guard<std::mutex> lock(job.mutex);
    job.error = error;
    job.finished = true;
    job.changed.notify_all();
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
  const CabinetStreamOptions& options_;
  std::vector<FolderPlan> folders_;
  std::vector<EntryPlan> entries_;
  std::unique_ptr<FolderEncoder> encoder_;
  std::string pending_;
  std::vector<EncodedFrame> encoded_;
  uint64_t written_ = 0;
  uint64_t done_ = 0;
  std::string error_;
};

}  // namespace

bool StreamCabinet(const std::vector<StreamedCabinetFile>& files, const CompressionChoice& compression,
                   const CabinetFileReader& read, CabinetSink* sink, uint64_t* cabinetSize, std::string* error,
                   const CabinetProgress& progress, const CabinetStreamOptions& options) {
  StreamBuilder builder(files, compression, read, sink, progress, options);
  return builder.Build(cabinetSize, error);
}

}  // namespace vorlax
