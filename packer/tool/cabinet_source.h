// Where the `list` and `extract` commands find the cabinet of their FILE argument: a bare cabinet
// ("MSCF" at offset 0) is read in place; an installer's cabinet record is copied to a temporary
// file first (as the installer itself does), which is removed again when the source goes away.
//
// Trap: the cabinet layer takes 8-bit paths whose every byte is one character. A bare cabinet
// whose UTF-8 path has characters above U+00FF cannot be named that way, so it is copied to a
// temporary file too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/payload.h"

namespace vorlax {

class CabinetSource {
 public:
  CabinetSource() = default;
  ~CabinetSource();
  CabinetSource(const CabinetSource&) = delete;
  CabinetSource& operator=(const CabinetSource&) = delete;

  // Opens the file named by utf8Path; false with *error set when it is neither a cabinet nor an
  // installer with a cabinet record.
  bool Open(const std::string& utf8Path, std::string* error);

  bool IsInstaller() const { return isInstaller_; }
  const std::vector<PayloadRecordInfo>& Records() const { return records_; }
  // The cabinet's 8-bit path for the cabinet layer.
  const std::string& CabinetPath() const { return cabinetPath_; }
  // True when the cabinet was read in place, so that the other cabinets of its set sit beside it.
  bool InPlace() const { return temporary_.empty(); }

 private:
  bool CopyOut(int64_t offset, uint64_t size, std::string* error);

  std::u16string path_;
  bool isInstaller_ = false;
  std::vector<PayloadRecordInfo> records_;
  std::string cabinetPath_;
  std::u16string temporary_;
};

// One cabinet's header facts, read through the cabinet reader.
struct CabinetFacts {
  std::string nextCabinet;  // empty when the cabinet is the last of its set
  uint16_t setId = 0;
  uint16_t cabinetIndex = 0;
};

// Walks the cabinet without extracting; false with *error set (the reader's message) on failure.
bool ReadCabinetFacts(const std::string& cabinetPath, CabinetFacts* facts, std::string* error);

// The 8-bit form of a UTF-8 path for the cabinet layer; false when a character is above U+00FF.
bool NarrowPath(const std::string& utf8Path, std::string* narrow);

}  // namespace vorlax
