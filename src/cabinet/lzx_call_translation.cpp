// Call translation in both directions. The decoder's rule for a stored value a at position p:
//   a < t (unsigned)             -> a - p
//   else if -a <= p (unsigned)   -> a + t     (a is negative and not below -p)
//   else                         -> a
// This is a bijection on 32-bit values while p + t stays below 2^32, and the encoder picks, for
// each relative value r, the one stored value that the rule maps back onto r.
#include "cabinet/lzx_call_translation.h"

#include <cstring>

#include "base/little_endian.h"

namespace vorlax {

namespace {

constexpr uint8_t kCallOpcode = 0xE8;
// No call starting in a frame's last 10 bytes is translated.
constexpr uint32_t kUntranslatedTail = 10;
constexpr uint32_t kTargetBytes = 4;

uint32_t Untranslate(uint32_t stored, uint32_t position, uint32_t size) {
  if (stored < size) return stored - position;
  if (0u - stored <= position) return stored + size;
  return stored;
}

uint32_t Translate(uint32_t relative, uint32_t position, uint32_t size) {
  const uint32_t absolute = relative + position;
  if (absolute < size) return absolute;
  const uint32_t wrapped = relative - size;
  if (wrapped >= size && 0u - wrapped <= position) return wrapped;
  return relative;
}

template <uint32_t (*Map)(uint32_t, uint32_t, uint32_t)>
void ScanCalls(uint8_t* frame, uint32_t size, uint32_t framePosition, uint32_t translationSize) {
  if (size <= kUntranslatedTail) return;
  const uint32_t limit = size - kUntranslatedTail;
  uint32_t i = 0;
  while (i < limit) {
    const void* found = std::memchr(frame + i, kCallOpcode, limit - i);
    if (found == nullptr) break;
    i = static_cast<uint32_t>(static_cast<const uint8_t*>(found) - frame);
    uint8_t* target = frame + i + 1;
    WriteLe32(target, Map(ReadLe32(target), framePosition + i, translationSize));
    i += 1 + kTargetBytes;
  }
}

}  // namespace

void LzxUntranslateCalls(uint8_t* frame, uint32_t size, uint32_t framePosition,
                         uint32_t translationSize) {
  ScanCalls<Untranslate>(frame, size, framePosition, translationSize);
}

void LzxTranslateCalls(uint8_t* frame, uint32_t size, uint32_t framePosition,
                       uint32_t translationSize) {
  ScanCalls<Translate>(frame, size, framePosition, translationSize);
}

}  // namespace vorlax
