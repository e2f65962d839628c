// A folder encoder turns a cabinet folder's uncompressed data, block by block, into the compressed
// bytes of its data blocks. The cabinet writer owns the blocking (every block but the folder's
// last holds exactly 32,768 uncompressed bytes) and the block headers; the encoder owns the
// compressed format and the history that carries from block to block.
// An encoder may hold a few blocks back before giving out their bytes (EncodeFrames), to choose
// its own coding over several blocks at once; it gives out every block, in order, by the folder's
// last.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// One data block's compressed bytes and its uncompressed size.
struct EncodedFrame {
  std::string bytes;
  uint32_t size = 0;
};

class FolderEncoder {
 public:
  virtual ~FolderEncoder() = default;
  // Encodes the folder's next block (size <= 32,768; lastBlock for the folder's final block) and
  // appends the block's compressed bytes to *out. Blocks come in folder order.
  virtual bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) = 0;
  // Takes the folder's next block and appends to *ready every block whose bytes are now complete,
  // in folder order; after the call with lastBlock none is held. By default, the block at once.
  virtual bool EncodeFrames(const uint8_t* data, uint32_t size, bool lastBlock, std::vector<EncodedFrame>* ready) {
    EncodedFrame frame;
    frame.size = size;
    if (!EncodeBlock(data, size, lastBlock, &frame.bytes)) return false;
    ready->push_back(std::move(frame));
    return true;
  }
  // Gives out the blocks still held (a folder whose last block came without lastBlock, as when
  // its size is a multiple of 32,768).
  virtual bool Finish(std::vector<EncodedFrame>* ready) {
    (void)ready;
    return true;
  }
};

// A fresh encoder for one folder, or null when the choice names no known method. With holdBlocks
// false, EncodeFrames gives out each block at once (a cabinet set places each block as it comes).
std::unique_ptr<FolderEncoder> MakeFolderEncoder(const CompressionChoice& choice, bool holdBlocks = true);

}  // namespace vorlax
