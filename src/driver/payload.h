// The attached payload: the chain of records appended to the installer executable.
//
// Each record is its payload followed by the payload's size and the record type (unsigned 32-bit
// little-endian each). The chain is walked backwards from its end: the start of the payload
// marker when the marker occurs in the file's last kMarkerScanSpan bytes, else the end of the
// file. The walk succeeds when it reaches the start of the file.
//
// Trap: every file position here is 64-bit; an installer over 2 GiB (or 4 GiB) must walk exactly
// like a small one, so no position ever passes through a 32-bit variable. Record sizes are 32-bit
// by format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace vorlax {

// Record types as stored in the type field.
enum PayloadRecordType : uint32_t {
  kRecordDefines = 0,  // a defines document, UTF-16LE, no terminator
  kRecordCabinet = 1,  // a Microsoft Cabinet archive
  kRecordSkipped = 2,  // anything; in practice the stub's own executable image
};

// The payload marker is the 20 single bytes "!vorlaxinstallersig!". A chain followed by it ends at
// the marker's first byte. The text is produced at run time and never stored plainly in the
// installer's image (see payload.cpp): ask PayloadMarker() for it.
constexpr std::size_t kPayloadMarkerSize = 20;
std::string PayloadMarker();

// How far from the end of the file the marker is looked for.
constexpr int64_t kMarkerScanSpan = 100000;

// Largest defines record the installer reads. A defines document is a few kilobytes; the limit
// keeps a damaged or hostile size field from asking a 32-bit process for gigabytes of memory.
constexpr uint32_t kMaxDefinesTextBytes = 64u * 1024u * 1024u;

// One record of the chain, as the walk found it.
struct PayloadRecordInfo {
  uint32_t type = 0;
  int64_t offset = 0;  // file offset of the record's payload
  uint32_t size = 0;   // payload bytes (at least 1)
};

// Finds where the chain ends, walks it, copies the cabinet record to State().cabinetPath (creating
// its folder) and puts every defines text into State().attachedDefines in file order. False when
// the end cannot be determined, the walk fails, a defines record is larger than
// kMaxDefinesTextBytes or the chain holds no cabinet record; a cabinet file that cannot be created or written
// is reported through ShowFatalError first. Texts collected and a cabinet written before a failure
// stay where they are.
bool ReadAttachedPayload(FileHandle file);

// Read-only walk for the tools: every record's type, payload offset and size, in file order.
// Same end-finding and walk as ReadAttachedPayload. On failure, records holds the records walked
// before the fault (the end of the chain, still in file order) and error, when given, says what
// was wrong and where.
bool ListPayloadRecords(FileHandle file, std::vector<PayloadRecordInfo>* records,
                        std::string* error = nullptr);

// Scans from the file's current position to its end for marker (compared byte for byte, at every
// byte offset, across block boundaries). Answers the file offset of the first match, or of the
// last when keepLast is set; -1 when there is none, marker is empty or the file cannot be read.
int64_t FindPayloadMarker(const std::string& marker, FileHandle file, bool keepLast);

}  // namespace vorlax
