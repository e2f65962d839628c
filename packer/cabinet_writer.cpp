// The cabinet writer: plans the cabinets (folders, file entries, blocks) while the folders are
// encoded, then serializes each cabinet with its header, tables and block checksums.
//
// A "folder" of the plan is a run of one encoder over consecutive files; a user folder
// (CabinetInputFile::folder) becomes one such folder, or several when a set boundary closes it
// after the file that crossed the boundary, or when it reaches the format's 65,535-block limit.
#include "packer/cabinet_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/little_endian.h"
#include "cabinet/cabinet_checksum.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/decoder.h"

namespace vorlax {

namespace {

constexpr uint32_t kMaxFolderBlocks = 0xFFFF;
// Leaves room for a file that ends in a partly filled block.
constexpr uint64_t kMaxFolderBytes = uint64_t{kMaxFolderBlocks - 1} * kMaxBlockOutput;
constexpr uint64_t kMaxCabinetBytes = 0xFFFFFFFFu;
constexpr std::size_t kMaxTableCount = 0xFFFF;

struct PlacedBlock {
  std::string bytes;
  uint16_t uncompressed;  // 0: the block's first half, continued in the next cabinet
};

struct FolderPart {
  std::size_t folder = 0;  // the plan's folder id
  uint16_t compressionType = 0;
  bool continuesToNext = false;
  uint64_t decodedEnd = 0;  // uncompressed end of the last block completed in this cabinet
  std::vector<PlacedBlock> blocks;
};

struct EntryRef {
  std::size_t file = 0;
  std::size_t folder = 0;
  uint32_t offset = 0;
  bool fromPrevious = false;
};

struct CabinetPlan {
  std::vector<FolderPart> parts;
  std::vector<EntryRef> entries;
  uint64_t size = 0;  // bytes the cabinet takes so far (the last one's next names included)
};

// True when an entry of a folder is not complete by decodedEnd, so that its listing goes on in
// the next cabinet. An empty file goes on when it lies beyond decodedEnd: it is listed after a
// file that goes on, and a reader that follows that file into the next cabinet never comes back
// to this cabinet's list.
bool GoesOn(const EntryRef& entry, uint64_t size, uint64_t decodedEnd) {
  return size > 0 ? entry.offset + size > decodedEnd : entry.offset > decodedEnd;
}

std::string DiskName(std::size_t index) { return "Disk " + std::to_string(index + 1); }

void AppendLe16(std::string* out, uint16_t value) {
  uint8_t bytes[2];
  WriteLe16(bytes, value);
  out->append(reinterpret_cast<const char*>(bytes), 2);
}

void AppendLe32(std::string* out, uint32_t value) {
  uint8_t bytes[4];
  WriteLe32(bytes, value);
  out->append(reinterpret_cast<const char*>(bytes), 4);
}

void PutLe16(std::string* out, std::size_t at, uint16_t value) {
  WriteLe16(reinterpret_cast<uint8_t*>(&(*out)[at]), value);
}

void PutLe32(std::string* out, std::size_t at, uint32_t value) {
  WriteLe32(reinterpret_cast<uint8_t*>(&(*out)[at]), value);
}

void AppendName(std::string* out, const std::string& name) {
  out->append(name);
  out->push_back('\0');
}

class CabinetBuilder {
 public:
  CabinetBuilder(const std::vector<CabinetInputFile>& files, const CabinetWriterOptions& options)
      : files_(files), options_(options), splitting_(options.splitSize != 0) {}

  bool Build(std::vector<CabinetPart>* parts, std::string* error);

 private:
  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }
  bool CheckInput();
  bool ReservePresent() const {
    return options_.reservePresent || options_.headerReserve || options_.folderReserve ||
           options_.dataReserve;
  }
  uint64_t FolderEntrySize() const { return kCabFolderEntrySize + options_.folderReserve; }
  uint64_t BlockHeaderSize() const { return kCabBlockHeaderSize + options_.dataReserve; }
  uint64_t EntrySize(const CabinetInputFile& file) const {
    return kCabFileEntrySize + file.name.size() + 1;
  }
  uint64_t FixedHeaderSize(std::size_t index) const;
  uint64_t Room() const;

