// Test helper: writes MSZIP blocks bit by bit, so that each bad stream of the MSZIP tests is
// spelled out field by field.
//
// Bits go least-significant first into bytes, as deflate reads them. Huffman codes are given
// most-significant bit first (as canonical codes are written down) and stored reversed.
#pragma once

#include <cstdint>
#include <vector>

namespace vorlax {
namespace test {

class MszipBitWriter {
 public:
  // Starts with the "CK" tag unless told otherwise.
  explicit MszipBitWriter(bool tag = true) {
    if (tag) {
      bytes_.push_back('C');
      bytes_.push_back('K');
    }
  }

  // `count` (at most 32) bits of `value`, lowest first.
  MszipBitWriter& Bits(uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) PutBit((value >> i) & 1);
    return *this;
  }

  // A Huffman code of `length` bits, most significant first.
  MszipBitWriter& Code(uint32_t code, unsigned length) {
    for (unsigned i = length; i > 0; --i) PutBit((code >> (i - 1)) & 1);
    return *this;
  }

  // Block header: the final flag and the 2-bit type (0 stored, 1 fixed, 2 dynamic, 3 reserved).
  MszipBitWriter& Header(bool final, unsigned type) { return Bits(final ? 1 : 0, 1).Bits(type, 2); }

  // Zero bits up to the next byte boundary.
  MszipBitWriter& Align() {
    while (bitCount_ != 0) PutBit(0);
    return *this;
  }

  // Whole bytes after aligning.
  MszipBitWriter& Bytes(const std::vector<uint8_t>& data) {
    Align();
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }

  // A stored block: header, alignment, LEN, NLEN and the data.
  MszipBitWriter& Stored(bool final, const std::vector<uint8_t>& data) {
    uint32_t len = static_cast<uint32_t>(data.size());
    Header(final, 0).Align().Bits(len, 16).Bits(~len & 0xFFFF, 16);
    return Bytes(data);
  }

  // Fixed-code symbols: literal/length symbols 0-287 and distance symbols 0-31.
  MszipBitWriter& FixedLitLen(unsigned symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  MszipBitWriter& FixedDistance(unsigned symbol) { return Code(symbol, 5); }

  std::vector<uint8_t> Finish() {
    std::vector<uint8_t> out = bytes_;
    if (bitCount_ != 0) out.push_back(current_);
    return out;
  }

 private:
  void PutBit(uint32_t bit) {
    current_ |= static_cast<uint8_t>(bit << bitCount_);
    if (++bitCount_ == 8) {
      bytes_.push_back(current_);
      current_ = 0;
      bitCount_ = 0;
    }
  }

  std::vector<uint8_t> bytes_;
  uint8_t current_ = 0;
  unsigned bitCount_ = 0;
};

// Canonical codes (most significant bit first) for a list of code lengths.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  unsigned count[16] = {};
  for (uint8_t l : lengths) count[l]++;
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len < 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
  }
  return codes;
}

}  // namespace test
}  // namespace vorlax
