// The product's files as `vorlax pack` gathers them: every regular file under a folder, named
// in the cabinet by a prefix ("cfg\", "files\") and its path relative to the folder with "\"
// separators, with the file's date and attributes.
//
// Everything the format cannot hold is refused from the folder listing alone, before a byte is
// read: a file larger than one cabinet folder holds, a product whose files add up to more than
// a cabinet's 32-bit size, more files than a cabinet lists, a name over 255 characters, a
// character above U+00FF (cabinet names are 8-bit) or one Windows cannot put in a file name.
// Each refusal names the file.
//
// Trap: sizes come from the listing; the reader of `vorlax pack` refuses a file whose size
// changed between listing and reading.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "packer/cabinet_writer.h"

namespace vorlax {

struct ProductFile {
  std::filesystem::path source;
  std::string cabinetName;  // UTF-8 while listed; 8-bit in the cabinet
  uint64_t size = 0;
  uint16_t dosDate = kDefaultDosDate;
  uint16_t dosTime = kDefaultDosTime;
  uint16_t attributes = 0x20;
};

// The largest file one cabinet folder holds (its blocks are counted in 16 bits).
uint64_t MaxCabinetFileBytes();
// The most bytes of files one installer's cabinet holds (its size is a 32-bit field).
constexpr uint64_t kMaxProductBytes = 0xFFFFFFFFu;
// The most files one cabinet lists.
constexpr std::size_t kMaxProductFiles = 0xFFFF;

// Appends every regular file under folder, sorted by name, as prefix + relative path. False
// with *error set when the folder cannot be listed or a name cannot be stored.
bool ListProductFiles(const std::string& folder, const std::string& prefix, std::vector<ProductFile>* files,
                      std::string* error);

// Adds the file at source under cabinetName ("files\uninst.exe"), stamped like a listed file, at
// its place in name order (files are kept sorted by cabinet name). False with *error set when
// the name cannot be stored or the file cannot be read.
bool AddProductFile(const std::filesystem::path& source, const std::string& cabinetName,
                    std::vector<ProductFile>* files, std::string* error);

// Refuses what the cabinet cannot hold: file and product sizes, file count, duplicate names.
bool CheckProductLimits(const std::vector<ProductFile>& files, std::string* error);

// Date, time and attributes of the file at path as the cabinet stores them (local time,
// 2-second steps; read-only when the owner cannot write it).
void StampProductFile(const std::filesystem::path& path, ProductFile* file);

}  // namespace vorlax
