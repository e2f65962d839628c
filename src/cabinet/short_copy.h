// CopyShort: a copy of 2 to 8 bytes for the decoders' match copies, as two copies of a power of
// two that may overlap each other (no byte loop, no call). Both are read before either is
// stored, so it is right wherever the source does not overlap the destination, and also where
// the whole source lies before what is written.
#pragma once

#include <cstdint>
#include <cstring>

namespace vorlax {

inline void CopyShort(uint8_t* to, const uint8_t* from, uint32_t n) {
  if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, from, 4);
    std::memcpy(&b, from + n - 4, 4);
    std::memcpy(to, &a, 4);
    std::memcpy(to + n - 4, &b, 4);
  } else {
    uint16_t a, b;
    std::memcpy(&a, from, 2);
    std::memcpy(&b, from + n - 2, 2);
    std::memcpy(to, &a, 2);
    std::memcpy(to + n - 2, &b, 2);
  }
}

}  // namespace vorlax
