// The attached payload: finding the chain's end, the one backwards walk, and its two visitors (the
// installer's reader, which copies the cabinet and collects defines texts, and the tools' lister).
//
// The walk is shared so that `vorlax list` sees exactly the records the installer would act on.
// Positions are int64_t throughout; only the record's size field is 32-bit.
#include "driver/payload.h"

#include <algorithm>

#include "base/little_endian.h"
#include "base/text.h"
#include "driver/fatal_error.h"
#include "driver/folders.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

// Each record ends with two 32-bit fields: the payload size, then the type.
constexpr int64_t kFieldSize = 4;
constexpr std::size_t kFieldsSize = 8;
constexpr std::size_t kSizeFieldOffset = 0;
constexpr std::size_t kTypeFieldOffset = 4;

constexpr uint32_t kMarkerScanBlockSize = 1024;
constexpr uint32_t kCabinetCopyBlockSize = 4096;

// The marker text must not occur in the installer's own image: the stub is the first record of
// every installer, and an installer without a marker whose cabinet is smaller than the scan span
// would otherwise find the stub's own copy of the text and end its chain inside the stub. So the
// image holds the marker masked (the plain literal is used only during constant evaluation, so no
// object of it is emitted), and it is unmasked at run time with a key read through a volatile
// object, which the compiler cannot fold back into the plain text.
constexpr unsigned char kMarkerMask = 0xA5;

struct MaskedMarker {
  char bytes[kPayloadMarkerSize];
};

constexpr MaskedMarker MaskMarker(const char (&plain)[kPayloadMarkerSize + 1]) {
  MaskedMarker masked{};
  for (std::size_t i = 0; i < kPayloadMarkerSize; ++i) {
    masked.bytes[i] = static_cast<char>(static_cast<unsigned char>(plain[i]) ^ kMarkerMask);
  }
  return masked;
}

constexpr MaskedMarker kMaskedMarker = MaskMarker("!vorlaxinstallersig!");
volatile unsigned char markerMask = kMarkerMask;

std::string Number(int64_t value) { return std::to_string(value); }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

bool IsKnownRecordType(uint32_t type) {
  return type == kRecordDefines || type == kRecordCabinet || type == kRecordSkipped;
}

// Reads exactly count bytes at the current position; false on an error or an early end of file.
bool ReadExactly(System& system, FileHandle file, char* buffer, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    int64_t n = system.ReadFile(file, buffer + done, count - done);
    if (n <= 0) return false;
    done += static_cast<uint32_t>(n);
  }
  return true;
}

bool SeekTo(System& system, FileHandle file, int64_t offset) {
  return system.SeekFile(file, offset, SeekOrigin::kBegin) == offset;
}

// Sees each record of the walk, last in file first. Answering false fails the walk.
class PayloadVisitor {
 public:
  virtual bool Visit(FileHandle file, const PayloadRecordInfo& record) = 0;

 protected:
  ~PayloadVisitor() = default;
};

// The chain ends at the payload marker when it occurs in the file's last kMarkerScanSpan bytes
// (the last match wins), else at the end of the file. The scan starts at 0 for a file shorter
// than the span, so a small installer's marker is still found.
bool FindChainEnd(System& system, FileHandle file, int64_t* end, std::string* error) {
  int64_t fileSize = system.SeekFile(file, 0, SeekOrigin::kEnd);
  // Without the size neither the scan start nor the fallback end is known.
  if (fileSize < 0) {
    SetError(error, "the file's size cannot be determined");
    return false;
  }
  int64_t scanStart = std::max<int64_t>(0, fileSize - kMarkerScanSpan);
  if (!SeekTo(system, file, scanStart)) {
    SetError(error, "cannot seek to offset " + Number(scanStart));
    return false;
  }
  int64_t marker = FindPayloadMarker(PayloadMarker(), file, true);
  *end = marker >= 0 ? marker : fileSize;
  return true;
}

