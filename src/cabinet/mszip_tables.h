// The fixed numbers of the deflate format that the MSZIP decoder needs: symbol counts, the base
// values and extra-bit counts of lengths and distances, and the order in which a dynamic block
// sends its code-length code lengths.
#pragma once

#include <cstdint>

namespace vorlax {

constexpr unsigned kMszipMaxCodeLength = 15;     // longest literal/length or distance code
constexpr unsigned kMszipLiteralCount = 256;     // symbols 0-255 are literal bytes
constexpr unsigned kMszipEndOfBlock = 256;       // symbol 256 ends a block
constexpr unsigned kMszipPlainSymbols = 257;     // literals and end of block
constexpr unsigned kMszipFixedLitLenCodes = 288;  // the fixed code defines symbols 0-287
constexpr unsigned kMszipFixedDistanceCodes = 30;
constexpr unsigned kMszipMaxLitLenCodes = 286;   // HLIT + 257 may not exceed this
constexpr unsigned kMszipMaxDistanceCodes = 30;  // HDIST + 1 may not exceed this
constexpr unsigned kMszipCodeLengthCodes = 19;
constexpr unsigned kMszipLengthSymbols = 29;     // symbols 257-285
constexpr unsigned kMszipMaxMatch = 258;
constexpr unsigned kMszipMaxDistance = 32768;    // the last distance symbol's base and extra bits

// Symbol 257 + i has base kMszipLengthBase[i] and kMszipLengthExtra[i] extra bits.
extern const uint16_t kMszipLengthBase[kMszipLengthSymbols];
extern const uint8_t kMszipLengthExtra[kMszipLengthSymbols];
// Distance symbol i has base kMszipDistanceBase[i] and kMszipDistanceExtra[i] extra bits.
extern const uint16_t kMszipDistanceBase[kMszipMaxDistanceCodes];
extern const uint8_t kMszipDistanceExtra[kMszipMaxDistanceCodes];
// The code-length code lengths arrive in this symbol order.
extern const uint8_t kMszipCodeLengthOrder[kMszipCodeLengthCodes];

// Byte b with its 8 bits in reverse order, at index b.
struct MszipReversedBytes {
  uint8_t byte[256];
};
extern const MszipReversedBytes kMszipReversedBytes;

// The low `length` bits of `code` (below 2^16) in reverse order: deflate sends a Huffman code's
// first bit as the lowest bit, so tables are indexed by reversed canonical codes. Two byte lookups
// and no loop, so that table builds do not branch on the codes.
inline unsigned MszipReverseBits(unsigned code, unsigned length) {
  unsigned reversed = (unsigned{kMszipReversedBytes.byte[code & 0xFF]} << 8) | kMszipReversedBytes.byte[code >> 8];
  return reversed >> (16 - length);
}

// counts[l] = the number of the `n` code lengths (each 0-15) that equal l, for l = 0-15.
// Four partial counts side by side: a single count would have each increment wait for the
// previous one whenever neighbouring symbols share a length, as most do.
inline void MszipCountLengths(const uint8_t* lengths, unsigned n, unsigned counts[kMszipMaxCodeLength + 1]) {
  constexpr unsigned kLanes = 4;
  unsigned partial[kLanes][kMszipMaxCodeLength + 1] = {};
  unsigned s = 0;
  for (; s + kLanes <= n; s += kLanes) {
    for (unsigned lane = 0; lane < kLanes; ++lane) partial[lane][lengths[s + lane]]++;
  }
  for (; s < n; ++s) partial[0][lengths[s]]++;
  for (unsigned len = 0; len <= kMszipMaxCodeLength; ++len) {
    counts[len] = partial[0][len] + partial[1][len] + partial[2][len] + partial[3][len];
  }
}

}  // namespace vorlax
