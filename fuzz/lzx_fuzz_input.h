// The input layout of the LZX fuzz target, shared by the target and its seed writer:
//   byte 0          window exponent: 15 + (byte % 7)
//   then per frame  2 bytes wanted output length (little-endian, taken modulo 32,769),
//                   2 bytes compressed length n (little-endian), then n bytes of frame data
// Frames end when the input does; a compressed length beyond the input takes what is left.
#pragma once

#include <cstdint>

namespace vorlax {
namespace lzx_fuzz {

constexpr uint32_t kWindowChoices = 7;
constexpr uint32_t kFrameHeaderSize = 4;
constexpr uint32_t kWantedModulus = 32769;

}  // namespace lzx_fuzz
}  // namespace vorlax
