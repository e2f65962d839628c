// The data-block checksum of the cabinet format.
#include "cabinet/cabinet_checksum.h"

#include "base/little_endian.h"
#include "cabinet/cabinet_format.h"

namespace vorlax {

uint32_t CabinetChecksum(const uint8_t* data, uint32_t size, uint32_t seed) {
  uint32_t sum = seed;
  uint32_t groups = size / 4;
  for (uint32_t i = 0; i < groups; ++i) sum ^= ReadLe32(data + 4 * i);
  const uint8_t* tail = data + 4 * groups;
  uint32_t last = 0;
  for (uint32_t i = 0; i < size % 4; ++i) last = (last << 8) | tail[i];
  return sum ^ last;
}

uint32_t CabinetBlockChecksum(const uint8_t* header, uint32_t headerSize, const uint8_t* data,
                              uint32_t dataSize) {
  uint32_t sum = CabinetChecksum(data, dataSize, 0);
  return CabinetChecksum(header + kCabBlockChecksummedHeaderStart,
                         headerSize - kCabBlockChecksummedHeaderStart, sum);
}

}  // namespace vorlax