  bool AddFile(std::size_t index);
  bool MakeRoomForFile(const CabinetInputFile& file);
  bool OpenFolder(uint16_t userFolder);
  bool CloseFolder();
  bool Feed(const std::string& data);
  bool EmitBlock(bool last);
  bool PlaceBlock(const std::string& bytes, uint16_t uncompressed);
  void AppendBlock(std::string bytes, uint16_t uncompressed, bool completes);
  bool StartCabinet(bool continued);

  bool Serialize(std::size_t index, std::size_t count, CabinetPart* part);
  void AppendHeader(std::size_t index, std::size_t count, std::string* out) const;
  std::vector<EntryRef> ListedEntries(const CabinetPlan& cabinet) const;
  uint16_t FolderIndexValue(const CabinetPlan& cabinet, const EntryRef& entry) const;
  void AppendBlocks(const FolderPart& part, std::string* out) const;

  const std::vector<CabinetInputFile>& files_;
  const CabinetWriterOptions& options_;
  bool splitting_;
  std::string error_;
  std::vector<CabinetPlan> cabinets_;

  // The open folder.
  bool open_ = false;
  std::size_t folderId_ = 0;
  uint16_t userFolder_ = 0;
  uint16_t compressionType_ = 0;
  std::unique_ptr<FolderEncoder> encoder_;
  std::string pending_;       // uncompressed bytes of the block being filled
  uint64_t folderBytes_ = 0;  // uncompressed bytes of the folder given to the encoder
  uint64_t placedBytes_ = 0;  // uncompressed bytes of the folder's blocks already placed
  bool spanned_ = false;      // a cabinet boundary fell into this folder
  std::size_t foldersOpened_ = 0;
  std::vector<EncodedFrame> encoded_;
};

bool CabinetBuilder::CheckInput() {
  if (options_.folders.empty()) return Fail("no folder given");
  if (splitting_ && options_.splitSize < kMinSplitSize) {
    return Fail("split size must be at least " + std::to_string(kMinSplitSize) + " bytes");
  }
  if (splitting_ && !options_.listOrder.empty()) return Fail("a cabinet set lists files in folder order");
  if (!options_.listOrder.empty()) {
    std::vector<std::size_t> sorted = options_.listOrder;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      if (sorted[i] != i || sorted.size() != files_.size()) return Fail("list order is not a permutation of the files");
    }
  }
  for (const CabinetInputFile& file : files_) {
    if (file.name.empty() || file.name.size() > kCabMaxNameLength ||
        file.name.find('\0') != std::string::npos) {
      return Fail("file name must have 1 to 255 characters: '" + file.name + "'");
    }
    if (file.folder >= options_.folders.size()) return Fail("no folder " + std::to_string(file.folder) + " for '" + file.name + "'");
    if (file.data.size() > kMaxFolderBytes) return Fail("file too large for one folder: '" + file.name + "'");
  }
  for (const CompressionChoice& choice : options_.folders) {
    if (!MakeFolderEncoder(choice)) return Fail("no encoder for compression type " + std::to_string(choice.CompressionType()));
  }
  if (CabinetPartName(options_.cabinetName, 0xFFFF).size() > kCabMaxNameLength) return Fail("cabinet name too long");
  return true;
}

uint64_t CabinetBuilder::FixedHeaderSize(std::size_t index) const {
  uint64_t size = kCabHeaderSize;
  if (ReservePresent()) size += kCabReserveSizesSize + options_.headerReserve;
  if (index > 0) {
    size += CabinetPartName(options_.cabinetName, index - 1).size() + 1 + DiskName(index - 1).size() + 1;
  }
  if (splitting_) {
    size += CabinetPartName(options_.cabinetName, index + 1).size() + 1 + DiskName(index + 1).size() + 1;
  }
  return size;
}

uint64_t CabinetBuilder::Room() const {
  if (!splitting_) return UINT64_MAX;
  uint64_t used = cabinets_.back().size;
  return used >= options_.splitSize ? 0 : options_.splitSize - used;
}

bool CabinetBuilder::Build(std::vector<CabinetPart>* parts, std::string* error) {
  bool ok = CheckInput() && StartCabinet(false);
  for (uint16_t folder = 0; ok && folder < options_.folders.size(); ++folder) {
    for (std::size_t i = 0; ok && i < files_.size(); ++i) {
      if (files_[i].folder == folder) ok = AddFile(i);
    }
    if (ok && open_) ok = CloseFolder();
  }
  parts->clear();
  for (std::size_t k = 0; ok && k < cabinets_.size(); ++k) {
    parts->emplace_back();
    ok = Serialize(k, cabinets_.size(), &parts->back());
  }
  if (!ok) *error = error_;
  return ok;
}