// Reads the size and type fields that end at fieldsEnd and checks the size against the room
// before them.
bool ReadRecordAt(System& system, FileHandle file, int64_t fieldsEnd, PayloadRecordInfo* record,
                  std::string* error) {
  int64_t fieldsStart = fieldsEnd - static_cast<int64_t>(kFieldsSize);
  if (fieldsStart < 0) {
    SetError(error, Number(fieldsEnd) + " bytes at the start of the file are not a record");
    return false;
  }
  char fields[kFieldsSize];
  if (!SeekTo(system, file, fieldsStart) || !ReadExactly(system, file, fields, kFieldsSize)) {
    SetError(error, "cannot read the record fields at offset " + Number(fieldsStart));
    return false;
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(fields);
  record->size = ReadLe32(bytes + kSizeFieldOffset);
  record->type = ReadLe32(bytes + kTypeFieldOffset);
  record->offset = fieldsStart - static_cast<int64_t>(record->size);
  if (record->size == 0) {
    SetError(error, "record of size 0 at offset " + Number(fieldsStart));
    return false;
  }
  if (record->offset < 0) {
    SetError(error, "record size " + Number(record->size) + " at offset " + Number(fieldsStart) +
                        " does not fit the " + Number(fieldsStart) + " bytes before it");
    return false;
  }
  if (!IsKnownRecordType(record->type)) {
    SetError(error, "unknown record type " + Number(record->type) + " at offset " +
                        Number(fieldsStart));
    return false;
  }
  return true;
}

// Walks the chain from its end to the start of the file. Succeeds when the next type field would
// lie below offset 1, i.e. the first record's payload starts at offset 4 or lower.
bool WalkChain(FileHandle file, PayloadVisitor& visitor, std::string* error) {
  System& system = *State().system;
  int64_t end = 0;
  if (!FindChainEnd(system, file, &end, error)) return false;
  int64_t typeField = end - kFieldSize;
  while (typeField >= 1) {
    PayloadRecordInfo record;
    if (!ReadRecordAt(system, file, typeField + kFieldSize, &record, error)) return false;
    if (!visitor.Visit(file, record)) return false;
    typeField = record.offset - kFieldSize;
  }
  return true;
}

// ---- The installer's reader -----------------------------------------------------------------

enum class CopyResult { kCopied, kReadFailed, kWriteFailed };

// Copies from the current position of `from` to its end. Blocks are read until the end of file
// is reported, so a short read never cuts the copy.
CopyResult CopyToEnd(System& system, FileHandle from, FileHandle to) {
  char block[kCabinetCopyBlockSize];
  for (;;) {
    int64_t n = system.ReadFile(from, block, sizeof block);
    if (n < 0) return CopyResult::kReadFailed;
    if (n == 0) return CopyResult::kCopied;
    if (system.WriteFile(to, block, static_cast<uint32_t>(n)) != n) return CopyResult::kWriteFailed;
  }
}

class PayloadReader : public PayloadVisitor {
 public:
  bool Visit(FileHandle file, const PayloadRecordInfo& record) override {
    switch (record.type) {
      case kRecordDefines: return ReadDefinesText(file, record);
      case kRecordCabinet:
        cabinetFound_ = true;
        return CopyCabinet(file, record);
      case kRecordSkipped: return true;
    }
    return false;
  }

  bool cabinetFound() const { return cabinetFound_; }

 private:
  bool cabinetFound_ = false;

  // The walk runs backwards, so each text goes to the front: the list ends up in file order.
  static bool ReadDefinesText(FileHandle file, const PayloadRecordInfo& record) {
    if (record.size > kMaxDefinesTextBytes) return false;
    System& system = *State().system;
    std::string bytes(record.size, '\0');
    if (!SeekTo(system, file, record.offset) ||
        !ReadExactly(system, file, &bytes[0], record.size)) {
      return false;
    }
    std::vector<std::u16string>& texts = State().attachedDefines;
    texts.insert(texts.begin(),
                 FromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    return true;
  }

  // Copies from the payload's start to the end of the executable: the copy also carries the
  // record's own fields and whatever follows, which the cabinet reader ignores. A later cabinet
  // record is copied first and then replaced by an earlier one.
  static bool CopyCabinet(FileHandle file, const PayloadRecordInfo& record) {
    System& system = *State().system;
    const std::u16string& path = State().cabinetPath;
    std::size_t afterSeparator = LastSeparator(path);
    if (afterSeparator != std::u16string::npos) CreateFolderPath(path.substr(0, afterSeparator - 1));
    FileHandle out = system.OpenFile(path, FileAccess::kCreateWrite);
    if (out == kNoFile) {
      ShowFatalError(u"Unable to Create Cab '" + path + u"'");
      return false;
    }
    CopyResult result =
        SeekTo(system, file, record.offset) ? CopyToEnd(system, file, out) : CopyResult::kReadFailed;
    bool closed = system.CloseFile(out);
    if (result == CopyResult::kReadFailed) return false;
    // A cabinet cut short by a full disk must not pass for a good copy.
    if (result == CopyResult::kWriteFailed || !closed) {
      ShowFatalError(u"Unable to Write Cab '" + path + u"'");
      return false;
    }
    return true;
  }
};

// ---- The tools' lister ----------------------------------------------------------------------

class PayloadLister : public PayloadVisitor {
 public:
  explicit PayloadLister(std::vector<PayloadRecordInfo>* records) : records_(records) {}
  bool Visit(FileHandle, const PayloadRecordInfo& record) override {
    records_->insert(records_->begin(), record);
    return true;
  }

 private:
  std::vector<PayloadRecordInfo>* records_;
};

}  // namespace

std::string PayloadMarker() {
  std::string marker(kPayloadMarkerSize, '\0');
  for (std::size_t i = 0; i < kPayloadMarkerSize; ++i) {
    marker[i] = static_cast<char>(static_cast<unsigned char>(kMaskedMarker.bytes[i]) ^ markerMask);
  }
  return marker;
}

int64_t FindPayloadMarker(const std::string& marker, FileHandle file, bool keepLast) {
  if (marker.empty()) return -1;
  System& system = *State().system;
  int64_t windowStart = system.SeekFile(file, 0, SeekOrigin::kCurrent);
  if (windowStart < 0) return -1;
  // The window is the unmatched tail of the previous block (shorter than the marker, so no whole
  // match is ever counted twice) followed by the new block.
  std::string window;
  char block[kMarkerScanBlockSize];
  int64_t found = -1;
  for (;;) {
    int64_t n = system.ReadFile(file, block, sizeof block);
    if (n < 0) return -1;
    if (n == 0) return found;
    window.append(block, static_cast<std::size_t>(n));
    for (std::size_t at = window.find(marker); at != std::string::npos;
         at = window.find(marker, at + 1)) {
      found = windowStart + static_cast<int64_t>(at);
      if (!keepLast) return found;
    }
    std::size_t keep = std::min(window.size(), marker.size() - 1);
    std::size_t drop = window.size() - keep;
    window.erase(0, drop);
    windowStart += static_cast<int64_t>(drop);
  }
}

bool ReadAttachedPayload(FileHandle file) {
  PayloadReader reader;
  // A chain that walks cleanly but holds no cabinet (an empty file, a bare stub whose last bytes
  // happen to read as a record) has nothing to install: that is unreadable installer data too,
  // not a success that fails later for want of files.cab.
  return WalkChain(file, reader, nullptr) && reader.cabinetFound();
}

bool ListPayloadRecords(FileHandle file, std::vector<PayloadRecordInfo>* records,
                        std::string* error) {
  records->clear();
  PayloadLister lister(records);
  return WalkChain(file, lister, error);
}

}  // namespace vorlax
