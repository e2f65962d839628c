// Extraction: the reader's host on the system seam, with progress and the created-file list.
//
// Traps:
// - The progress record holds 32-bit numbers for the progress pages; the sums behind them are
//   kept here in 64 bits (a product above 2 GiB, and bytes x 100 above 21 MB, would overflow
//   32 bits) and stored saturated, the percentages computed from the 64-bit sums. The space
//   estimate is stored whole, in 64 bits: the install location checks compare it with the
//   drive's free space.
// - The prefixes and counters below are process-wide: only one extraction runs at a time (the
//   reader's decoders share process-wide state anyway).
#include "cabinet/extraction.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr uint32_t kSpaceUnit = 32768;  // the space estimate counts files in these units
constexpr uint16_t kRestoredAttributes = kCabAttributeReadOnly | kCabAttributeHidden |
                                         kCabAttributeSystem | kCabAttributeArchive;
constexpr int kExtractOpenFlags =
    kCabOpenBinary | kCabOpenCreate | kCabOpenSequential | kCabOpenWriteOnly;
constexpr intptr_t kFileDoneOk = 1;

struct ExtractionCall {
  std::string sourcePrefix;
  std::string destinationPrefix;
  int64_t totalBytes = 0;
  int64_t bytesWritten = 0;
  int64_t currentFileSize = 0;
  int64_t currentFileWritten = 0;
  int64_t spaceEstimate = 0;
  int failedNextCabinetAttempts = 0;
  ExtractionReport report;
};

ExtractionCall& Call() {
  static ExtractionCall call;
  return call;
}

int32_t Saturated(int64_t value) {
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// ---- The seven callbacks ----------------------------------------------------------------------

void* HeapAlloc(uint32_t size) { return std::malloc(size == 0 ? 1 : size); }
void HeapFree(void* block) { std::free(block); }

// Creates every folder along path (each "\" or "/"); failures (a drive, an existing folder) are
// of no interest: the open that follows tells.
void CreateFoldersAlong(const char* path) {
  char folder[kCabNameBufferSize * 2];
  std::size_t length = std::strlen(path);
  if (length >= sizeof folder) return;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsSeparator(path[i])) continue;
    std::memcpy(folder, path, i);
    folder[i] = '\0';
    State().system->CreateFolderNarrow(folder);
  }
}

CabinetFile OpenCallback(const char* path, int flags, int mode) {
  (void)mode;
  System& system = *State().system;
  FileAccess access = FileAccess::kRead;
  if (flags & kCabOpenCreate) {
    CreateFoldersAlong(path);
    // An existing read-only file is made writable so that it can be replaced.
    system.SetFileAttributesNarrow(path, kCabAttributeArchive);
    access = FileAccess::kCreateWrite;  // create includes truncate
  } else if (flags & (kCabOpenWriteOnly | kCabOpenReadWrite)) {
    access = FileAccess::kReadWriteExisting;
  }
  FileHandle file = system.OpenFileNarrow(path, access);
  return file == kNoFile ? kNoCabinetFile : static_cast<CabinetFile>(file);
}

int32_t ReadCallback(CabinetFile file, void* buffer, uint32_t count) {
  int64_t got = State().system->ReadFile(static_cast<FileHandle>(file), buffer, count);
  return got < 0 ? -1 : static_cast<int32_t>(got);
}

void CountWritten(int64_t count) {
  ExtractionCall& call = Call();
  ExtractionProgress& progress = State().progress;
  call.bytesWritten += count;
  progress.bytesWritten.store(Saturated(call.bytesWritten));
  if (call.totalBytes > 0) {
    progress.overallPercent.store(static_cast<int32_t>(call.bytesWritten * 100 / call.totalBytes));
  }
  call.currentFileWritten += count;
  progress.currentFileWritten.store(Saturated(call.currentFileWritten));
  if (call.currentFileSize > 0) {
    progress.currentFilePercent.store(
        static_cast<int32_t>(call.currentFileWritten * 100 / call.currentFileSize));
  }
}

