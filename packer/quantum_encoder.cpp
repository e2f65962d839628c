// The Quantum folder encoder: one frame per data block, greedy matching.
#include "packer/quantum_encoder.h"

#include "cabinet/decoder.h"

namespace vorlax {

namespace {

QuantumReach ReachOf(const QuantumFrameEncoder& frame) {
  QuantumReach reach;
  reach.length3 = frame.MaxDistance3();
  reach.length4 = frame.MaxDistance4();
  reach.longer = frame.MaxDistanceLong();
  return reach;
}

}  // namespace

QuantumEncoder::QuantumEncoder(uint32_t windowBits, uint32_t frameLimit)
    : frameLimit_(frameLimit), frame_(windowBits), finder_(windowBits, ReachOf(frame_)) {}

void QuantumEncoder::EncodeWithMatches(uint32_t start, uint32_t end) {
  uint32_t pos = start;
  while (pos < end) {
    finder_.InsertUpTo(pos);
    const QuantumMatch match = finder_.Find(pos, end);
    if (match.length > 0 && frame_.Match(match.length, match.distance)) {
      pos += match.length;
    } else {
      frame_.Literal(finder_.ByteAt(pos));
      ++pos;
    }
  }
}

void QuantumEncoder::EncodeLiterals(uint32_t start, uint32_t end) {
  for (uint32_t pos = start; pos < end; ++pos) frame_.Literal(finder_.ByteAt(pos));
}

bool QuantumEncoder::EncodeBlock(const uint8_t* data, uint32_t size, bool /*lastBlock*/, std::string* out) {
  if (size > kMaxBlockOutput || (data == nullptr && size > 0)) return false;
  const uint32_t start = finder_.Append(data, size);
  const QuantumFrameEncoder before = frame_;
  std::string frame;
  EncodeWithMatches(start, start + size);
  frame_.EndFrame(&frame);
  if (frame.size() > frameLimit_) {
    frame_ = before;
    frame.clear();
    EncodeLiterals(start, start + size);
    frame_.EndFrame(&frame);
    if (frame.size() > frameLimit_) return false;
  }
  out->append(frame);
  return true;
}

}  // namespace vorlax
