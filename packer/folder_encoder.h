// A folder encoder turns a cabinet folder's uncompressed data, block by block, into the compressed
// bytes of its data blocks. The cabinet writer owns the blocking (every block but the folder's
// last holds exactly 32,768 uncompressed bytes) and the block headers; the encoder owns the
// compressed format and the history that carries from block to block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vorlax {

// How hard an encoder works for a smaller output (LZX only; see LzxLevel).
enum class CompressionEffort : uint8_t { kFast = 0, kNormal = 1, kSmallest = 2 };

// What `--compress` names: none, mszip, lzx:N[:fast|:best] (N = 15..21), quantum:N (N = 10..21).
struct CompressionChoice {
  uint16_t kind = 1;          // DecoderKind: 0 stored, 1 MSZIP, 2 Quantum, 3 LZX
  uint16_t windowBits = 0;    // LZX and Quantum only
  CompressionEffort effort = CompressionEffort::kNormal;  // LZX only
  bool callTranslation = false;  // LZX only: translate x86 CALL targets (e8) before encoding

  // The folder entry's compression type field: kind in bits 0-3, window exponent in bits 8-12.
  uint16_t CompressionType() const { return static_cast<uint16_t>(kind | (windowBits << 8)); }
};

// Parses "none", "mszip", "lzx:N", "lzx:N:fast", "lzx:N:best", "quantum:N"; false with *error
// set otherwise.
bool ParseCompressionChoice(const std::string& text, CompressionChoice* choice, std::string* error);

class FolderEncoder {
 public:
  virtual ~FolderEncoder() = default;
  // Encodes the folder's next block (size <= 32,768; lastBlock for the folder's final block) and
  // appends the block's compressed bytes to *out. Blocks come in folder order.
  virtual bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) = 0;
};

// A fresh encoder for one folder, or null when the choice names no known method.
std::unique_ptr<FolderEncoder> MakeFolderEncoder(const CompressionChoice& choice);

}  // namespace vorlax