// ---- Planning ---------------------------------------------------------------------------------

bool CabinetBuilder::AddFile(std::size_t index) {
  const CabinetInputFile& file = files_[index];
  if (open_ && (spanned_ || folderBytes_ + pending_.size() + file.data.size() > kMaxFolderBytes)) {
    if (!CloseFolder()) return false;
  }
  if (!MakeRoomForFile(file)) return false;
  if (!open_ && !OpenFolder(file.folder)) return false;
  CabinetPlan& cabinet = cabinets_.back();
  cabinet.entries.push_back(
      {index, folderId_, static_cast<uint32_t>(folderBytes_ + pending_.size()), false});
  cabinet.size += EntrySize(file);
  return Feed(file.data);
}

// In a set: a new file's entry, its folder's entry and a little data must fit the cabinet;
// otherwise the open folder is closed and a new cabinet begins.
bool CabinetBuilder::MakeRoomForFile(const CabinetInputFile& file) {
  if (!splitting_) return true;
  uint64_t need = EntrySize(file) + BlockHeaderSize() + 1;
  if (Room() >= need + (open_ ? 0 : FolderEntrySize())) return true;
  if (open_ && !CloseFolder()) return false;
  if (Room() >= need + FolderEntrySize()) return true;
  return StartCabinet(false);
}

bool CabinetBuilder::OpenFolder(uint16_t userFolder) {
  const CompressionChoice& choice = options_.folders[userFolder];
  // A set places each block as its file is fed (a boundary closes the folder after that file), so
  // its encoder holds no block back.
  encoder_ = MakeFolderEncoder(choice, !splitting_);
  if (!encoder_) return Fail("no encoder for compression type " + std::to_string(choice.CompressionType()));
  open_ = true;
  folderId_ = foldersOpened_++;
  userFolder_ = userFolder;
  compressionType_ = choice.CompressionType();
  pending_.clear();
  folderBytes_ = 0;
  placedBytes_ = 0;
  spanned_ = false;
  FolderPart part;
  part.folder = folderId_;
  part.compressionType = compressionType_;
  cabinets_.back().parts.push_back(std::move(part));
  cabinets_.back().size += FolderEntrySize();
  return true;
}

bool CabinetBuilder::CloseFolder() {
  bool ok = EmitBlock(true);
  open_ = false;
  encoder_.reset();
  return ok;
}

bool CabinetBuilder::Feed(const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    std::size_t take = std::min<std::size_t>(kMaxBlockOutput - pending_.size(), data.size() - done);
    pending_.append(data, done, take);
    done += take;
    if (pending_.size() == kMaxBlockOutput && !EmitBlock(false)) return false;
  }
  return true;
}

bool CabinetBuilder::EmitBlock(bool last) {
  encoded_.clear();
  uint32_t size = static_cast<uint32_t>(pending_.size());
  const bool encoded = last && size == 0 ? encoder_->Finish(&encoded_)
                                         : encoder_->EncodeFrames(reinterpret_cast<const uint8_t*>(pending_.data()),
                                                                  size, last, &encoded_);
  if (!encoded) {
    return Fail("encoding a block failed");
  }
  folderBytes_ += size;
  pending_.clear();
  for (const EncodedFrame& block : encoded_) {
    if (block.bytes.size() > 0xFFFF) return Fail("an encoded block exceeds 65,535 bytes");
    if (!PlaceBlock(block.bytes, static_cast<uint16_t>(block.size))) return false;
    placedBytes_ += block.size;
  }
  return true;
}

// Puts a block into the current cabinet. In a set, a block that does not fit is cut at each
// cabinet's end: every piece but the last declares 0 uncompressed bytes, so a small split size
// spreads one block over three or more cabinets.
bool CabinetBuilder::PlaceBlock(const std::string& bytes, uint16_t uncompressed) {
  const uint64_t header = BlockHeaderSize();
  std::size_t placed = 0;
  bool freshCabinet = false;
  while (Room() < header + (bytes.size() - placed)) {
    uint64_t room = Room();
    if (room <= header && freshCabinet) {
      return Fail("split size too small for a block and the continued file entries");
    }
    if (room > header) {
      std::size_t piece = static_cast<std::size_t>(room - header);
      AppendBlock(bytes.substr(placed, piece), 0, false);
      placed += piece;
    }
    if (!StartCabinet(true)) return false;
    freshCabinet = true;
    spanned_ = true;
  }
  AppendBlock(bytes.substr(placed), uncompressed, true);
  return true;
}

