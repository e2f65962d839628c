// The state of one LZX decoder between frames, and the per-frame input cursor. Shared by the
// frame driver (lzx_decoder.cpp), the block header reader (lzx_block_header.cpp) and the block
// decoders (lzx_block_decoder.cpp).
//
// Trap: the tree lengths are also the base of the next block's delta coding, so they are kept
// from block to block and cleared only by a reset; an uncompressed block leaves them as they were.
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"
#include "cabinet/lzx_bit_reader.h"
#include "cabinet/lzx_decode_table.h"
#include "cabinet/lzx_format.h"

namespace vorlax {

// First-level lookup widths: wide enough that nearly every code is one table access.
constexpr uint32_t kLzxMainTableBits = 12;
constexpr uint32_t kLzxLengthTableBits = 10;
constexpr uint32_t kLzxAlignedTableBits = 7;
constexpr uint32_t kLzxPretreeTableBits = 8;

struct LzxState {
  // Window.
  uint8_t* window;
  uint32_t windowSize;
  uint32_t windowMask;
  uint32_t windowPosition;
  uint64_t decodedSinceReset;  // bytes of history a match may reach back into (capped by use)
  uint32_t positionSlots;
  uint32_t mainSymbols;

  uint32_t repeated[kLzxRepeatedOffsets];

  // Tree lengths (also the delta base of the next block's trees).
  uint8_t mainLengths[kLzxMainSymbolsMax];
  uint8_t lengthLengths[kLzxLengthSymbols];
  uint8_t alignedLengths[kLzxAlignedSymbols];

  LzxTableStorage<kLzxMainSymbolsMax, kLzxMainTableBits> mainStorage;
  LzxTableStorage<kLzxLengthSymbols, kLzxLengthTableBits> lengthStorage;
  LzxTableStorage<kLzxAlignedSymbols, kLzxAlignedTableBits> alignedStorage;
  LzxTableStorage<kLzxPretreeSymbols, kLzxPretreeTableBits> pretreeStorage;
  LzxDecodeTable mainTable;
  LzxDecodeTable lengthTable;
  LzxDecodeTable alignedTable;
  LzxDecodeTable pretreeTable;

  // Block in progress.
  bool headerNeeded;
  LzxBlockType blockType;
  uint32_t blockSize;
  uint32_t blockLeft;

  // Stream.
  bool streamHeaderNeeded;
  uint32_t translationSize;  // 0: no call translation
  uint32_t framesDecoded;
  uint32_t translationPosition;
  bool failed;  // a frame failed; every frame is refused until the next reset
};

// Where the current frame's input stands: either bits through the reader, or raw bytes of an
// uncompressed block at rawPosition.
struct LzxFrameInput {
  const uint8_t* data;
  uint32_t size;
  LzxBitReader bits;
  bool raw;
  uint32_t rawPosition;
  bool padPending;  // an odd-sized uncompressed block ended in this frame: one padding byte follows
  uint8_t swapped[LzxBitReader::kSwapBytes];  // the bit reader's swapped words
};

}  // namespace vorlax
