// The on-disk layout of a Microsoft Cabinet (version 1.3): field offsets, sizes, flags and
// special values, named once for the reader and the writer. All fields are little-endian and are
// read and written through base/little_endian.h, never by casting structs onto bytes.
#pragma once

#include <cstdint>

namespace vorlax {

// ---- Cabinet header (at offset 0) -----------------------------------------------------------
constexpr uint32_t kCabHeaderSize = 36;
constexpr uint32_t kCabHeaderSignature = 0;      // 4 bytes "MSCF"
constexpr uint32_t kCabHeaderCabinetSize = 8;    // 32-bit, not read
constexpr uint32_t kCabHeaderFilesOffset = 16;   // 32-bit offset of the first file entry
constexpr uint32_t kCabHeaderVersion = 24;       // minor byte, then major byte: 16-bit 0x0103
constexpr uint32_t kCabHeaderFolderCount = 26;
constexpr uint32_t kCabHeaderFileCount = 28;
constexpr uint32_t kCabHeaderFlags = 30;
constexpr uint32_t kCabHeaderSetId = 32;
constexpr uint32_t kCabHeaderCabinetIndex = 34;

constexpr uint8_t kCabSignature[4] = {'M', 'S', 'C', 'F'};
constexpr uint16_t kCabVersion = 0x0103;

enum CabinetHeaderFlag : uint16_t {
  kCabFlagPreviousCabinet = 0x0001,
  kCabFlagNextCabinet = 0x0002,
  kCabFlagReservePresent = 0x0004,
};

// With kCabFlagReservePresent: 16-bit header-reserve size, 8-bit folder-reserve size, 8-bit
// data-reserve size, then the header-reserve bytes.
constexpr uint32_t kCabReserveSizesSize = 4;
constexpr uint32_t kCabReserveHeaderSize = 0;
constexpr uint32_t kCabReserveFolderSize = 2;
constexpr uint32_t kCabReserveDataSize = 3;

// ---- Folder entry -----------------------------------------------------------------------------
constexpr uint32_t kCabFolderEntrySize = 8;  // plus the folder-reserve size
constexpr uint32_t kCabFolderFirstBlock = 0;
constexpr uint32_t kCabFolderBlockCount = 4;
constexpr uint32_t kCabFolderCompression = 6;

constexpr uint16_t kCabCompressionKindMask = 0x000F;
constexpr uint16_t kCabCompressionWindowShift = 8;
constexpr uint16_t kCabCompressionWindowMask = 0x1F;

// ---- File entry -------------------------------------------------------------------------------
constexpr uint32_t kCabFileEntrySize = 16;  // plus the NUL-terminated name
constexpr uint32_t kCabFileSize = 0;
constexpr uint32_t kCabFileFolderOffset = 4;
constexpr uint32_t kCabFileFolderIndex = 8;
constexpr uint32_t kCabFileDate = 10;
constexpr uint32_t kCabFileTime = 12;
constexpr uint32_t kCabFileAttributes = 14;

// Names (cabinet, disk and file names) live in 256-byte buffers: at most 255 characters.
constexpr uint32_t kCabNameBufferSize = 256;
constexpr uint32_t kCabMaxNameLength = kCabNameBufferSize - 1;

enum CabinetFolderIndex : uint16_t {
  kCabFolderContinuedFromPrevious = 0xFFFD,
  kCabFolderContinuedToNext = 0xFFFE,
  kCabFolderContinuedBoth = 0xFFFF,
};

enum CabinetAttribute : uint16_t {
  kCabAttributeReadOnly = 0x01,
  kCabAttributeHidden = 0x02,
  kCabAttributeSystem = 0x04,
  kCabAttributeArchive = 0x20,
  kCabAttributeRunAfterExtract = 0x40,
};

// ---- Data block -------------------------------------------------------------------------------
constexpr uint32_t kCabBlockHeaderSize = 8;  // plus the data-reserve size
constexpr uint32_t kCabBlockChecksum = 0;
constexpr uint32_t kCabBlockCompressedSize = 4;
constexpr uint32_t kCabBlockUncompressedSize = 6;

// The checksum of a block covers its compressed bytes and then its header from the compressed
// size field to the end of the reserve.
constexpr uint32_t kCabBlockChecksummedHeaderStart = kCabBlockCompressedSize;

}  // namespace vorlax
