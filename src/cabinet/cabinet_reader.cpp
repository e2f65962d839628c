// The cabinet reader: the container walk, cabinet sets, data blocks and checksums.
//
// The state is one CabinetReaderState, allocated through the host's alloc callback. Every failure
// goes through Fail(code), which stores the code in the host's CabinetError and answers false,
// so each step reads "if (!Step()) return false".
//
// Where the format leaves room for damage the reader refuses it with code 4 instead of guessing:
// a block that claims more than a block buffer holds, a file whose data runs past the last
// cabinet of its set, a continued folder with another compression type, a file of a continued
// folder that starts before the data already decoded. Every loop is bounded by a count read from
// the cabinet (files, blocks) or by the host's answers (the next-cabinet retries).
#include "cabinet/cabinet_reader.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "base/little_endian.h"
#include "cabinet/cabinet_checksum.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/folder_decoder.h"

namespace vorlax {

const char* CabinetErrorText(int code) {
  switch (code) {
    case kCabErrorNone: return "No error";
    case kCabErrorCabinetNotFound: return "Cabinet not found";
    case kCabErrorNotACabinet: return "Not a cabinet";
    case kCabErrorUnknownVersion: return "Unknown cabinet version";
    case kCabErrorCorrupt: return "Corrupt cabinet";
    case kCabErrorNoMemory: return "Memory allocation failed";
    case kCabErrorUnknownCompression: return "Unknown compression type";
    case kCabErrorDecompress: return "Failure decompressing data";
    case kCabErrorTargetFile: return "Failure writing to target file";
    case kCabErrorReserveMismatch: return "Cabinets in set have different RESERVE sizes";
    case kCabErrorWrongCabinet: return "Cabinet returned on fdintNEXT_CABINET is incorrect";
    case kCabErrorUserAbort: return "User aborted";
    default: return "Unknown error";
  }
}

namespace {

constexpr uint16_t kNoFolder = 0xFFFF;
constexpr int32_t kNoSize = -1;  // a reserve-dependent buffer not allocated yet
constexpr int kCabinetOpenFlags = kCabOpenBinary;

bool IsContinuedFromPrevious(uint16_t folderIndex) {
  return folderIndex == kCabFolderContinuedFromPrevious || folderIndex == kCabFolderContinuedBoth;
}

bool IsContinuedToNext(uint16_t folderIndex) {
  return folderIndex == kCabFolderContinuedToNext || folderIndex == kCabFolderContinuedBoth;
}

// Copies text into a 256-byte buffer; false when it does not fit.
bool CopyName(char* buffer, const char* text) {
  std::size_t length = std::strlen(text);
  if (length > kCabMaxNameLength) return false;
  std::memcpy(buffer, text, length + 1);
  return true;
}

}  // namespace

class CabinetReaderState : public CabinetReader {
 public:
  CabinetReaderState(const CabinetCallbacks& callbacks, int processorType, CabinetError* error)
      : callbacks_(callbacks), processorType_(processorType), error_(error) {}

  bool CopyCabinet(const char* name, const char* directory, CabinetNotify notify,
                   CabinetDecryptHook decrypt, void* userValue);
  void Release();
  const CabinetCallbacks& Callbacks() const { return callbacks_; }

 private:
  // ---- Failure and plumbing -------------------------------------------------------------------
  bool Fail(int code);
  bool ReadExact(CabinetFile file, void* buffer, uint32_t count);
  bool SeekTo(CabinetFile file, int64_t position);
  void* Allocate(uint32_t size) { return callbacks_.alloc(size); }
  void FreeBlock(uint8_t** block);
  bool CloseHandles();
  intptr_t Send(CabinetNotificationKind kind) { return notify_(kind, &note_); }

  // ---- Opening a cabinet ----------------------------------------------------------------------
  bool OpenCabinet(const char* name, bool expectIndex, uint16_t setId, uint16_t index);
  bool OpenHandles();
  bool ReadHeader(bool expectIndex, uint16_t setId, uint16_t index);
  bool ReadReserveAreas();
  bool SizeReserveBuffer(uint8_t** buffer, int32_t* current, uint32_t wanted, bool fixed);
  bool ReadNames();
  bool ReadName(char* out);
  bool AnnounceCabinet();

  // ---- The file list --------------------------------------------------------------------------
  bool Walk();
  bool SendListPosition();
  bool ReadFileEntry();
  void FillEntryNotification();
  bool HandleEntry(bool* stop);
  bool StartFile();

