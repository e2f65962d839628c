// `vorlax list FILE`: an installer's payload records and its cabinet's entries, or a bare
// cabinet's entries, with sizes, dates, times, attributes and folders. The entries come from a
// walk of the cabinet reader itself that skips every file, so the list is what the installer
// would see; entries continued from a previous cabinet of a set are listed too.
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/cabinet_reader.h"
#include "cabinet/extraction.h"
#include "packer/tool/cabinet_source.h"
#include "packer/tool/command.h"

namespace vorlax {
namespace {

struct Listing {
  uint32_t files = 0;
  uint64_t bytes = 0;
};

const char* RecordTypeName(uint32_t type) {
  switch (type) {
    case kRecordDefines: return "defines";
    case kRecordCabinet: return "cabinet";
    case kRecordSkipped: return "skipped";
    default: return "unknown";
  }
}

std::string AttributeText(uint16_t attributes) {
  std::string text = "-----";
  if (attributes & kCabAttributeReadOnly) text[0] = 'R';
  if (attributes & kCabAttributeHidden) text[1] = 'H';
  if (attributes & kCabAttributeSystem) text[2] = 'S';
  if (attributes & kCabAttributeArchive) text[3] = 'A';
  if (attributes & kCabAttributeRunAfterExtract) text[4] = 'X';
  return text;
}

std::string FolderText(uint16_t folderIndex) {
  switch (folderIndex) {
    case kCabFolderContinuedFromPrevious: return "prev";
    case kCabFolderContinuedToNext: return "next";
    case kCabFolderContinuedBoth: return "both";
    default: return std::to_string(folderIndex);
  }
}

void PrintEntry(const CabinetNotification& note) {
  std::printf("%12lld  %04d-%02d-%02d %02d:%02d:%02d  %s  %6s  %s\n", static_cast<long long>(note.size),
              1980 + (note.date >> 9), (note.date >> 5) & 0x0F, note.date & 0x1F, note.time >> 11,
              (note.time >> 5) & 0x3F, (note.time & 0x1F) * 2, AttributeText(note.attributes).c_str(),
              FolderText(note.folderIndex).c_str(), ToUtf8(Widen(note.text1)).c_str());
}

intptr_t ListNotify(CabinetNotificationKind kind, CabinetNotification* note) {
  auto* listing = static_cast<Listing*>(note->userValue);
  switch (kind) {
    case fdintCABINET_OPENED:
      std::printf("cabinet: set %u, index %u, next cabinet: %s\n", note->setId, note->cabinetIndex,
                  note->text1[0] ? ToUtf8(Widen(note->text1)).c_str() : "none");
      std::printf("%12s  %-19s  %-5s  %6s  %s\n", "size", "date", "attr", "folder", "name");
      return kCabAnswerContinue;
    case fdintPARTIAL_ENTRY:
    case fdintFILE_START:
      PrintEntry(*note);
      ++listing->files;
      listing->bytes += static_cast<uint64_t>(note->size);
      return kCabAnswerSkip;
    default:
      return kCabAnswerContinue;
  }
}

bool ListCabinet(const std::string& cabinetPath, std::string* error) {
  CabinetError record;
  CabinetReader* reader = CabinetReader::Create(SystemCabinetCallbacks(), kExtractionProcessorType, &record);
  if (!reader) {
    *error = CabinetErrorText(record.code);
    return false;
  }
  std::size_t cut = LastSeparator(cabinetPath);
  if (cut == std::string::npos) cut = 0;
  Listing listing;
  bool ok = CabinetReader::Copy(reader, cabinetPath.c_str() + cut, cabinetPath.substr(0, cut).c_str(), 0,
                                ListNotify, nullptr, &listing);
  CabinetReader::Destroy(reader);
  if (!ok) {
    *error = CabinetErrorText(record.code);
    return false;
  }
  std::printf("%u entries, %llu bytes\n", listing.files, static_cast<unsigned long long>(listing.bytes));
  return true;
}

void PrintRecords(const std::vector<PayloadRecordInfo>& records) {
  std::printf("installer: %zu records\n%6s  %-8s  %14s  %12s\n", records.size(), "record", "type", "offset", "size");
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::printf("%6zu  %-8s  %14lld  %12u\n", i, RecordTypeName(records[i].type),
                static_cast<long long>(records[i].offset), records[i].size);
  }
}

int RunList(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("list");
  CabinetSource source;
  std::string error;
  if (!source.Open(args[0], &error)) return Fail(error);
  if (source.IsInstaller()) PrintRecords(source.Records());
  if (!ListCabinet(source.CabinetPath(), &error)) return Fail("cannot list the cabinet of '" + args[0] + "': " + error);
  return kExitOk;
}

const CommandRegistrar kRegistrar({"list", "list FILE",
                                   "list an installer's records and cabinet entries, or a cabinet's",
                                   RunList});

}  // namespace
}  // namespace vorlax