void CabinetBuilder::AppendBlock(std::string bytes, uint16_t uncompressed, bool completes) {
  CabinetPlan& cabinet = cabinets_.back();
  FolderPart& part = cabinet.parts.back();
  cabinet.size += BlockHeaderSize() + bytes.size();
  part.blocks.push_back({std::move(bytes), uncompressed});
  if (completes) part.decodedEnd = placedBytes_ + uncompressed;
}

// Begins the next cabinet. With continued, the open folder goes on in it, and the files whose data
// is not complete in the previous cabinet are listed first, continued from it.
bool CabinetBuilder::StartCabinet(bool continued) {
  if (cabinets_.size() >= kMaxTableCount) return Fail("too many cabinets in the set");
  std::vector<EntryRef> carried;
  if (continued) {
    FolderPart& part = cabinets_.back().parts.back();
    part.continuesToNext = true;
    for (const EntryRef& entry : cabinets_.back().entries) {
      uint64_t size = files_[entry.file].data.size();
      if (entry.folder == folderId_ && GoesOn(entry, size, part.decodedEnd)) {
        carried.push_back(entry);
      }
    }
  }
  cabinets_.emplace_back();
  CabinetPlan& cabinet = cabinets_.back();
  cabinet.size = FixedHeaderSize(cabinets_.size() - 1);
  if (continued) {
    FolderPart part;
    part.folder = folderId_;
    part.compressionType = compressionType_;
    part.decodedEnd = placedBytes_;
    cabinet.parts.push_back(std::move(part));
    cabinet.size += FolderEntrySize();
    for (EntryRef entry : carried) {
      entry.fromPrevious = true;
      cabinet.entries.push_back(entry);
      cabinet.size += EntrySize(files_[entry.file]);
    }
  }
  return true;
}

// ---- Serializing -------------------------------------------------------------------------------

void CabinetBuilder::AppendHeader(std::size_t index, std::size_t count, std::string* out) const {
  uint16_t flags = 0;
  if (index > 0) flags |= kCabFlagPreviousCabinet;
  if (index + 1 < count) flags |= kCabFlagNextCabinet;
  if (ReservePresent()) flags |= kCabFlagReservePresent;
  out->assign(kCabHeaderSize, '\0');
  std::memcpy(&(*out)[kCabHeaderSignature], kCabSignature, sizeof kCabSignature);
  PutLe16(out, kCabHeaderVersion, kCabVersion);
  PutLe16(out, kCabHeaderFlags, flags);
  PutLe16(out, kCabHeaderSetId, options_.setId);
  PutLe16(out, kCabHeaderCabinetIndex, static_cast<uint16_t>(index));
  if (ReservePresent()) {
    AppendLe16(out, options_.headerReserve);
    out->push_back(static_cast<char>(options_.folderReserve));
    out->push_back(static_cast<char>(options_.dataReserve));
    out->append(options_.headerReserve, '\0');
  }
  if (flags & kCabFlagPreviousCabinet) {
    AppendName(out, CabinetPartName(options_.cabinetName, index - 1));
    AppendName(out, DiskName(index - 1));
  }
  if (flags & kCabFlagNextCabinet) {
    AppendName(out, CabinetPartName(options_.cabinetName, index + 1));
    AppendName(out, DiskName(index + 1));
  }
}

std::vector<EntryRef> CabinetBuilder::ListedEntries(const CabinetPlan& cabinet) const {
  std::vector<EntryRef> entries = cabinet.entries;
  if (splitting_) return entries;  // folder order, continued entries first
  std::vector<std::size_t> rank(files_.size());
  for (std::size_t i = 0; i < files_.size(); ++i) {
    rank[options_.listOrder.empty() ? i : options_.listOrder[i]] = i;
  }
  std::stable_sort(entries.begin(), entries.end(), [&](const EntryRef& a, const EntryRef& b) {
    return rank[a.file] < rank[b.file];
  });
  return entries;
}

