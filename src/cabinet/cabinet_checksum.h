// The data-block checksum of the cabinet format: an XOR of little-endian 32-bit groups, with the
// 1 to 3 bytes left over folded in big-endian. Trap: the tail is big-endian although the groups
// are little-endian; cabinets made by other tools depend on that exact quirk.
#pragma once

#include <cstdint>

namespace vorlax {

// The checksum of size bytes at data, continuing from seed.
uint32_t CabinetChecksum(const uint8_t* data, uint32_t size, uint32_t seed);

// The checksum a block header stores: over the compressed bytes (seed 0), then over the header
// from its compressed-size field to the end of its reserve area. header points at the whole
// block header of headerSize bytes.
uint32_t CabinetBlockChecksum(const uint8_t* header, uint32_t headerSize, const uint8_t* data,
                              uint32_t dataSize);

}  // namespace vorlax
