// Decoding Huffman-coded deflate data: a fast loop while enough input and output room is left,
// then a careful loop for the last bytes of either.
//
// The fast loop refills the 64-bit bit buffer eight bytes at a time without bounds checks, so it
// runs only while kFastInputMargin bytes of input are left (two refills per round); it writes a
// whole match without checking the output, so it runs only while kFastOutputMargin bytes are still
// wanted. The careful loop reads byte by byte with zero bytes past the end and stops exactly at the
// wanted length, even inside a match. Both decode the same symbols from the same tables.
#include "cabinet/mszip_huffman_data.h"

#include "cabinet/mszip_match_copy.h"

namespace vorlax {
namespace {

constexpr unsigned kFastInputMargin = 2 * kMszipRefillBytes;
constexpr size_t kFastOutputMargin = kMszipMaxMatch + 2;  // one literal and a longest match
constexpr unsigned kLitLenMask = (1u << kMszipLitLenRootBits) - 1;
constexpr unsigned kDistanceMask = (1u << kMszipDistanceRootBits) - 1;
constexpr unsigned kMaxLitLenBits = kMszipMaxCodeLength + 5;    // code and length extra bits
constexpr unsigned kMaxDistanceBits = kMszipMaxCodeLength + 13;  // code and distance extra bits

// The entry for the next code, with a link to a sub-table already followed (its root bits
// dropped). Needs the code's bits to be valid.
inline uint32_t Lookup(const uint32_t* table, unsigned rootMask, MszipBitReader* in) {
  uint32_t e = table[in->bits & rootMask];
  if (e & kMszipEntryLink) {
    DropBits(in, MszipEntryDropBits(e));
    unsigned subMask = (1u << MszipEntryCodeBits(e)) - 1;
    e = table[MszipEntryValue(e) + (in->bits & subMask)];
  }
  return e;
}

// Drops a length or distance entry's bits and answers its base plus extra bits.
inline unsigned TakeValue(uint32_t e, MszipBitReader* in) {
  unsigned total = MszipEntryDropBits(e);
  uint64_t saved = in->bits;
  DropBits(in, total);
  uint32_t extra = static_cast<uint32_t>(saved & ((uint64_t{1} << total) - 1)) >> MszipEntryCodeBits(e);
  return MszipEntryValue(e) + extra;
}

inline bool FastRoom(const MszipBitReader* in, const MszipOutput* out) {
  return static_cast<size_t>(in->end - in->next) >= kFastInputMargin &&
         static_cast<size_t>(out->end - out->next) >= kFastOutputMargin;
}

// Runs while FastRoom holds. Answers kMszipDataOutputFull when the room ran out (the careful loop
// goes on from there).
MszipDataEnd DecodeFast(const MszipHuffmanTables& t, MszipBitReader* in, MszipOutput* out) {
  while (FastRoom(in, out)) {
    RefillFast(in);
    uint32_t e = Lookup(t.litLen, kLitLenMask, in);
    if (e & kMszipEntryLiteral) {
      DropBits(in, MszipEntryDropBits(e));
      *out->next++ = static_cast<uint8_t>(MszipEntryValue(e));
      e = Lookup(t.litLen, kLitLenMask, in);
      if (e & kMszipEntryLiteral) {
        DropBits(in, MszipEntryDropBits(e));
        *out->next++ = static_cast<uint8_t>(MszipEntryValue(e));
        continue;
      }
    }
    if (e & kMszipEntrySpecial) {
      if (e & kMszipEntryEndOfBlock) {
        DropBits(in, MszipEntryDropBits(e));
        return kMszipDataEndOfBlock;
      }
      return kMszipDataError;
    }
    unsigned length = TakeValue(e, in);
    if (in->count < kMaxDistanceBits) RefillFast(in);
    e = Lookup(t.distance, kDistanceMask, in);
    if (e & kMszipEntrySpecial) return kMszipDataError;
    if (!CopyMatch(out, TakeValue(e, in), length)) return kMszipDataError;
  }
  return kMszipDataOutputFull;
}

MszipDataEnd DecodeCareful(const MszipHuffmanTables& t, MszipBitReader* in, MszipOutput* out) {
  while (out->next < out->end) {
    NeedBits(in, kMaxLitLenBits);
    uint32_t e = Lookup(t.litLen, kLitLenMask, in);
    if (e & kMszipEntryLiteral) {
      DropBits(in, MszipEntryDropBits(e));
      *out->next++ = static_cast<uint8_t>(MszipEntryValue(e));
      continue;
    }
    if (e & kMszipEntrySpecial) {
      if (e & kMszipEntryEndOfBlock) {
        DropBits(in, MszipEntryDropBits(e));
        return kMszipDataEndOfBlock;
      }
      return kMszipDataError;
    }
    unsigned length = TakeValue(e, in);
    NeedBits(in, kMaxDistanceBits);
    e = Lookup(t.distance, kDistanceMask, in);
    if (e & kMszipEntrySpecial) return kMszipDataError;
    unsigned distance = TakeValue(e, in);
    size_t room = static_cast<size_t>(out->end - out->next);
    if (length > room) length = static_cast<unsigned>(room);
    if (!CopyMatch(out, distance, length)) return kMszipDataError;
  }
  return kMszipDataOutputFull;
}

}  // namespace

MszipDataEnd DecodeHuffmanData(const MszipHuffmanTables& tables, MszipBitReader* in, MszipOutput* out) {
  MszipDataEnd end = DecodeFast(tables, in, out);
  if (end != kMszipDataOutputFull) return end;
  return DecodeCareful(tables, in, out);
}

}  // namespace vorlax
