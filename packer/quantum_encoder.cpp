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

QuantumEncoder::QuantumEncoder(uint32_t windowBits)
    : frame_(windowBits), finder_(windowBits, ReachOf(frame_)) {}

bool QuantumEncoder::EncodeBlock(const uint8_t* data, uint32_t size, bool /*lastBlock*/, std::string* out) {
  if (size > kMaxBlockOutput || (data == nullptr && size > 0)) return false;
  const uint32_t start = finder_.Append(data, size);
  const uint32_t end = start + size;
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
  frame_.EndFrame(out);
  return true;
}

}  // namespace vorlax
