// Reading the security directory of a PE image header.
#include "packer/tool/pe_signature.h"

#include <filesystem>
#include <fstream>

#include "base/little_endian.h"

namespace vorlax {
namespace {

constexpr uint32_t kNewHeaderPointerOffset = 0x3C;
constexpr uint32_t kOptionalHeaderOffset = 24;  // after "PE\0\0" and the file header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
// The security directory (data directory 4) within the optional header.
constexpr uint32_t kPe32SecurityDirectory = 128;
constexpr uint32_t kPe32PlusSecurityDirectory = 144;

bool ReadAt(std::ifstream& in, uint64_t offset, uint8_t* bytes, std::size_t count) {
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(in.gcount()) == count;
}

}  // namespace

bool FindPeSignature(const std::string& utf8Path, PeSignature* signature) {
  std::error_code failure;
  std::filesystem::path path = std::filesystem::u8path(utf8Path);
  uint64_t fileSize = std::filesystem::file_size(path, failure);
  std::ifstream in(path, std::ios::binary);
  uint8_t bytes[8];
  if (failure || !in || !ReadAt(in, 0, bytes, 2) || bytes[0] != 'M' || bytes[1] != 'Z') return false;
  if (!ReadAt(in, kNewHeaderPointerOffset, bytes, 4)) return false;
  uint64_t header = ReadLe32(bytes);
  if (!ReadAt(in, header, bytes, 4) || bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] != 0 || bytes[3] != 0) {
    return false;
  }
  uint64_t optional = header + kOptionalHeaderOffset;
  if (!ReadAt(in, optional, bytes, 2)) return false;
  uint16_t magic = ReadLe16(bytes);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
  uint64_t directory = optional + (magic == kPe32Magic ? kPe32SecurityDirectory : kPe32PlusSecurityDirectory);
  if (!ReadAt(in, directory, bytes, 8)) return false;
  signature->offset = ReadLe32(bytes);
  signature->size = ReadLe32(bytes + 4);
  return signature->size != 0 && signature->offset + signature->size <= fileSize;
}

}  // namespace vorlax
