// The table that maps versions of DirectX system files to the DirectX release that shipped them,
// for machines without the DirectX diagnostic provider (DirectX before 9).
//
// Rows are checked in order and a later row that holds overrides an earlier one, so the table is
// ordered by release, not by file. File versions are 64-bit values a.b.c.d (16 bits each, a
// highest) compared as unsigned numbers. Some files were shipped both with a 4.x numbering
// (Windows 9x) and a 5.x numbering (Windows 2000/XP); their rows give a minimum for each first
// part and hold for no other first part.
#pragma once

#include <cstddef>
#include <cstdint>

#include "actions/directx_version.h"

namespace vorlax {

// The file version a.b.c.d as one 64-bit value.
constexpr uint64_t FileVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  return static_cast<uint64_t>(a) << 48 | static_cast<uint64_t>(b) << 32 |
         static_cast<uint64_t>(c) << 16 | d;
}

// The first part (a of a.b.c.d) of a file version.
constexpr uint16_t FirstVersionPart(uint64_t version) {
  return static_cast<uint16_t>(version >> 48);
}

enum class FileCondition {
  kAtLeast,             // version >= minimum
  kAtLeastPerNumbering, // first part 4 and >= minimum, or first part 5 and >= minimumFirstPart5
  kReadable,            // any readable version
};

struct DirectXFileRow {
  const char16_t* file;  // appended to the system folder; begins with "\"
  FileCondition condition;
  uint64_t minimum;            // kAtLeast; the first-part-4 minimum of kAtLeastPerNumbering
  uint64_t minimumFirstPart5;  // kAtLeastPerNumbering only
  DirectXVersion result;
};

// The rows in checking order, and their number.
extern const DirectXFileRow kDirectXFileRows[];
extern const std::size_t kDirectXFileRowCount;

// Whether the row's condition holds for a readable file version.
bool DirectXFileRowHolds(const DirectXFileRow& row, uint64_t version);

}  // namespace vorlax
