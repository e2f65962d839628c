// Decoding Huffman-coded deflate data: a fast loop while enough input and output room is left,
// then a careful loop for the last bytes of either.
//
// The fast loop refills the 64-bit bit buffer eight bytes at a time without bounds checks, so it
// runs only while kFastInputMargin bytes of input are left; it writes whole matches without
// checking the output, in wide pieces that may store a few bytes past the match (see
// mszip_match_copy.h). It starts a round while any byte is still wanted, so its last round may
// run past the wanted end, by at most two literals or a longest match and the copy's overrun:
// that lands in the workspace's slack (MszipOutput), the write position is then put back to the
// wanted end, and the caller never receives those bytes. Only symbols that start before the
// wanted end are decoded, as in the careful loop, so a bad code after it is not reported either.
// It looks at both margins before every round. The careful loop reads byte by byte with zero
// bytes past the end of the input and stops exactly at the wanted length, even inside a match; it
// decodes the last symbols of the input. Both decode the same symbols from the same tables.
#include "cabinet/mszip_huffman_data.h"

#include "cabinet/mszip_match_copy.h"

namespace vorlax {
namespace {

constexpr unsigned kFastInputMargin = 2 * kMszipRefillBytes;
// A round starts while this many bytes are still wanted.
constexpr size_t kFastOutputMargin = 1;
static_assert(kMszipWorkspaceSlack >= 2 + kMszipMaxMatch + kMszipCopyOverrun,
              "the last round of the fast loop may store past the wanted end into the slack");
constexpr unsigned kLitLenMask = (1u << kMszipLitLenRootBits) - 1;
static_assert(3 * kMszipLitLenRootBits + kMszipLitLenRootBits <= 64 &&
                  kMszipMaxCodeLength + 5 + kMszipMaxCodeLength + 13 + kMszipLitLenRootBits <= 64,
              "one round of the fast loop must fit the 64 bits of one refill");
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

// The fast loop's copy of the bit reader and output pointer. Kept in locals because every byte
// stored through the output pointer could, as far as the compiler knows, change any structure in
// memory; locals stay in registers.
//
// `count` is kept the cheap way: only its low byte is the number of valid bits (at most 63); an
// entry is subtracted whole, as its low byte is the number of bits it uses, and the higher bits of
// `count` are left to hold whatever that leaves there.
struct FastState {
  uint64_t bits;
  uint32_t count;
  const uint8_t* next;
  const uint8_t* inputLimit;  // the loop needs kFastInputMargin bytes before this
  uint8_t* out;
  uint8_t* outputLimit;       // and kFastOutputMargin bytes of room before this

