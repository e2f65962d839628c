// The cabinet writer: the reader's counterpart, making Microsoft Cabinets (version 1.3) from files
// in memory: stored and MSZIP folders (and any method packer/folder_encoder.h offers), a checksum
// in every data block, several folders, optional reserve areas, and cabinet sets split at a given
// size with files spanning cabinets.
//
// Layout: each folder's data is its files' bytes in the order given, cut into blocks of 32,768
// uncompressed bytes (the folder's last block shorter). In a set, a cabinet that fills up in the
// middle of a block ends with a piece of the block (uncompressed count 0) and the next cabinet
// goes on with the rest, itself cut again when it does not fit (a middle cabinet may hold only a
// piece of one block, every file of it continued both ways). The files whose data is not complete
// in a cabinet, and the empty files listed after them, are listed there as continued to the next
// and listed again, first, in the next cabinet as continued from the previous. The folder being
// continued is closed after the file that crossed the boundary, so a cabinet's continued folder
// holds only continued files; the files after it start a new folder.
// Every cabinet of a set is thereby readable as the format intends: the continued files by a walk
// of the cabinet they begin in, every other file by a walk of its own cabinet.
//
// Trap: every cabinet of a set must hold its header, the continued file entries and a piece of a
// block; kMinSplitSize is the smallest split size accepted, and a set whose continued entries
// leave no room for data is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "packer/folder_encoder.h"

namespace vorlax {

// DOS date and time of 2001-01-01 12:00:00, a neutral default.
constexpr uint16_t kDefaultDosDate = (21 << 9) | (1 << 5) | 1;
constexpr uint16_t kDefaultDosTime = 12 << 11;
constexpr uint64_t kMinSplitSize = 4 * 1024;

struct CabinetInputFile {
  std::string name;  // the name stored in the cabinet, "\" separators, at most 255 characters
  std::string data;
  uint16_t dosDate = kDefaultDosDate;
  uint16_t dosTime = kDefaultDosTime;
  uint16_t attributes = 0x20;  // archive
  uint16_t folder = 0;         // index into CabinetWriterOptions::folders
};

struct CabinetWriterOptions {
  // The compression of each folder, in folder order.
  std::vector<CompressionChoice> folders = {CompressionChoice()};
  // Single cabinets only: the order of the file list as indices into the files (a permutation);
  // empty lists the files as given.
  std::vector<std::size_t> listOrder;
  // Reserve areas: present when reservePresent is set or any size is not 0; filled with zeros.
  bool reservePresent = false;
  uint16_t headerReserve = 0;
  uint8_t folderReserve = 0;
  uint8_t dataReserve = 0;
  // 0: one cabinet. Otherwise a set whose every cabinet is at most this many bytes.
  uint64_t splitSize = 0;
  uint16_t setId = 0;
  // The first cabinet's name; later ones insert 2, 3, ... before the extension ("a.cab",
  // "a2.cab"). Disk names are "Disk 1", "Disk 2", ...
  std::string cabinetName = "cabinet.cab";
  bool checksums = true;
};

struct CabinetPart {
  std::string name;
  std::string bytes;
};

// Builds the cabinet (or set) into *parts. False with *error set when the input cannot be
// represented (a name too long, a folder index without folder, a split size too small, a
// cabinet over 4 GiB, an unknown compression).
bool WriteCabinets(const std::vector<CabinetInputFile>& files, const CabinetWriterOptions& options,
                   std::vector<CabinetPart>* parts, std::string* error);

// The name of cabinet `index` (0-based) of a set whose first cabinet is firstName.
std::string CabinetPartName(const std::string& firstName, std::size_t index);

}  // namespace vorlax