int32_t WriteCallback(CabinetFile file, const void* buffer, uint32_t count) {
  int64_t written = State().system->WriteFile(static_cast<FileHandle>(file), buffer, count);
  if (written < 0) return -1;
  CountWritten(written);
  return static_cast<int32_t>(written);
}

int CloseCallback(CabinetFile file) {
  return State().system->CloseFile(static_cast<FileHandle>(file)) ? 0 : -1;
}

int64_t SeekCallback(CabinetFile file, int64_t offset, int origin) {
  SeekOrigin from = origin == kCabSeekCurrent ? SeekOrigin::kCurrent : SeekOrigin::kBegin;
  return State().system->SeekFile(static_cast<FileHandle>(file), offset, from);
}

const CabinetCallbacks kCallbacks = {HeapAlloc,     HeapFree,      OpenCallback, ReadCallback,
                                     WriteCallback, CloseCallback, SeekCallback};

// ---- The notification handler -----------------------------------------------------------------

intptr_t Refuse(const char* reason, const char* name) {
  Call().report.refusal = std::string(reason) + " '" + name + "'";
  return kCabAnswerAbort;
}

intptr_t RefuseName(const char* reason, const char* name) {
  Call().report.nameRefused = true;
  return Refuse(reason, name);
}

bool HasSourcePrefix(const char* name) {
  const std::string& prefix = Call().sourcePrefix;
  return std::strncmp(name, prefix.c_str(), prefix.size()) == 0;
}

// Joins the destination prefix and a relative name into path (a 256-byte buffer); false when the
// result would be longer than 255 characters.
bool DestinationPath(const char* relative, char* path) {
  const std::string& destination = Call().destinationPrefix;
  std::size_t relativeLength = std::strlen(relative);
  if (destination.size() + relativeLength > kCabMaxNameLength) return false;
  std::memcpy(path, destination.data(), destination.size());
  std::memcpy(path + destination.size(), relative, relativeLength + 1);
  return true;
}

void ShowCurrentFile(const char* relative, int64_t size) {
  ExtractionProgress& progress = State().progress;
  for (auto& c : progress.currentFileName) c.store('\0');
  for (std::size_t i = 0; i < kMaxNarrowChars && relative[i] != '\0'; ++i) {
    progress.currentFileName[i].store(relative[i]);
  }
  ExtractionCall& call = Call();
  call.currentFileSize = size;
  call.currentFileWritten = 0;
  progress.currentFileSize.store(Saturated(size));
  progress.currentFileWritten.store(0);
}

intptr_t OnFileStart(const CabinetNotification& note) {
  ExtractionCall& call = Call();
  ExtractionProgress& progress = State().progress;
  bool counting = progress.countingPass.load();
  if (counting) {
    call.spaceEstimate += (note.size + kSpaceUnit) / kSpaceUnit * kSpaceUnit;
    progress.spaceEstimate.store(call.spaceEstimate);
  }
  if (!HasSourcePrefix(note.text1)) return kCabAnswerSkip;
  const char* relative = note.text1 + call.sourcePrefix.size();
  if (!IsContainedName(relative)) return RefuseName("File name leaves the destination folder", note.text1);
  char path[kCabNameBufferSize];
  if (!DestinationPath(relative, path)) return RefuseName("Destination path too long", note.text1);
  if (counting) {
    call.totalBytes += note.size;
    progress.totalBytes.store(Saturated(call.totalBytes));
    return kCabAnswerSkip;
  }
  ShowCurrentFile(relative, note.size);
  CabinetFile file = OpenCallback(path, kExtractOpenFlags, kCabOpenModeReadWrite);
  if (file != 0) State().extractedFiles.push_back(Widen(path));
  if (file == kNoCabinetFile) Refuse("Cannot create file", path);
  return file;
}