uint16_t CabinetBuilder::FolderIndexValue(const CabinetPlan& cabinet, const EntryRef& entry) const {
  std::size_t index = 0;
  while (cabinet.parts[index].folder != entry.folder) ++index;
  const FolderPart& part = cabinet.parts[index];
  uint64_t size = files_[entry.file].data.size();
  bool toNext = part.continuesToNext && GoesOn(entry, size, part.decodedEnd);
  if (entry.fromPrevious && toNext) return kCabFolderContinuedBoth;
  if (entry.fromPrevious) return kCabFolderContinuedFromPrevious;
  if (toNext) return kCabFolderContinuedToNext;
  return static_cast<uint16_t>(index);
}

void CabinetBuilder::AppendBlocks(const FolderPart& part, std::string* out) const {
  std::string header(BlockHeaderSize(), '\0');
  for (const PlacedBlock& block : part.blocks) {
    PutLe32(&header, kCabBlockChecksum, 0);
    PutLe16(&header, kCabBlockCompressedSize, static_cast<uint16_t>(block.bytes.size()));
    PutLe16(&header, kCabBlockUncompressedSize, block.uncompressed);
    if (options_.checksums) {
      uint32_t sum = CabinetBlockChecksum(
          reinterpret_cast<const uint8_t*>(header.data()), static_cast<uint32_t>(header.size()),
          reinterpret_cast<const uint8_t*>(block.bytes.data()), static_cast<uint32_t>(block.bytes.size()));
      PutLe32(&header, kCabBlockChecksum, sum);
    }
    out->append(header);
    out->append(block.bytes);
  }
}

bool CabinetBuilder::Serialize(std::size_t index, std::size_t count, CabinetPart* result) {
  const CabinetPlan& cabinet = cabinets_[index];
  if (cabinet.parts.size() > kMaxTableCount || cabinet.entries.size() > kMaxTableCount) {
    return Fail("more than 65,535 folders or files in one cabinet");
  }
  std::string& out = result->bytes;
  result->name = CabinetPartName(options_.cabinetName, index);
  AppendHeader(index, count, &out);
  std::size_t folderTable = out.size();
  out.append(cabinet.parts.size() * FolderEntrySize(), '\0');
  PutLe32(&out, kCabHeaderFilesOffset, static_cast<uint32_t>(out.size()));
  for (const EntryRef& entry : ListedEntries(cabinet)) {
    const CabinetInputFile& file = files_[entry.file];
    AppendLe32(&out, static_cast<uint32_t>(file.data.size()));
    AppendLe32(&out, entry.offset);
    AppendLe16(&out, FolderIndexValue(cabinet, entry));
    AppendLe16(&out, file.dosDate);
    AppendLe16(&out, file.dosTime);
    AppendLe16(&out, file.attributes);
    AppendName(&out, file.name);
  }
  for (std::size_t p = 0; p < cabinet.parts.size(); ++p) {
    const FolderPart& part = cabinet.parts[p];
    if (part.blocks.size() > kMaxFolderBlocks) return Fail("more than 65,535 blocks in one folder");
    std::size_t entry = folderTable + p * FolderEntrySize();
    PutLe32(&out, entry + kCabFolderFirstBlock, static_cast<uint32_t>(out.size()));
    PutLe16(&out, entry + kCabFolderBlockCount, static_cast<uint16_t>(part.blocks.size()));
    PutLe16(&out, entry + kCabFolderCompression, part.compressionType);
    AppendBlocks(part, &out);
    if (out.size() > kMaxCabinetBytes) return Fail("cabinet larger than 4 GiB");
  }
  if (out.size() > kMaxCabinetBytes) return Fail("cabinet larger than 4 GiB");
  PutLe32(&out, kCabHeaderCabinetSize, static_cast<uint32_t>(out.size()));
  PutLe16(&out, kCabHeaderFolderCount, static_cast<uint16_t>(cabinet.parts.size()));
  PutLe16(&out, kCabHeaderFileCount, static_cast<uint16_t>(cabinet.entries.size()));
  return true;
}

}  // namespace

std::string CabinetPartName(const std::string& firstName, std::size_t index) {
  if (index == 0) return firstName;
  std::string number = std::to_string(index + 1);
  std::size_t dot = firstName.rfind('.');
  if (dot == std::string::npos || dot == 0) return firstName + number;
  return firstName.substr(0, dot) + number + firstName.substr(dot);
}

bool WriteCabinets(const std::vector<CabinetInputFile>& files, const CabinetWriterOptions& options,
                   std::vector<CabinetPart>* parts, std::string* error) {
  CabinetBuilder builder(files, options);
  return builder.Build(parts, error);
}

}  // namespace vorlax
