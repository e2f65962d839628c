// Turns a stretch of the folder's data into LZX items: literals and matches, with the three
// repeated offsets tracked exactly as the decoder tracks them.
#pragma once

#include <cstdint>
#include <vector>

#include "packer/lzx_match_finder.h"

namespace vorlax {

// One coded element. A literal has length 0. A match carries its position slot and, for slots
// 3 and up, the distance less the slot's position base (the slot's extra bits).
struct LzxItem {
  uint32_t length;     // 0 for a literal, else 2..257
  uint32_t value;      // the literal byte, or the extra-bits value of the match's slot
  uint32_t slot;       // matches only
};

// Main-tree symbol of a match item.
uint32_t LzxMatchSymbol(const LzxItem& item);

// Position slot of a distance (1 and up); slots 0..2 are never returned.
uint32_t LzxSlotOfDistance(uint32_t distance);

// Parses [begin, end) (all already appended to the finder) greedily, or with a one-byte lazy
// check, appending items and updating repeated[0..2]. Every match lies within [begin, end) and
// within the history since the folder's start.
void LzxParse(LzxMatchFinder* finder, uint64_t folderStart, uint64_t begin, uint64_t end, bool lazy,
              uint32_t repeated[3], std::vector<LzxItem>* items);

}  // namespace vorlax