  // ---- File data, folders and blocks ----------------------------------------------------------
  bool CopyFileData();
  bool SendFileDone();
  bool SelectFolder(uint16_t folderIndex);
  bool ReadFolderEntry(uint16_t folderIndex, uint32_t* firstBlock, uint16_t* blockCount,
                       uint16_t* compressionType);
  bool SwitchDecoder(uint16_t compressionType);
  bool DestroyDecoder();
  bool LoadNextBlock(bool firstOfFolder);
  bool ReadBlock(uint32_t at);
  bool DecodeBlock();
  bool MoveToNextCabinet();
  bool TryNextCabinet(const char* wantedName, const char* wantedDisk, uint16_t setId,
                      uint16_t index, int lastError);
  bool EnterContinuedFolder();
  bool SkipContinuedEntries();

  CabinetCallbacks callbacks_;
  int processorType_;
  CabinetError* error_;
  CabinetNotify notify_ = nullptr;
  CabinetDecryptHook decrypt_ = nullptr;
  void* userValue_ = nullptr;
  CabinetNotification note_;

  CabinetFile listFile_ = kNoCabinetFile;
  CabinetFile dataFile_ = kNoCabinetFile;
  CabinetFile output_ = kNoCabinetFile;

  // The current cabinet's header.
  uint32_t filesOffset_ = 0;
  uint16_t folderCount_ = 0;
  uint16_t fileCount_ = 0;
  uint16_t flags_ = 0;
  uint16_t setId_ = 0;
  uint16_t cabinetIndex_ = 0;

  uint8_t* headerReserve_ = nullptr;
  int32_t headerReserveSize_ = kNoSize;
  uint8_t* folderEntry_ = nullptr;
  int32_t folderEntrySize_ = kNoSize;
  uint8_t* blockHeader_ = nullptr;
  int32_t blockHeaderSize_ = kNoSize;
  // Reserve sizes read from the current header, before they are compared with the buffers.
  uint32_t readHeaderReserve_ = 0;
  uint32_t readFolderReserve_ = 0;
  uint32_t readDataReserve_ = 0;

  char previousCabinet_[kCabNameBufferSize] = {};
  char previousDisk_[kCabNameBufferSize] = {};
  char nextCabinet_[kCabNameBufferSize] = {};
  char nextDisk_[kCabNameBufferSize] = {};
  char directory_[kCabNameBufferSize] = {};
  char fullPath_[kCabNameBufferSize] = {};

  uint8_t fileEntry_[kCabFileEntrySize] = {};
  char fileName_[kCabNameBufferSize] = {};

  int64_t folderTablePosition_ = 0;
  uint16_t currentFolder_ = kNoFolder;
  uint16_t blocksLeft_ = 0;
  uint64_t folderOffset_ = 0;  // uncompressed offset of the current block in its folder
  uint16_t filesLeft_ = 0;
  uint32_t declinedContinued_ = 0;
  bool continuation_ = false;

