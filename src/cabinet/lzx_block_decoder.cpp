// The inner loops of the LZX decoder.
//
// A match is checked before it is copied: its distance must lie within the history decoded
// since the reset (and within the window), and its length within the bytes still wanted from the
// block in this frame. The copy itself then needs no further checks. Every copy leaves the
// bytes past the match as they were: they may still be the oldest history, which a later match
// may reach (a wide copy that stores over them first saves them and stores them back).
//
// Speed: the bit reader, the repeated offsets and the window position live in locals for the
// whole loop (the window's byte stores could otherwise alias them). The refills have no branch on
// the bit count (whether one is due depends on the lengths of the codes just read, a branch that
// the processor mispredicts often), and each runs between a table lookup and the consume of its
// code, so that its load does not wait for the lookup nor the lookup for it.
#include "cabinet/lzx_block_decoder.h"

#include <cstring>

#include "base/little_endian.h"
#include "cabinet/lzx_symbol_decoder.h"
#include "cabinet/short_copy.h"

namespace vorlax {

namespace {

constexpr uint32_t kChunk = 8;
constexpr uint32_t kWideCopy = 16;  // bytes of CopyUpTo16
// Bit budget: a main code is looked up with 16 or more valid bits, then the reader is refilled
// (56 bits or more) and the code consumed. After a literal 40 bits are left for the next main
// code; after a match's main code, its length code is looked up, the reader refilled again and
// the length (16 bits at most) and offset (extra bits and aligned symbol, up to 24) consumed,
// which also leaves 16 for the next main code. No code needs a test of its own.
constexpr uint32_t kOffsetBits = 24;
constexpr uint32_t kBitsAfterRefill = 56;
static_assert(kBitsAfterRefill - kLzxMaxCodeLength >= kLzxMaxCodeLength, "a main code after a literal");
static_assert(kBitsAfterRefill - kLzxMaxCodeLength - kOffsetBits >= kLzxMaxCodeLength,
              "a main code after a match");

inline void Copy8(uint8_t* to, const uint8_t* from) {
  uint64_t chunk;
  std::memcpy(&chunk, from, kChunk);
  std::memcpy(to, &chunk, kChunk);
}

// A match longer than its distance d (2..7): the d source bytes repeat. They are laid out
// over a 16-byte buffer, from which every 8-byte piece of the run is read at the piece's phase
// in the pattern (kept below d without a division per piece).
inline void CopyPattern(uint8_t* to, const uint8_t* from, uint32_t distance, uint32_t length) {
  uint8_t pattern[2 * kChunk];
  for (uint32_t k = 0; k < distance; ++k) pattern[k] = from[k];
  for (uint32_t k = distance; k < sizeof pattern; ++k) pattern[k] = pattern[k - distance];
  const uint32_t step = kChunk % distance;
  uint32_t phase = 0;
  uint32_t done = 0;
  for (; done + kChunk <= length; done += kChunk) {
    std::memcpy(to + done, pattern + phase, kChunk);
    phase += step;
    if (phase >= distance) phase -= distance;
  }
  for (uint32_t j = 0; done < length; ++done, ++j) to[done] = pattern[phase + j];
}

// A match of 2..7 bytes whose source lies 8 or more bytes before it, with 8 window bytes from
// the destination on: one 8-byte word whose first `length` bytes come from the source and whose
// others are the destination's own bytes, stored back unchanged (so nothing after the match
// changes), in place of two branches between short copies.
inline void CopyMerged(uint8_t* to, const uint8_t* from, uint32_t length) {
  const uint64_t keep = ~0ull << (8 * length);  // length < 8: the shift stays below 64 bits
  const uint64_t word = (ReadLe64(from) & ~keep) | (ReadLe64(to) & keep);
  WriteLe64(to, word);
}

// A match of at most 16 bytes from 16 or more bytes back, with 16 + length window bytes from
// the destination on: one 16-byte copy, after which the 16 bytes that followed the match are
// stored back, in place of branches between copies by length.
inline void CopyUpTo16(uint8_t* to, const uint8_t* from, uint32_t length) {
  uint8_t after[16];
  uint8_t piece[16];
  std::memcpy(after, to + length, sizeof after);
  std::memcpy(piece, from, sizeof piece);
  std::memcpy(to, piece, sizeof piece);
  std::memcpy(to + length, after, sizeof after);
}

// Copies a match whose source and destination do not overlap.
inline void CopyDisjoint(uint8_t* to, const uint8_t* from, uint32_t length) {
  if (length < kChunk) {
    CopyShort(to, from, length);
    return;
  }
  uint32_t done = 0;
  for (; done + kChunk <= length; done += kChunk) Copy8(to + done, from + done);
  if (done < length) Copy8(to + length - kChunk, from + length - kChunk);
}

// Copies a match whose source trails its destination by `distance`, both before the window's end.
inline void CopyWithin(uint8_t* to, const uint8_t* from, uint32_t distance, uint32_t length) {
  if (distance >= kChunk) {
    if (length < kChunk) {
      CopyShort(to, from, length);
      return;
    }
    // Forward 8-byte chunks, then one last chunk ending exactly at the match's end; a chunk
    // reads only bytes already final, as the source trails the destination by 8 or more.
    uint32_t done = 0;
    for (; done + kChunk <= length; done += kChunk) Copy8(to + done, from + done);
    if (done < length) Copy8(to + length - kChunk, from + length - kChunk);
    return;
  }
  if (distance == 1) {
    std::memset(to, *from, length);
  } else if (length <= distance) {
    CopyShort(to, from, length);
  } else {
    CopyPattern(to, from, distance, length);
  }
}

// Trap: when the distance exceeds the window position, the source wraps to the window's end
// and lies ahead of the destination; apart from the one-piece copy of CopyUpTo16 (all read before
// anything is written) the copy must then go strictly byte after byte, as a source within 8
// bytes ahead would be overwritten by an earlier chunk of the copy itself.
void CopyMatch(uint8_t* window, uint32_t mask, uint32_t size, uint32_t position, uint32_t distance,
               uint32_t length) {
  const uint32_t source = (position - distance) & mask;
  // The common case, with the source behind or (wrapped) ahead: at most 16 bytes, source and
  // destination 16 or more apart, and 16 bytes from each within the window. One branch: the
  // unsigned sum is below 31 exactly when the two lie within 15 bytes of each other.
  if ((length <= kWideCopy) & (position + length + kWideCopy <= size) & (source + kWideCopy <= size) &
      (source - position + (kWideCopy - 1) >= 2 * kWideCopy - 1)) {
    CopyUpTo16(window + position, window + source, length);
    return;
  }
  if (position + length <= size) {
    if (distance <= position) {
      if (distance >= kChunk && length < kChunk && position + kChunk <= size) {
        CopyMerged(window + position, window + source, length);
        return;
      }
      CopyWithin(window + position, window + source, distance, length);
      return;
    }
    // A wrapped source ahead of the destination and clear of it: a plain copy.
    if (source + length <= size && source >= position + length) {
      CopyDisjoint(window + position, window + source, length);
      return;
    }
  }
  for (uint32_t i = 0; i < length; ++i) {
    window[(position + i) & mask] = window[(source + i) & mask];
  }
}

// Aligned lengths are 3-bit fields, so every aligned code fits the table's lookup.
static_assert((1u << kLzxAlignedLengthBits) - 1 <= kLzxAlignedTableBits, "aligned codes are one lookup");

struct Repeated {
  uint32_t r0, r1, r2;
};

// All ones when `condition` holds, else 0.
inline uint32_t MaskIf(bool condition) { return 0u - static_cast<uint32_t>(condition); }

// The match distance of a position slot, updating the repeated offsets. *ok turns false for an
// aligned code the tree does not hold.
inline uint32_t SlotDistance(const uint32_t* alignedEntries, LzxBitReader& bits, uint32_t slot,
                             bool aligned, Repeated* r, bool* ok) {
  if (slot < kLzxRepeatedOffsets) {
    // Written as selects rather than branches: which repeat a match uses is hard to predict.
    const uint32_t distance = slot == 0 ? r->r0 : slot == 1 ? r->r1 : r->r2;
    r->r1 = slot == 1 ? r->r0 : r->r1;
    r->r2 = slot == 2 ? r->r0 : r->r2;
    r->r0 = distance;
    return distance;
  }
  const uint32_t extra = LzxExtraBits(slot);
  uint32_t distance = LzxPositionBase(slot);
  if (aligned && extra >= kLzxAlignedOffsetBits) {
    const uint32_t high = extra - kLzxAlignedOffsetBits;
    distance += bits.Peek(high) << kLzxAlignedOffsetBits;
    bits.ConsumeShort(high);
    // An aligned code is one entry of the table (a leaf, or 0 where no code lies).
    const uint32_t entry = alignedEntries[bits.PeekTop<kLzxAlignedTableBits>()];
    *ok = entry != kLzxNoCode;
    bits.ConsumeShort(entry >> kLzxEntryLengthShift);
    distance += entry & kLzxEntrySymbolMask;
  } else {
    distance += bits.Peek(extra);
    bits.ConsumeShort(extra);
  }
  r->r2 = r->r1;
  r->r1 = r->r0;
  r->r0 = distance;
  return distance;
}

}  // namespace

bool LzxDecodeCompressed(LzxState* state, LzxFrameInput* input, uint32_t count) {
  LzxBitReader bits = input->bits;
  uint8_t* const window = state->window;
  const uint32_t mask = state->windowMask;
  const uint32_t size = state->windowSize;
  const bool aligned = state->blockType == kLzxBlockAligned;
  const LzxDecodeTable mainTable = state->mainTable;
  const LzxDecodeTable lengthTable = state->lengthTable;
  const uint32_t* const mainEntries = mainTable.entries;
  const uint32_t* const lengthEntries = lengthTable.entries;
  const uint32_t* const alignedEntries = state->alignedTable.entries;
  Repeated r{state->repeated[0], state->repeated[1], state->repeated[2]};
  uint32_t position = state->windowPosition;
  // Bytes a match may reach back: those before this call, plus count - left of this call.
  const uint64_t historyBefore = state->decodedSinceReset;
  uint32_t left = count;
  bool ok = true;
  // Bits read past the data load as zeros and only ever fail the call: Overrun() is final once
  // true, so it is tested once at the end rather than per symbol (the loop ends by `left`).
  bits.Refill();
  while (left > 0) {
    uint32_t symbol = 0;
    if (!LzxDecodeSymbolAndRefill<kLzxMainTableBits>(mainEntries, mainTable, bits, &symbol)) return false;
    // A run of literals.
    while (symbol < kLzxLiteralCount) {
      window[position] = static_cast<uint8_t>(symbol);
      position = (position + 1) & mask;
      if (--left == 0) goto done;
      if (!LzxDecodeSymbolAndRefill<kLzxMainTableBits>(mainEntries, mainTable, bits, &symbol)) return false;
    }
    symbol -= kLzxLiteralCount;
    // The length code is looked up for every match and used only after the escape header, a
    // choice the processor predicts poorly; only a code longer than the lookup takes a branch.
    const uint32_t header = symbol & (kLzxLengthHeaders - 1);
    const uint32_t escape = MaskIf(header == kLzxLengthHeaderEscape);
    const uint32_t found = lengthEntries[bits.PeekTop<kLzxLengthTableBits>()];
    bits.Refill();
    uint32_t lengthEntry = found & escape;
    // One test for "escape and no leaf" (a leaf's length field is 1..16).
    if (((found - (1u << kLzxEntryLengthShift)) & escape) >= kLzxEntryNodeFlag - (1u << kLzxEntryLengthShift)) {
      uint32_t more = 0;
      if (!LzxDecodeLongCode(lengthTable, bits, lengthEntry, &more)) return false;
      lengthEntry = more;  // consumed already
    }
    bits.ConsumeShort(lengthEntry >> kLzxEntryLengthShift);
    const uint32_t length = header + (lengthEntry & kLzxEntrySymbolMask) + kLzxMinMatch;
    const uint32_t distance = SlotDistance(alignedEntries, bits, symbol / kLzxLengthHeaders, aligned, &r, &ok);
    // A distance of 1 up to the history and the window size, a length within what is left: one
    // branch for all (distance 0 wraps to the largest value and fails the reach test).
    const uint64_t history = historyBefore + (count - left);
    const uint64_t reach = history < size ? history : size;
    if (!ok | (static_cast<uint64_t>(distance - 1u) >= reach) | (length > left)) return false;
    CopyMatch(window, mask, size, position, distance, length);
    position = (position + length) & mask;
    left -= length;
  }
done:
  input->bits = bits;
  state->repeated[0] = r.r0;
  state->repeated[1] = r.r1;
  state->repeated[2] = r.r2;
  state->windowPosition = position;
  state->decodedSinceReset = historyBefore + count;
  return !bits.Overrun();
}

bool LzxCopyUncompressed(LzxState* state, LzxFrameInput* input, uint32_t count) {
  if (input->rawPosition > input->size || input->size - input->rawPosition < count) return false;
  const uint8_t* from = input->data + input->rawPosition;
  uint32_t left = count;
  while (left > 0) {
    const uint32_t room = state->windowSize - state->windowPosition;
    const uint32_t n = left < room ? left : room;
    std::memcpy(state->window + state->windowPosition, from, n);
    state->windowPosition = (state->windowPosition + n) & state->windowMask;
    from += n;
    left -= n;
  }
  input->rawPosition += count;
  state->decodedSinceReset += count;
  return true;
}

}  // namespace vorlax
