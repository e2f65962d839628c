// Greedy parsing, with a one-step lazy check at the default level: a match is taken unless the
// next position offers a longer one. Repeated offsets are preferred when they come within one
// byte of the best match, as they cost no offset bits. In a long run of literals (incompressible
// bytes) only every few positions are searched, the others only inserted: searching random data
// costs the most and finds the least.
#include "packer/lzx_parser.h"

#include "cabinet/lzx_format.h"

namespace vorlax {

namespace {

// A 3-byte match this far back costs more than its three literals.
constexpr uint32_t kFarShortMatch = 1u << 14;
constexpr uint32_t kRepeatPreference = 1;
// After this many literals in a row, only positions that are multiples of kSparseStep are searched.
constexpr uint32_t kSparseAfterLiterals = 64;
constexpr uint64_t kSparseStep = 8;

struct Choice {
  uint32_t length = 0;
  uint32_t distance = 0;
  int repeat = -1;  // index into the repeated offsets, or -1 for a new distance
};

Choice BestAt(LzxMatchFinder* finder, uint64_t folderStart, uint64_t p, uint64_t end,
              const uint32_t repeated[3]) {
  Choice best;
  const LzxMatch found = finder->FindAndInsert(p, end);
  if (found.length >= 3 && !(found.length == 3 && found.distance > kFarShortMatch)) {
    best.length = found.length;
    best.distance = found.distance;
  }
  Choice repeat;
  for (int r = 0; r < 3; ++r) {
    if (repeated[r] > p - folderStart) continue;
    const uint32_t n = finder->MatchLength(p, repeated[r], end);
    if (n > repeat.length) {
      repeat.length = n;
      repeat.distance = repeated[r];
      repeat.repeat = r;
    }
  }
  if (repeat.length >= kLzxMinMatch && repeat.length + kRepeatPreference >= best.length) {
    return repeat;
  }
  return best;
}

void PushMatch(const Choice& c, uint32_t repeated[3], std::vector<LzxItem>* items) {
  int repeat = c.repeat;
  if (repeat < 0) {
    for (int r = 0; r < 3; ++r) {
      if (repeated[r] == c.distance) {
        repeat = r;
        break;
      }
    }
  }
  if (repeat >= 0) {
    repeated[repeat] = repeated[0];
    repeated[0] = c.distance;
    items->push_back(LzxItem{c.length, 0, static_cast<uint32_t>(repeat)});
    return;
  }
  const uint32_t slot = LzxSlotOfDistance(c.distance);
  repeated[2] = repeated[1];
  repeated[1] = repeated[0];
  repeated[0] = c.distance;
  items->push_back(LzxItem{c.length, c.distance - LzxPositionBase(slot), slot});
}

// Position slots from distances (see LzxSlotOfDistance).
constexpr uint32_t kFormattedOffsetBias = 2;
constexpr uint32_t kFirstPairedOffset = 4;
constexpr uint32_t kWideSlotBits = 17;
constexpr uint32_t kFirstWideOffset = 1u << (kWideSlotBits + 1);
constexpr uint32_t kFirstWideSlot = 2 * (kWideSlotBits + 1);

}  // namespace

uint32_t LzxMatchSymbol(const LzxItem& item) {
  const uint32_t header = item.length - kLzxMinMatch;
  const uint32_t lengthHeader = header < kLzxLengthHeaderEscape ? header : kLzxLengthHeaderEscape;
  return kLzxLiteralCount + item.slot * kLzxLengthHeaders + lengthHeader;
}

// The formatted offset (distance + 2) has two slots per power of two, told apart by the bit
// below its highest, up to 2^18; past that each slot spans 2^17 (the last slot takes the rest).
uint32_t LzxSlotOfDistance(uint32_t distance) {
  const uint32_t formatted = distance + kFormattedOffsetBias;
  if (formatted < kFirstPairedOffset) return formatted;
  if (formatted >= kFirstWideOffset) {
    const uint32_t slot = kFirstWideSlot + ((formatted - kFirstWideOffset) >> kWideSlotBits);
    return slot < kLzxMaxPositionSlots ? slot : kLzxMaxPositionSlots - 1;
  }
  const uint32_t top = 31 - static_cast<uint32_t>(__builtin_clz(formatted));
  return 2 * top + ((formatted >> (top - 1)) & 1);
}

void LzxParse(LzxMatchFinder* finder, uint64_t folderStart, uint64_t begin, uint64_t end, bool lazy,
              uint32_t repeated[3], std::vector<LzxItem>* items) {
  uint64_t p = begin;
  uint32_t literals = 0;
  auto literal = [&]() {
    items->push_back(LzxItem{0, *finder->At(p), 0});
    ++p;
    ++literals;
  };
  auto search = [&]() {
    if (literals >= kSparseAfterLiterals && p % kSparseStep != 0) {
      finder->Insert(p);
      return Choice();
    }
    return BestAt(finder, folderStart, p, end, repeated);
  };
  Choice pending = p < end ? search() : Choice();
  while (p < end) {
    Choice current = pending;
    if (current.length < kLzxMinMatch) {
      literal();
    } else if (lazy && p + 1 < end && current.length < kLzxMaxMatch) {
      ++p;
      pending = search();
      --p;
      if (pending.length > current.length + 1 ||
          (pending.length > current.length && pending.repeat >= 0 && current.repeat < 0)) {
        literal();
        continue;
      }
      PushMatch(current, repeated, items);
      for (uint64_t q = p + 2; q < p + current.length; ++q) finder->Insert(q);
      p += current.length;
      literals = 0;
    } else {
      PushMatch(current, repeated, items);
      for (uint64_t q = p + 1; q < p + current.length; ++q) finder->Insert(q);
      p += current.length;
      literals = 0;
    }
    if (p < end) pending = search();
  }
}

}  // namespace vorlax
