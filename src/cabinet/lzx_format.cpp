// The number of position slots per window size, counted from the slot tables.
#include "cabinet/lzx_format.h"

namespace vorlax {

uint32_t LzxPositionSlots(uint32_t windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return 0;
  const uint64_t window = uint64_t{1} << windowBits;
  uint32_t slots = lzx_detail::kUnextendedSlots;
  uint64_t covered = lzx_detail::kUnextendedSlots;
  while (covered < window && slots < kLzxMaxPositionSlots) {
    covered += uint64_t{1} << LzxExtraBits(slots);
    ++slots;
  }
  return slots;
}

}  // namespace vorlax