intptr_t OnFileDone(const CabinetNotification& note) {
  CloseCallback(note.fileHandle);
  char path[kCabNameBufferSize];
  // The name was accepted at its start, so it has the prefix and the path fits.
  if (DestinationPath(note.text1 + Call().sourcePrefix.size(), path)) {
    System& system = *State().system;
    system.SetFileDosTime(path, note.date, note.time);
    system.SetFileAttributesNarrow(path, note.attributes & kRestoredAttributes);
  }
  return kFileDoneOk;
}

// Retries a next cabinet until kMaxNextCabinetAttempts attempts at it have failed.
intptr_t OnNextCabinet(const CabinetNotification& note) {
  ExtractionCall& call = Call();
  if (note.lastError == 0) {
    call.failedNextCabinetAttempts = 0;
    return kCabAnswerContinue;
  }
  if (++call.failedNextCabinetAttempts >= kMaxNextCabinetAttempts) {
    call.report.refusal = std::string("Next cabinet of the set not usable (") +
                          CabinetErrorText(note.lastError) + ") '" + note.text1 + "'";
    return kCabAnswerAbort;
  }
  return kCabAnswerContinue;
}

intptr_t Handler(CabinetNotificationKind kind, CabinetNotification* note) {
  switch (kind) {
    case fdintFILE_START: return OnFileStart(*note);
    case fdintFILE_DONE: return OnFileDone(*note);
    case fdintNEXT_CABINET: return OnNextCabinet(*note);
    default: return kCabAnswerContinue;
  }
}

void StartCall(const std::string& sourcePrefix, const std::string& destinationPrefix) {
  ExtractionCall& call = Call();
  call = ExtractionCall();
  call.sourcePrefix = sourcePrefix;
  call.destinationPrefix = destinationPrefix;
  ExtractionProgress& progress = State().progress;
  progress.totalBytes.store(0);
  progress.bytesWritten.store(0);
  progress.currentFileSize.store(0);
  progress.currentFileWritten.store(0);
  progress.spaceEstimate.store(0);
}

bool RunPass(CabinetReader* reader, const char* name, const char* directory, bool counting) {
  State().progress.countingPass.store(counting);
  return CabinetReader::Copy(reader, name, directory, 0, Handler, nullptr, nullptr);
}

}  // namespace

bool IsContainedName(const char* name) {
  if (name[0] == '\0' || IsSeparator(name[0])) return false;
  if (std::strchr(name, ':')) return false;
  // No component may be made of dots and spaces alone with two dots or more: Windows reads
  // ".." as the parent and strips trailing dots and spaces ("... " is ".." there too).
  const char* component = name;
  for (const char* p = name;; ++p) {
    if (*p != '\0' && !IsSeparator(*p)) continue;
    int dots = 0;
    bool onlyDots = true;
    for (const char* q = component; q < p; ++q) {
      if (*q == '.') ++dots;
      else if (*q != ' ') onlyDots = false;
    }
    if (onlyDots && dots >= 2) return false;
    if (*p == '\0') return true;
    component = p + 1;
  }
}

const ExtractionReport& LastExtractionReport() { return Call().report; }

const CabinetCallbacks& SystemCabinetCallbacks() { return kCallbacks; }

bool ExtractCabinet(const std::string& cabinetPath, const std::string& sourcePrefix,
                    const std::string& destinationPrefix) {
  StartCall(sourcePrefix, destinationPrefix);
  ExtractionCall& call = Call();
  CabinetReader* reader =
      CabinetReader::Create(kCallbacks, kExtractionProcessorType, &call.report.cabinetError);
  if (!reader) return false;
  // "\" and "/" alike end the directory part.
  std::size_t cut = LastSeparator(cabinetPath);
  if (cut == std::string::npos) cut = 0;
  std::string name = cabinetPath.substr(cut);
  std::string directory = cabinetPath.substr(0, cut);
  bool ok = RunPass(reader, name.c_str(), directory.c_str(), true) &&
            RunPass(reader, name.c_str(), directory.c_str(), false);
  State().progress.countingPass.store(false);
  CabinetReader::Destroy(reader);
  return ok;
}

}  // namespace vorlax
