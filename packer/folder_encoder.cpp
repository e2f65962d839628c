// The compression choices of the cabinet writer and the encoder of each.
//
// To add a method: its parsing in ParseCompressionChoice (already there for all four names) and
// one case in MakeFolderEncoder.
#include "packer/folder_encoder.h"

#include <cstdlib>

#include "cabinet/decoder.h"
#include "packer/lzx_encoder.h"
#include "packer/mszip_encoder.h"
#include "packer/quantum_encoder.h"

namespace vorlax {

namespace {

constexpr uint16_t kLzxMinWindow = 15;
constexpr uint16_t kLzxMaxWindow = 21;
constexpr uint16_t kQuantumMinWindow = 10;
constexpr uint16_t kQuantumMaxWindow = 21;
static_assert(static_cast<int>(CompressionEffort::kFast) == static_cast<int>(LzxLevel::kFast) &&
                  static_cast<int>(CompressionEffort::kNormal) == static_cast<int>(LzxLevel::kNormal) &&
                  static_cast<int>(CompressionEffort::kSmallest) == static_cast<int>(LzxLevel::kSmallest),
              "an effort is the LZX level of the same number");
const char kFastLevel[] = "fast";
const char kSmallestLevel[] = "best";

// Stored data: the block's bytes unchanged.
class StoredEncoder : public FolderEncoder {
 public:
  bool EncodeBlock(const uint8_t* data, uint32_t size, bool, std::string* out) override {
    if (size > kMaxBlockOutput) return false;
    out->append(reinterpret_cast<const char*>(data), size);
    return true;
  }
};

// "lzx:N" and "quantum:N": the window exponent N within [low, high]. LZX may add a level,
// ":fast" or ":best", beside the default balance.
bool ParseWindow(const std::string& text, std::size_t prefixLength, uint16_t low, uint16_t high,
                 uint16_t* window) {
  std::string digits = text.substr(prefixLength);
  if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  long value = std::strtol(digits.c_str(), nullptr, 10);
  if (value < low || value > high) return false;
  *window = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

bool ParseCompressionChoice(const std::string& text, CompressionChoice* choice,
                            std::string* error) {
  CompressionChoice parsed;
  if (text == "none") {
    parsed.kind = kDecoderStored;
  } else if (text == "mszip") {
    parsed.kind = kDecoderMszip;
  } else if (text.compare(0, 4, "lzx:") == 0) {
    parsed.kind = kDecoderLzx;
    std::string window = text;
    const std::size_t level = text.find(':', 4);
    if (level != std::string::npos) {
      const std::string name = text.substr(level + 1);
      if (name == kFastLevel) {
        parsed.effort = CompressionEffort::kFast;
      } else if (name == kSmallestLevel) {
        parsed.effort = CompressionEffort::kSmallest;
      } else {
        *error = "LZX level must be fast or best (lzx:N:fast, lzx:N:best), not '" + text + "'";
        return false;
      }
      window = text.substr(0, level);
    }
    if (!ParseWindow(window, 4, kLzxMinWindow, kLzxMaxWindow, &parsed.windowBits)) {
      *error = "LZX window must be lzx:15 to lzx:21, not '" + text + "'";
      return false;
    }
  } else if (text.compare(0, 8, "quantum:") == 0) {
    parsed.kind = kDecoderQuantum;
    if (!ParseWindow(text, 8, kQuantumMinWindow, kQuantumMaxWindow, &parsed.windowBits)) {
      *error = "Quantum window must be quantum:10 to quantum:21, not '" + text + "'";
      return false;
    }
  } else {
    *error = "unknown compression '" + text + "' (none, mszip, lzx:N[:fast|:best], quantum:N)";
    return false;
  }
  *choice = parsed;
  return true;
}

std::unique_ptr<FolderEncoder> MakeFolderEncoder(const CompressionChoice& choice, bool holdBlocks) {
  switch (choice.kind) {
    case kDecoderStored: return std::unique_ptr<FolderEncoder>(new StoredEncoder);
    case kDecoderMszip: return std::unique_ptr<FolderEncoder>(new MszipEncoder);
    case kDecoderQuantum:
      if (choice.windowBits < kQuantumMinWindow || choice.windowBits > kQuantumMaxWindow) return nullptr;
      return std::unique_ptr<FolderEncoder>(new QuantumEncoder(choice.windowBits));
    case kDecoderLzx: {
      if (choice.windowBits < kLzxMinWindow || choice.windowBits > kLzxMaxWindow) return nullptr;
      LzxEncoderOptions options;
      options.windowBits = choice.windowBits;
      options.callTranslation = choice.callTranslation;
      options.level = static_cast<LzxLevel>(choice.effort);
      options.lookaheadFrames = holdBlocks ? LzxLookaheadFrames(options.level) : 0;
      return std::unique_ptr<FolderEncoder>(new LzxEncoder(options));
    }
    default: return nullptr;
  }
}

}  // namespace vorlax
