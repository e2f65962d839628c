// The streaming cabinet writer: one cabinet (no set, no reserve areas) written to a sink while
// the files are read a block at a time, so packing a product takes memory for one block and the
// encoder's window and held blocks, whatever the product's size.
//
// The bytes are those WriteCabinets (cabinet_writer.h) makes from the same files with one folder
// choice and default options: the same folder breaks (a new folder when the next file would carry
// the folder past what 65,535 blocks hold), the same blocks, entries and header. The header's
// size follows from the names alone, so the data blocks are written first, behind room for the
// header, and the header is written into that room at the end.
//
// Parallel folders (CabinetStreamOptions): with folderBytes set, a folder is closed after the file
// that brings it to folderBytes or more, so the folders follow from the files' sizes alone; several
// folders are then compressed at once, each by its own encoder and reader on its own thread, and
// written in folder order. The bytes are the same whatever the number of threads. Memory: each
// thread holds at most kMaxQueuedFolderBytes of compressed blocks that wait for their turn.
//
// Trap: the sink must accept a write at an earlier position (WriteAt) after the data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "packer/cabinet_writer.h"
#include "packer/folder_encoder.h"

namespace vorlax {

struct StreamedCabinetFile {
  std::string name;  // 8-bit, "\" separators, at most 255 characters
  uint64_t size = 0;
  uint16_t dosDate = kDefaultDosDate;
  uint16_t dosTime = kDefaultDosTime;
  uint16_t attributes = 0x20;
};

// Where the cabinet goes. Positions are relative to the cabinet's first byte.
class CabinetSink {
 public:
  virtual ~CabinetSink() = default;
  // Appends at the end of what was written so far.
  virtual bool Write(const char* bytes, std::size_t count) = 0;
  // Overwrites bytes already written at position.
  virtual bool WriteAt(uint64_t position, const char* bytes, std::size_t count) = 0;
};

// Reads count bytes of file `index` from `offset` into out (files are read in order, each from
// its start to its end); false when the file cannot be read or has fewer bytes than listed.
using CabinetFileReader = std::function<bool(std::size_t index, uint64_t offset, uint32_t count, char* out)>;

// Called after each block with the uncompressed bytes done so far.
using CabinetProgress = std::function<void(uint64_t bytesDone)>;

// Compressed bytes a folder's thread may hold before the folder's turn to be written comes.
constexpr uint64_t kMaxQueuedFolderBytes = 16ull << 20;

struct CabinetStreamOptions {
  // 0: one folder until the format's limit; otherwise a folder ends after the file that brings
  // it to this many bytes.
  uint64_t folderBytes = 0;
  // Folders compressed at once; above 1, each thread reads through a reader of its own from
  // makeReader (called on the main thread), the files of its folder in order.
  unsigned threads = 1;
  std::function<CabinetFileReader()> makeReader;
};

// Writes the cabinet; *cabinetSize receives its size. False with *error set when the files cannot
// be represented (a name, a file too large for one folder, more than 65,535 files or blocks in a
// folder, a cabinet over 4 GiB), a file cannot be read or the sink fails.
bool StreamCabinet(const std::vector<StreamedCabinetFile>& files, const CompressionChoice& compression,
                   const CabinetFileReader& read, CabinetSink* sink, uint64_t* cabinetSize, std::string* error,
                   const CabinetProgress& progress = nullptr, const CabinetStreamOptions& options = {});

}  // namespace vorlax
