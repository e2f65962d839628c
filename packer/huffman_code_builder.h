// Huffman code lengths limited to a maximum length, and their canonical codes, for the encoders
// whose decoders build canonical tables (LZX's four trees).
//
// Promises: with two or more used symbols the lengths fill the code space exactly; with exactly
// one used symbol it gets length 1 and one unused neighbour gets length 1 too (a complete code,
// which strict decoders require); with none every length is 0. Unused symbols get length 0.
#pragma once

#include <cstdint>

namespace vorlax {

// lengths[i] for freq[i], i < count, each at most maxLength (1..16). count >= 2.
void BuildHuffmanLengths(const uint32_t* freq, uint32_t count, uint32_t maxLength, uint8_t* lengths);

// The canonical codes of the lengths: shorter codes first, equal lengths in symbol order.
void BuildCanonicalCodes(const uint8_t* lengths, uint32_t count, uint16_t* codes);

}  // namespace vorlax
