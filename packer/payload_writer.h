// The payload writer: builds an installer byte by byte from the stub image, the cabinet and any
// defines texts, in the record chain the installer walks backwards from the end of the file.
//
// Each record is its payload followed by the payload's size and the record type, both unsigned
// 32-bit little-endian. Records follow one another without gaps, and the first one starts at file
// offset 0 (the stub image as a skipped record), so the installer's walk ends exactly there.
// Trap: a record's size field must be at least 1 and fit 32 bits; the writer refuses nothing, so
// callers that take outside input (the `vorlax pack` command) check sizes before they call it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// PayloadRecordType (kRecordDefines, kRecordCabinet, kRecordSkipped) and the marker are shared
// with the installer's reader, which is where they are defined.
#include "driver/payload.h"

namespace vorlax {

// The bytes that end a record.
constexpr std::size_t kRecordTrailerSize = 8;

// The 8 bytes that end a record: the payload's size and the record type (little-endian 32-bit
// each). For writers that stream a payload to a file and then end its record.
std::string PayloadRecordTrailer(uint32_t size, uint32_t type);

// Appends payload, then its size and type (little-endian 32-bit each).
void AppendPayloadRecord(std::string* out, uint32_t type, const std::string& payload);

// Appends the payload marker "!vorlaxinstallersig!" (20 single bytes). Whatever follows it in the
// file is ignored by the installer's walk.
void AppendPayloadMarker(std::string* out);

// The whole installer: the stub image as a skipped record, then the cabinet record, then one
// defines record per text (UTF-16LE, in the given order), then the marker when withMarker is set.
std::string BuildInstaller(const std::string& stubImage, const std::string& cabinet,
                           const std::vector<std::u16string>& definesTexts, bool withMarker);

}  // namespace vorlax