  unsigned Count() const { return count & 0xFF; }
  // Whether the margins allow another round: each round takes at most kMszipRefillBytes - 1
  // bytes of input and writes at most kMszipMaxMatch bytes.
  bool MayRun() const { return next < inputLimit && out < outputLimit; }
  void Refill() {
    bits |= ReadLe64(next) << (count & 63);
    next += 7 - ((count >> 3) & 7);
    count |= kMszipRefillBits;
  }
  // Drops the bits an entry uses (its low byte).
  void DropEntry(uint32_t e) {
    bits >>= static_cast<uint8_t>(e);
    count -= e;
  }
  uint32_t Lookup(const uint32_t* table, unsigned rootMask) {
    uint32_t e = table[bits & rootMask];
    if (e & kMszipEntryLink) {
      DropEntry(e);
      e = table[MszipEntryValue(e) + (bits & ((1u << MszipEntryCodeBits(e)) - 1))];
    }
    return e;
  }
  unsigned Take(uint32_t e) {
    uint32_t extra = static_cast<uint32_t>(bits & ((uint64_t{1} << static_cast<uint8_t>(e)) - 1)) >>
                     MszipEntryCodeBits(e);
    DropEntry(e);
    return MszipEntryValue(e) + extra;
  }
};

// The fast loop proper. Works on a local copy of the state so that it stays in registers.
//
// Bit budget: a refill leaves at least 56 valid bits, and all 64 bits of the buffer are real input
// (the margin guarantees 8 bytes at `next`), so one round may look at up to 64 bits. The next
// symbol's first-level entry is looked up as early as possible (`e`) to hide the table load:
//   three first-level literals (3 x 10 bits) + one lookup (10)                       = 40 bits
//   a length (15 + 5) + a distance (15 + 13) + one lookup (10)                       = 58 bits
// A link in `e` is followed only after the next refill.
//
// kWholeWindow: the window is at least kMszipMaxDistance long, so no distance can reach before it
// and the loop does not test them (one register and one test less per match).
template <bool kWholeWindow>
MszipDataEnd RunFast(const MszipHuffmanTables& t, FastState* state, MszipOutput* out) {
  // The distance table is read as t.distance, at a fixed offset from the literal/length table, so
  // that it needs no register of its own (one less value spilled to the stack in the loop).
  const uint32_t* litLen = t.litLen;
  const unsigned window = out->window;
  FastState s = *state;
  MszipDataEnd end = kMszipDataOutputFull;
  if (s.next < s.inputLimit) s.Refill();
  uint32_t e = litLen[s.bits & kLitLenMask];
  while (s.MayRun()) {
    s.Refill();
    if (e & kMszipEntryLiteral) {
      s.DropEntry(e);
      uint8_t literal = static_cast<uint8_t>(MszipEntryValue(e));
      e = litLen[s.bits & kLitLenMask];
      *s.out++ = literal;
      if (e & kMszipEntryLiteral) {
        s.DropEntry(e);
        literal = static_cast<uint8_t>(MszipEntryValue(e));
        e = litLen[s.bits & kLitLenMask];
        *s.out++ = literal;
        if (e & kMszipEntryLiteral) {
          s.DropEntry(e);
          literal = static_cast<uint8_t>(MszipEntryValue(e));
          e = litLen[s.bits & kLitLenMask];
          *s.out++ = literal;
        }
      }
      continue;
    }
    if (e & kMszipEntrySpecial) {  // rare: a longer code, the end of the block, or an invalid code
      if (e & kMszipEntryLink) {
        s.DropEntry(e);
        e = litLen[MszipEntryValue(e) + (s.bits & ((1u << MszipEntryCodeBits(e)) - 1))];
        if (e & kMszipEntryLiteral) {
          s.DropEntry(e);
          *s.out++ = static_cast<uint8_t>(MszipEntryValue(e));
          e = litLen[s.bits & kLitLenMask];
          continue;
        }
      }
      if (e & kMszipEntryEndOfBlock) {
        s.DropEntry(e);
        end = kMszipDataEndOfBlock;
        break;
      }
      if (e & kMszipEntryInvalid) {
        end = kMszipDataError;
        break;
      }
    }
    unsigned length;
    if (e & kMszipEntryDirectLength) {
      length = MszipDirectLength(e);
      s.DropEntry(e);
    } else {
      length = s.Take(e);
    }
    uint32_t d = t.distance[s.bits & kDistanceMask];
    if (d & kMszipEntrySpecial) {  // rare: a longer code or an invalid one
      if (d & kMszipEntryLink) {
        s.DropEntry(d);
        d = t.distance[MszipEntryValue(d) + (s.bits & ((1u << MszipEntryCodeBits(d)) - 1))];
      }
      if (d & kMszipEntrySpecial) {
        end = kMszipDataError;
        break;
      }
    }
    unsigned dist = s.Take(d);
    e = litLen[s.bits & kLitLenMask];
    if (!kWholeWindow && dist > window) {
      end = kMszipDataError;
      break;
    }
    CopyWithinOutputWide(s.out, dist, length);
    s.out += length;
  }
  *state = s;
  return end;
}

// Runs while the margins allow. Answers kMszipDataOutputFull when they ran out (the careful loop
// goes on from there).
MszipDataEnd DecodeFast(const MszipHuffmanTables& t, MszipBitReader* in, MszipOutput* out) {
  if (static_cast<size_t>(in->end - in->next) < kFastInputMargin ||
      static_cast<size_t>(out->end - out->next) < kFastOutputMargin) {
    return kMszipDataOutputFull;
  }
  FastState s{in->bits, in->count, in->next, in->end - kFastInputMargin + 1, out->next,
              out->end - kFastOutputMargin + 1};
  MszipDataEnd end =
      out->window >= kMszipMaxDistance ? RunFast<true>(t, &s, out) : RunFast<false>(t, &s, out);
  in->bits = s.bits;
  in->count = s.Count();
  in->next = s.next;
  out->next = s.out < out->end ? s.out : out->end;  // bytes past the wanted end are dropped
  return end;
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
    unsigned length;
    if (e & kMszipEntryDirectLength) {
      length = MszipDirectLength(e);
      DropBits(in, MszipEntryDropBits(e));
    } else {
      length = TakeValue(e, in);
    }
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