  uint16_t compressionType_ = kDecoderNone;
  void* decoder_ = nullptr;
  uint8_t* compressed_ = nullptr;
  uint32_t compressedCapacity_ = 0;
  uint8_t* uncompressed_ = nullptr;
  uint32_t blockCompressed_ = 0;    // compressed bytes of the current block (both halves)
  uint32_t blockUncompressed_ = 0;  // its uncompressed byte count
};

// ---- Failure and plumbing -----------------------------------------------------------------------

bool CabinetReaderState::Fail(int code) {
  error_->code = code;
  error_->extra = 0;
  error_->present = 1;
  return false;
}

bool CabinetReaderState::ReadExact(CabinetFile file, void* buffer, uint32_t count) {
  return count == 0 || callbacks_.read(file, buffer, count) == static_cast<int32_t>(count);
}

bool CabinetReaderState::SeekTo(CabinetFile file, int64_t position) {
  return callbacks_.seek(file, position, kCabSeekBegin) == position;
}

void CabinetReaderState::FreeBlock(uint8_t** block) {
  if (*block) callbacks_.free(*block);
  *block = nullptr;
}

// Closes both cabinet handles that are open; false when a close failed.
bool CabinetReaderState::CloseHandles() {
  bool ok = true;
  for (CabinetFile* file : {&listFile_, &dataFile_}) {
    if (*file != kNoCabinetFile && callbacks_.close(*file) != 0) ok = false;
    *file = kNoCabinetFile;
  }
  return ok;
}

void CabinetReaderState::Release() {
  DestroyDecoder();
  FreeBlock(&compressed_);
  FreeBlock(&uncompressed_);
  FreeBlock(&headerReserve_);
  FreeBlock(&folderEntry_);
  FreeBlock(&blockHeader_);
  if (output_ != kNoCabinetFile) callbacks_.close(output_);
  output_ = kNoCabinetFile;
  CloseHandles();
}

// ---- Opening a cabinet ----------------------------------------------------------------------------

// Opens directory + name and reads everything up to the file list. With expectIndex the header
// must carry setId and index.
bool CabinetReaderState::OpenCabinet(const char* name, bool expectIndex, uint16_t setId,
                                     uint16_t index) {
  std::size_t directoryLength = std::strlen(directory_);
  std::size_t nameLength = std::strlen(name);
  // A path that does not fit is not cut: no such cabinet can be opened.
  if (directoryLength + nameLength > kCabMaxNameLength) return Fail(kCabErrorCabinetNotFound);
  std::memcpy(fullPath_, directory_, directoryLength);
  std::memcpy(fullPath_ + directoryLength, name, nameLength + 1);

  if (!OpenHandles()) return false;
  if (!ReadHeader(expectIndex, setId, index)) return false;
  if (!ReadReserveAreas()) return false;
  if (!ReadNames()) return false;

  folderTablePosition_ = callbacks_.seek(listFile_, 0, kCabSeekCurrent);
  if (folderTablePosition_ < 0 || !SeekTo(listFile_, filesOffset_)) {
    return Fail(kCabErrorCorrupt);
  }
  filesLeft_ = fileCount_;
  return AnnounceCabinet();
}

bool CabinetReaderState::OpenHandles() {
  listFile_ = callbacks_.open(fullPath_, kCabinetOpenFlags, kCabOpenModeReadWrite);
  if (listFile_ == kNoCabinetFile) return Fail(kCabErrorCabinetNotFound);
  dataFile_ = callbacks_.open(fullPath_, kCabinetOpenFlags, kCabOpenModeReadWrite);
  if (dataFile_ == kNoCabinetFile) return Fail(kCabErrorCabinetNotFound);
  return true;
}

bool CabinetReaderState::ReadHeader(bool expectIndex, uint16_t setId, uint16_t index) {
  uint8_t header[kCabHeaderSize];
  if (!ReadExact(listFile_, header, kCabHeaderSize) ||
      std::memcmp(header + kCabHeaderSignature, kCabSignature, sizeof kCabSignature) != 0) {
    return Fail(kCabErrorNotACabinet);
  }
  if (ReadLe16(header + kCabHeaderVersion) != kCabVersion) return Fail(kCabErrorUnknownVersion);
  if (expectIndex && (ReadLe16(header + kCabHeaderSetId) != setId ||
                      ReadLe16(header + kCabHeaderCabinetIndex) != index)) {
    return Fail(kCabErrorWrongCabinet);
  }
  filesOffset_ = ReadLe32(header + kCabHeaderFilesOffset);
  folderCount_ = ReadLe16(header + kCabHeaderFolderCount);
  fileCount_ = ReadLe16(header + kCabHeaderFileCount);
  flags_ = ReadLe16(header + kCabHeaderFlags);
  setId_ = ReadLe16(header + kCabHeaderSetId);
  cabinetIndex_ = ReadLe16(header + kCabHeaderCabinetIndex);
  return true;
}

// The reserve sizes and the header-reserve bytes. The folder-entry and block-header buffers get
// their size from the first cabinet; every later cabinet of the reader must match it (code 9).
bool CabinetReaderState::ReadReserveAreas() {
  readHeaderReserve_ = readFolderReserve_ = readDataReserve_ = 0;
  if (flags_ & kCabFlagReservePresent) {
    uint8_t sizes[kCabReserveSizesSize];
    if (!ReadExact(listFile_, sizes, kCabReserveSizesSize)) return Fail(kCabErrorNotACabinet);
    readHeaderReserve_ = ReadLe16(sizes + kCabReserveHeaderSize);
    readFolderReserve_ = sizes[kCabReserveFolderSize];
    readDataReserve_ = sizes[kCabReserveDataSize];
  }
  if (!SizeReserveBuffer(&headerReserve_, &headerReserveSize_, readHeaderReserve_, false)) {
    return false;
  }
  if (!ReadExact(listFile_, headerReserve_, readHeaderReserve_)) {
    return Fail(kCabErrorNotACabinet);
  }
  return SizeReserveBuffer(&folderEntry_, &folderEntrySize_,
                           kCabFolderEntrySize + readFolderReserve_, true) &&
         SizeReserveBuffer(&blockHeader_, &blockHeaderSize_,
                           kCabBlockHeaderSize + readDataReserve_, true);
}

// Gives *buffer the wanted size. A fixed buffer keeps its first size for the reader's lifetime,
// and a different size is code 9; the header-reserve buffer follows each cabinet.
bool CabinetReaderState::SizeReserveBuffer(uint8_t** buffer, int32_t* current, uint32_t wanted,
                                           bool fixed) {
  if (*current == static_cast<int32_t>(wanted)) return true;
  if (fixed && *current != kNoSize) return Fail(kCabErrorReserveMismatch);
  FreeBlock(buffer);
  *current = kNoSize;
  if (wanted != 0) {
    *buffer = static_cast<uint8_t*>(Allocate(wanted));
    if (!*buffer) return Fail(kCabErrorNoMemory);
  }
  *current = static_cast<int32_t>(wanted);
  return true;
}

bool CabinetReaderState::ReadNames() {
  previousCabinet_[0] = previousDisk_[0] = nextCabinet_[0] = nextDisk_[0] = '\0';
  if ((flags_ & kCabFlagPreviousCabinet) && (!ReadName(previousCabinet_) || !ReadName(previousDisk_))) {
    return false;
  }
  if ((flags_ & kCabFlagNextCabinet) && (!ReadName(nextCabinet_) || !ReadName(nextDisk_))) {
    return false;
  }
  return true;
}

// Reads a NUL-terminated name of at most 255 characters at the list handle's position into a
// 256-byte buffer and leaves the handle just after the NUL. A name whose NUL is not among the
// bytes read (256 characters, or the end of the file) is code 4.
bool CabinetReaderState::ReadName(char* out) {
  int32_t got = callbacks_.read(listFile_, out, kCabNameBufferSize);
  if (got <= 0 || got > static_cast<int32_t>(kCabNameBufferSize)) {
    out[0] = '\0';
    return Fail(kCabErrorCorrupt);
  }
  const void* nul = std::memchr(out, '\0', static_cast<std::size_t>(got));
  out[kCabMaxNameLength] = '\0';
  if (!nul) {
    out[0] = '\0';
    return Fail(kCabErrorCorrupt);
  }
  int64_t length = static_cast<const char*>(nul) - out;
  int64_t unread = got - (length + 1);
  if (unread > 0 && callbacks_.seek(listFile_, -unread, kCabSeekCurrent) < 0) {
    return Fail(kCabErrorCorrupt);
  }
  return true;
}

bool CabinetReaderState::AnnounceCabinet() {
  note_ = CabinetNotification();
  note_.text1 = nextCabinet_;
  note_.text2 = nextDisk_;
  note_.text3 = directory_;
  note_.userValue = userValue_;
  note_.setId = setId_;
  note_.cabinetIndex = cabinetIndex_;
  if (Send(fdintCABINET_OPENED) == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
  if (decrypt_ && decrypt_(kCabDecryptNewCabinet, nullptr, 0, userValue_) == -1) {
    return Fail(kCabErrorUserAbort);
  }
  return true;
}

// ---- The file list --------------------------------------------------------------------------------

bool CabinetReaderState::CopyCabinet(const char* name, const char* directory,
                                     CabinetNotify notify, CabinetDecryptHook decrypt,
                                     void* userValue) {
  notify_ = notify;
  decrypt_ = decrypt;
  userValue_ = userValue;
  declinedContinued_ = 0;
  bool ok = CopyName(directory_, directory) ? true : Fail(kCabErrorCabinetNotFound);
  if (ok) ok = OpenCabinet(name, false, 0, 0);
  if (ok) {
    continuation_ = false;
    currentFolder_ = kNoFolder;
    ok = Walk();
  }
  if (!CloseHandles() && ok) ok = Fail(kCabErrorCorrupt);
  return ok;
}

bool CabinetReaderState::Walk() {
  if (!SendListPosition()) return false;
  while (filesLeft_ > 0) {
    while (filesLeft_ > 0) {
      --filesLeft_;
      bool stop = false;
      if (!ReadFileEntry() || !HandleEntry(&stop)) return false;
      if (stop) filesLeft_ = 0;
    }
    if (!SendListPosition()) return false;
  }
  return true;
}

// Tells the host where the list stands; the host may move the position and change the count.
bool CabinetReaderState::SendListPosition() {
  int64_t position = callbacks_.seek(listFile_, 0, kCabSeekCurrent);
  if (position < 0) return Fail(kCabErrorCorrupt);
  note_ = CabinetNotification();
  note_.size = position;
  note_.userValue = userValue_;
  note_.setId = setId_;
  note_.folderIndex = filesLeft_;
  if (Send(fdintLIST_POSITION) == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
  filesLeft_ = note_.folderIndex;
  if (note_.size != position && (note_.size < 0 || !SeekTo(listFile_, note_.size))) {
    return Fail(kCabErrorCorrupt);
  }
  return true;
}

bool CabinetReaderState::ReadFileEntry() {
  if (!ReadExact(listFile_, fileEntry_, kCabFileEntrySize)) return Fail(kCabErrorCorrupt);
  return ReadName(fileName_);
}

void CabinetReaderState::FillEntryNotification() {
  note_ = CabinetNotification();
  note_.size = ReadLe32(fileEntry_ + kCabFileSize);
  note_.text1 = fileName_;
  note_.text2 = previousCabinet_;
  note_.text3 = previousDisk_;
  note_.date = ReadLe16(fileEntry_ + kCabFileDate);
  note_.time = ReadLe16(fileEntry_ + kCabFileTime);
  note_.attributes = ReadLe16(fileEntry_ + kCabFileAttributes);
  note_.userValue = userValue_;
  note_.folderIndex = ReadLe16(fileEntry_ + kCabFileFolderIndex);
}

// One entry of the list. *stop ends the walk: after a move into the next cabinet, the first entry
// that is not continued begins the files of a later Copy of that cabinet.
bool CabinetReaderState::HandleEntry(bool* stop) {
  FillEntryNotification();
  uint16_t folderIndex = note_.folderIndex;
  if (IsContinuedFromPrevious(folderIndex)) {
    if (continuation_) return StartFile();
    if (Send(fdintPARTIAL_ENTRY) == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
    return true;
  }
  if (continuation_) {
    *stop = true;
    return true;
  }
  if (folderIndex == kCabFolderContinuedToNext) {
    if (folderCount_ == 0) return Fail(kCabErrorCorrupt);
    return StartFile();
  }
  // An index past the folder table (0xFFFC included, which names no folder) is skipped silently.
  if (folderIndex >= folderCount_) return true;
  return StartFile();
}

bool CabinetReaderState::StartFile() {
  intptr_t answer = Send(fdintFILE_START);
  if (answer == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
  if (answer == kCabAnswerSkip) {
    if (IsContinuedToNext(ReadLe16(fileEntry_ + kCabFileFolderIndex))) ++declinedContinued_;
    return true;
  }
  output_ = answer;
  if (CopyFileData()) return SendFileDone();
  callbacks_.close(output_);
  output_ = kNoCabinetFile;
  return false;
}

// ---- File data --------------------------------------------------------------------------------------

// Writes the current entry's bytes to output_, block by block.
bool CabinetReaderState::CopyFileData() {
  uint64_t left = ReadLe32(fileEntry_ + kCabFileSize);
  uint64_t offset = ReadLe32(fileEntry_ + kCabFileFolderOffset);
  if (left == 0) return true;
  if (offset < folderOffset_) {
    // The blocks before the current one are gone; a continued folder cannot be decoded again.
    if (continuation_) return Fail(kCabErrorCorrupt);
    currentFolder_ = kNoFolder;
  }
  if (!SelectFolder(ReadLe16(fileEntry_ + kCabFileFolderIndex))) return false;
  while (left > 0) {
    uint64_t blockEnd = folderOffset_ + blockUncompressed_;
    if (blockEnd <= offset) {
      if (!LoadNextBlock(false)) return false;
      continue;
    }
    if (offset < folderOffset_) return Fail(kCabErrorCorrupt);
    uint32_t start = static_cast<uint32_t>(offset - folderOffset_);
    uint32_t count = static_cast<uint32_t>(
        left < blockEnd - offset ? left : blockEnd - offset);
    if (callbacks_.write(output_, uncompressed_ + start, count) != static_cast<int32_t>(count)) {
      return Fail(kCabErrorTargetFile);
    }
    offset += count;
    left -= count;
    if (left > 0 && !LoadNextBlock(false)) return false;
  }
  return true;
}

bool CabinetReaderState::SendFileDone() {
  uint16_t attributes = ReadLe16(fileEntry_ + kCabFileAttributes);
  note_ = CabinetNotification();
  note_.text1 = fileName_;
  note_.fileHandle = output_;
  note_.date = ReadLe16(fileEntry_ + kCabFileDate);
  note_.time = ReadLe16(fileEntry_ + kCabFileTime);
  note_.attributes = static_cast<uint16_t>(attributes & ~kCabAttributeRunAfterExtract);
  note_.size = (attributes & kCabAttributeRunAfterExtract) ? 1 : 0;
  note_.userValue = userValue_;
  note_.folderIndex = ReadLe16(fileEntry_ + kCabFileFolderIndex);
  output_ = kNoCabinetFile;  // the host closes it
  intptr_t answer = Send(fdintFILE_DONE);
  if (answer == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
  if (answer == 0) return Fail(kCabErrorTargetFile);
  return true;
}

// ---- Folders ----------------------------------------------------------------------------------------

bool CabinetReaderState::SelectFolder(uint16_t folderIndex) {
  if (continuation_) return true;
  if (IsContinuedToNext(folderIndex)) folderIndex = static_cast<uint16_t>(folderCount_ - 1);
  if (folderIndex == currentFolder_) return true;
  currentFolder_ = kNoFolder;
  FolderDecoderStatus reset = FolderDecoderReset(CompressionKind(compressionType_), decoder_);
  if (reset == kFolderDecoderUnknownKind) return Fail(kCabErrorUnknownCompression);
  if (reset != kFolderDecoderOk) return Fail(kCabErrorDecompress);

  uint32_t firstBlock = 0;
  uint16_t blockCount = 0;
  uint16_t compressionType = 0;
  if (!ReadFolderEntry(folderIndex, &firstBlock, &blockCount, &compressionType)) return false;
  blocksLeft_ = blockCount;
  if (!SwitchDecoder(compressionType)) return false;
  folderOffset_ = 0;
  blockUncompressed_ = 0;
  currentFolder_ = folderIndex;  // a split first block moves on from the folder's cabinet
  if (LoadNextBlock(true)) return true;
  currentFolder_ = kNoFolder;
  return false;
}

// Reads one folder entry through the data handle and leaves the handle at its first data block.
bool CabinetReaderState::ReadFolderEntry(uint16_t folderIndex, uint32_t* firstBlock,
                                         uint16_t* blockCount, uint16_t* compressionType) {
  int64_t position = folderTablePosition_ + int64_t{folderIndex} * folderEntrySize_;
  if (!SeekTo(dataFile_, position) ||
      !ReadExact(dataFile_, folderEntry_, static_cast<uint32_t>(folderEntrySize_))) {
    return Fail(kCabErrorCorrupt);
  }
  *firstBlock = ReadLe32(folderEntry_ + kCabFolderFirstBlock);
  *blockCount = ReadLe16(folderEntry_ + kCabFolderBlockCount);
  *compressionType = ReadLe16(folderEntry_ + kCabFolderCompression);
  if (!SeekTo(dataFile_, *firstBlock)) return Fail(kCabErrorCorrupt);
  return true;
}

bool CabinetReaderState::DestroyDecoder() {
  FolderDecoderStatus status = FolderDecoderDestroy(CompressionKind(compressionType_), decoder_);
  decoder_ = nullptr;
  if (status == kFolderDecoderUnknownKind) return Fail(kCabErrorUnknownCompression);
  return status == kFolderDecoderOk ? true : Fail(kCabErrorDecompress);
}

// Replaces the decoder and its two block buffers when the compression type changes. After a
// failure the reader is left with no decoder (kind 15), so a later folder starts cleanly.
bool CabinetReaderState::SwitchDecoder(uint16_t compressionType) {
  // Kinds 4 to 15 name no decoder; 15 is only the reader's own "none selected".
  if (CompressionKind(compressionType) > kDecoderLzx) return Fail(kCabErrorUnknownCompression);
  if (compressionType == compressionType_) return true;
  bool destroyed = DestroyDecoder();
  FreeBlock(&compressed_);
  FreeBlock(&uncompressed_);
  compressionType_ = kDecoderNone;
  if (!destroyed) return false;

  DecoderMemory memory{callbacks_.alloc, callbacks_.free};
  uint32_t inputSize = 0;
  FolderDecoderStatus query =
      FolderDecoderQueryCreate(compressionType, processorType_, memory, &inputSize, nullptr);
  if (query == kFolderDecoderUnknownKind) return Fail(kCabErrorUnknownCompression);
  if (query != kFolderDecoderOk) return Fail(kCabErrorDecompress);

  compressed_ = static_cast<uint8_t*>(Allocate(inputSize));
  if (!compressed_) return Fail(kCabErrorNoMemory);
  uncompressed_ = static_cast<uint8_t*>(Allocate(kMaxBlockOutput));
  if (!uncompressed_) {
    FreeBlock(&compressed_);
    return Fail(kCabErrorNoMemory);
  }
  compressedCapacity_ = inputSize;
  FolderDecoderStatus created =
      FolderDecoderQueryCreate(compressionType, processorType_, memory, &inputSize, &decoder_);
  if (created != kFolderDecoderOk) {
    FreeBlock(&compressed_);
    FreeBlock(&uncompressed_);
    decoder_ = nullptr;
    return Fail(created == kFolderDecoderNoMemory ? kCabErrorNoMemory : kCabErrorDecompress);
  }
  compressionType_ = compressionType;
  return true;
}

// ---- Data blocks --------------------------------------------------------------------------------------

// Reads and decodes the folder's next block (its first one with firstOfFolder), following the
// folder into the next cabinet when this cabinet's blocks are used up or the block is split.
bool CabinetReaderState::LoadNextBlock(bool firstOfFolder) {
  if (!firstOfFolder) folderOffset_ += blockUncompressed_;
  if (blocksLeft_ == 0) {
    if (!MoveToNextCabinet()) return false;
    if (blocksLeft_ == 0) return Fail(kCabErrorCorrupt);
  }
  --blocksLeft_;
  if (!ReadBlock(0)) return false;
  while (blockUncompressed_ == 0) {
    // The block goes on in the first block of the next cabinet; a piece there that again says 0
    // goes on in the cabinet after it. Each piece is read after the ones before, so the buffer's
    // capacity bounds the pieces (an empty piece is refused, or pieces could go on forever).
    if (!MoveToNextCabinet()) return false;
    if (blocksLeft_ == 0) return Fail(kCabErrorCorrupt);
    uint32_t before = blockCompressed_;
    if (!ReadBlock(blockCompressed_)) return false;
    --blocksLeft_;
    if (blockUncompressed_ == 0 && blockCompressed_ == before) return Fail(kCabErrorCorrupt);
  }
  return DecodeBlock();
}

// Reads one block header and its compressed bytes to compressed_ + at, checks the checksum, and
// leaves the block's total compressed length (both halves) in blockCompressed_.
bool CabinetReaderState::ReadBlock(uint32_t at) {
  uint32_t headerSize = static_cast<uint32_t>(blockHeaderSize_);
  if (!ReadExact(dataFile_, blockHeader_, headerSize)) return Fail(kCabErrorCorrupt);
  uint32_t stored = ReadLe32(blockHeader_ + kCabBlockChecksum);
  uint32_t count = ReadLe16(blockHeader_ + kCabBlockCompressedSize);
  if (at + count > compressedCapacity_) return Fail(kCabErrorCorrupt);
  if (!ReadExact(dataFile_, compressed_ + at, count)) return Fail(kCabErrorCorrupt);
  if (stored != 0 &&
      CabinetBlockChecksum(blockHeader_, headerSize, compressed_ + at, count) != stored) {
    return Fail(kCabErrorCorrupt);
  }
  if (decrypt_ && decrypt_(kCabDecryptDataBlock, compressed_ + at, count, userValue_) == -1) {
    return Fail(kCabErrorUserAbort);
  }
  blockCompressed_ = at + count;
  blockUncompressed_ = ReadLe16(blockHeader_ + kCabBlockUncompressedSize);
  return true;
}

bool CabinetReaderState::DecodeBlock() {
  // No decoder may be asked for more than the block buffer holds.
  if (blockUncompressed_ > kMaxBlockOutput) return Fail(kCabErrorCorrupt);
  DecoderKind kind = CompressionKind(compressionType_);
  uint32_t produced = 0;
  if (kind == kDecoderStored) {
    if (blockCompressed_ > kMaxBlockOutput) return Fail(kCabErrorDecompress);
    std::memcpy(uncompressed_, compressed_, blockCompressed_);
    produced = blockCompressed_;
  } else {
    produced = kind == kDecoderMszip ? kMaxBlockOutput : blockUncompressed_;
    FolderDecoderStatus status = FolderDecoderDecompress(kind, decoder_, compressed_,
                                                         blockCompressed_, uncompressed_, &produced);
    if (status == kFolderDecoderUnknownKind) return Fail(kCabErrorUnknownCompression);
    if (status != kFolderDecoderOk) return Fail(kCabErrorDecompress);
  }
  if (produced != blockUncompressed_) return Fail(kCabErrorDecompress);
  return true;
}

// ---- Cabinet sets -------------------------------------------------------------------------------------

// Moves the current folder into the next cabinet of the set. The host is asked for it until an
// open succeeds or the host answers -1 (the host bounds its retries).
bool CabinetReaderState::MoveToNextCabinet() {
  // Only the last folder of a cabinet continues, and only when the cabinet names a next one.
  if (!(flags_ & kCabFlagNextCabinet) || folderCount_ == 0 ||
      currentFolder_ != folderCount_ - 1) {
    return Fail(kCabErrorCorrupt);
  }
  char wantedName[kCabNameBufferSize];
  char wantedDisk[kCabNameBufferSize];
  std::memcpy(wantedName, nextCabinet_, kCabNameBufferSize);
  std::memcpy(wantedDisk, nextDisk_, kCabNameBufferSize);
  uint16_t setId = setId_;
  uint16_t index = static_cast<uint16_t>(cabinetIndex_ + 1);
  if (!CloseHandles()) return Fail(kCabErrorCorrupt);
  int lastError = 0;
  while (!TryNextCabinet(wantedName, wantedDisk, setId, index, lastError)) {
    if (error_->code == kCabErrorUserAbort) return false;
    lastError = error_->code;
    CloseHandles();
  }
  *error_ = CabinetError();  // an earlier failed attempt is no failure of the walk
  return EnterContinuedFolder();
}

// One request and one attempt to open the next cabinet.
bool CabinetReaderState::TryNextCabinet(const char* wantedName, const char* wantedDisk,
                                        uint16_t setId, uint16_t index, int lastError) {
  std::memcpy(nextCabinet_, wantedName, kCabNameBufferSize);
  std::memcpy(nextDisk_, wantedDisk, kCabNameBufferSize);
  note_ = CabinetNotification();
  note_.text1 = nextCabinet_;
  note_.text2 = nextDisk_;
  note_.text3 = directory_;
  note_.userValue = userValue_;
  note_.setId = setId;
  note_.cabinetIndex = index;
  note_.lastError = lastError;
  if (Send(fdintNEXT_CABINET) == kCabAnswerAbort) return Fail(kCabErrorUserAbort);
  nextCabinet_[kCabMaxNameLength] = '\0';
  directory_[kCabMaxNameLength] = '\0';
  char name[kCabNameBufferSize];
  std::memcpy(name, nextCabinet_, kCabNameBufferSize);
  return OpenCabinet(name, true, setId, index);
}

// Positions the data handle on folder 0 of the newly opened cabinet, the continuation of the
// folder being decoded, and skips the list entries already handled in the previous cabinet.
bool CabinetReaderState::EnterContinuedFolder() {
  if (folderCount_ == 0) return Fail(kCabErrorCorrupt);
  uint32_t firstBlock = 0;
  uint16_t blockCount = 0;
  uint16_t compressionType = 0;
  if (!ReadFolderEntry(0, &firstBlock, &blockCount, &compressionType)) return false;
  // The decoder's history carries on only within one compression type.
  if (compressionType != compressionType_) return Fail(kCabErrorCorrupt);
  blocksLeft_ = blockCount;
  currentFolder_ = 0;
  if (!SkipContinuedEntries()) return false;
  continuation_ = true;
  return true;
}

// Skips the entries of the files already dealt with: the declined continued files, then the file
// being copied. Those of them that go on into the cabinet after this one (continued both ways)
// will head that cabinet's list too: the declined ones among them are counted again, so that a
// further move in the same copy (a file or a block over three or more cabinets) skips them there.
bool CabinetReaderState::SkipContinuedEntries() {
  uint32_t skip = 1 + declinedContinued_;
  if (skip > filesLeft_) return Fail(kCabErrorCorrupt);
  uint32_t declinedGoingOn = 0;
  for (uint32_t i = 0; i < skip; ++i) {
    uint8_t entry[kCabFileEntrySize];
    char name[kCabNameBufferSize];
    if (!ReadExact(listFile_, entry, kCabFileEntrySize)) return Fail(kCabErrorCorrupt);
    if (!ReadName(name)) return false;
    bool beingCopied = i + 1 == skip;
    if (!beingCopied && IsContinuedToNext(ReadLe16(entry + kCabFileFolderIndex))) ++declinedGoingOn;
  }
  filesLeft_ = static_cast<uint16_t>(filesLeft_ - skip);
  declinedContinued_ = declinedGoingOn;
  return true;
}

// ---- The public face -----------------------------------------------------------------------------------

CabinetReader* CabinetReader::Create(const CabinetCallbacks& callbacks, int processorType,
                                     CabinetError* error) {
  void* block = callbacks.alloc(sizeof(CabinetReaderState));
  if (!block) {
    error->code = kCabErrorNoMemory;
    error->extra = 0;
    error->present = 1;
    return nullptr;
  }
  return new (block) CabinetReaderState(callbacks, processorType, error);
}

bool CabinetReader::Copy(CabinetReader* reader, const char* cabinetName,
                         const char* cabinetDirectory, int flags, CabinetNotify notify,
                         CabinetDecryptHook decryptHook, void* userValue) {
  (void)flags;  // not examined
  return static_cast<CabinetReaderState*>(reader)->CopyCabinet(cabinetName, cabinetDirectory,
                                                               notify, decryptHook, userValue);
}

bool CabinetReader::Destroy(CabinetReader* reader) {
  auto* state = static_cast<CabinetReaderState*>(reader);
  state->Release();
  CabinetCallbacks callbacks = state->Callbacks();
  state->~CabinetReaderState();
  callbacks.free(state);
  return true;
}

}  // namespace vorlax
