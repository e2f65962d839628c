// The cabinet of a `list` or `extract` argument, in place or copied out of an installer.
#include "packer/tool/cabinet_source.h"

#include <cstring>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/cabinet_reader.h"
#include "cabinet/extraction.h"
#include "driver/installer_state.h"
#include "packer/tool/pe_signature.h"

namespace vorlax {

namespace {

constexpr uint32_t kCopyChunk = 1 << 20;

bool StartsWithCabinetSignature(FileHandle file) {
  uint8_t head[sizeof kCabSignature] = {};
  System& system = *State().system;
  bool ok = system.SeekFile(file, 0, SeekOrigin::kBegin) == 0 &&
            system.ReadFile(file, head, sizeof head) == static_cast<int64_t>(sizeof head) &&
            std::memcmp(head, kCabSignature, sizeof head) == 0;
  system.SeekFile(file, 0, SeekOrigin::kBegin);
  return ok;
}

// Copies size bytes at offset of `from` into a new file `to`.
bool CopyRange(FileHandle from, int64_t offset, uint64_t size, const std::u16string& to) {
  System& system = *State().system;
  FileHandle out = system.OpenFile(to, FileAccess::kCreateWrite);
  if (out == kNoFile) return false;
  std::string buffer(kCopyChunk, '\0');
  bool ok = system.SeekFile(from, offset, SeekOrigin::kBegin) == offset;
  while (ok && size > 0) {
    uint32_t want = size < kCopyChunk ? static_cast<uint32_t>(size) : kCopyChunk;
    ok = system.ReadFile(from, &buffer[0], want) == want && system.WriteFile(out, buffer.data(), want) == want;
    size -= want;
  }
  return system.CloseFile(out) && ok;
}

struct FactsWalk {
  CabinetFacts* facts;
};

intptr_t FactsNotify(CabinetNotificationKind kind, CabinetNotification* note) {
  if (kind == fdintCABINET_OPENED) {
    auto* walk = static_cast<FactsWalk*>(note->userValue);
    walk->facts->nextCabinet = note->text1;
    walk->facts->setId = note->setId;
    walk->facts->cabinetIndex = note->cabinetIndex;
    // The file list is of no interest here: end it at once.
  } else if (kind == fdintLIST_POSITION) {
    note->folderIndex = 0;
  }
  return kind == fdintFILE_START ? kCabAnswerSkip : kCabAnswerContinue;
}

}  // namespace

bool NarrowPath(const std::string& utf8Path, std::string* narrow) {
  std::u16string wide = FromUtf8(utf8Path);
  return wide.size() <= kMaxNarrowChars && NarrowText(wide, narrow);
}

CabinetSource::~CabinetSource() {
  if (!temporary_.empty()) State().system->DeleteFile(temporary_);
}

bool CabinetSource::CopyOut(int64_t offset, uint64_t size, std::string* error) {
  System& system = *State().system;
  temporary_ = system.UniqueTempName(u"vorlax-cab-") + u".cab";
  FileHandle from = system.OpenFile(path_, FileAccess::kRead);
  bool ok = from != kNoFile && CopyRange(from, offset, size, temporary_);
  if (from != kNoFile) system.CloseFile(from);
  if (!ok || !NarrowPath(ToUtf8(temporary_), &cabinetPath_)) {
    *error = "cannot copy the cabinet to '" + ToUtf8(temporary_) + "'";
    return false;
  }
  return true;
}

bool CabinetSource::Open(const std::string& utf8Path, std::string* error) {
  System& system = *State().system;
  path_ = FromUtf8(utf8Path);
  FileHandle file = system.OpenFile(path_, FileAccess::kRead);
  if (file == kNoFile) {
    *error = "cannot open '" + utf8Path + "'";
    return false;
  }
  if (StartsWithCabinetSignature(file)) {
    int64_t size = system.SeekFile(file, 0, SeekOrigin::kEnd);
    system.CloseFile(file);
    if (NarrowPath(utf8Path, &cabinetPath_)) return true;
    return CopyOut(0, static_cast<uint64_t>(size < 0 ? 0 : size), error);
  }
  std::string walkError;
  bool walked = ListPayloadRecords(file, &records_, &walkError);
  system.CloseFile(file);
  if (!walked) {
    *error = "'" + utf8Path + "' is neither a cabinet nor an installer: " + walkError;
    PeSignature signature;
    if (FindPeSignature(utf8Path, &signature)) {
      *error += " (it carries a " + std::to_string(signature.size) +
                "-byte Authenticode signature at its end: an installer signed after a pack without --signable "
                "cannot read its payload; pack it again with --signable, then sign)";
    }
    return false;
  }
  isInstaller_ = true;
  for (const PayloadRecordInfo& record : records_) {
    if (record.type == kRecordCabinet) return CopyOut(record.offset, record.size, error);
  }
  *error = "installer '" + utf8Path + "' has no cabinet record";
  return false;
}

bool ReadCabinetFacts(const std::string& cabinetPath, CabinetFacts* facts, std::string* error) {
  CabinetError record;
  CabinetReader* reader = CabinetReader::Create(SystemCabinetCallbacks(), kExtractionProcessorType, &record);
  if (!reader) {
    *error = CabinetErrorText(record.code);
    return false;
  }
  std::size_t cut = LastSeparator(cabinetPath);
  if (cut == std::string::npos) cut = 0;
  FactsWalk walk{facts};
  *facts = CabinetFacts();
  bool ok = CabinetReader::Copy(reader, cabinetPath.c_str() + cut, cabinetPath.substr(0, cut).c_str(), 0,
                                FactsNotify, nullptr, &walk);
  CabinetReader::Destroy(reader);
  if (!ok) *error = CabinetErrorText(record.code);
  return ok;
}

}  // namespace vorlax
