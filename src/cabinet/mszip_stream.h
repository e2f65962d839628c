// One MSZIP block's deflate stream: the deflate blocks it holds, decoded into the caller's output
// buffer, which doubles as the 32 KiB history window (see mszip_decoder.h).
//
// Unlike a general inflater this never resumes: each call decodes from a fresh bit reader, and the
// call ends once the wanted bytes are produced, even inside a stored block or a match. What was
// left of that deflate block is dropped, as the next MSZIP block starts a new stream.
#pragma once

#include <cstdint>

#include "cabinet/mszip_bit_reader.h"
#include "cabinet/mszip_fast_table.h"
#include "cabinet/mszip_tables.h"

namespace vorlax {

// Bytes readable after a copy of the history window, so that wide copies out of it may read past
// a match's end.
constexpr unsigned kMszipHistorySlack = 32;

// Where the decoded bytes go.
//   start    the buffer's first byte, the oldest byte of the history window
//   next     write position; start <= next <= end
//   end      start + the bytes wanted in this call
//   window   the buffer's length: a back-reference that reaches before `start` continues at
//            start + window - 1 and wraps from there to `start`
//   history  null until the first Huffman-coded deflate block of the call; from then on a copy
//            of the buffer's bytes as they were before this call, from the write position of that
//            moment to the window's end (followed by kMszipHistorySlack readable bytes): a
//            back-reference before `start` reads the previous block's output there. So the bytes
//            from `next` to `end` are free until written, and the fast loop may store a little
//            past a match's end. (Bytes before that write position are never read from the
//            history: a source before `start` lies at or after the write position.) Stored blocks
//            read no history, so a call of stored blocks only copies nothing.
//   historyStorage  where that copy goes: window + kMszipHistorySlack bytes
struct MszipOutput {
  uint8_t* start;
  uint8_t* next;
  uint8_t* end;
  uint32_t window;
  const uint8_t* history;
  uint8_t* historyStorage;
};

struct MszipHuffmanTables {
  uint32_t litLen[kMszipLitLenTableSize];
  uint32_t distance[kMszipDistanceTableSize];
};

// The decoder's own working memory: the tables of the current dynamic block and the code lengths
// they are built from. Nothing here carries from one call to the next.
struct MszipStreamState {
  MszipHuffmanTables dynamic;
  uint32_t codeLengthTable[kMszipCodeLengthTableSize];
  uint8_t lengths[kMszipMaxLitLenCodes + kMszipMaxDistanceCodes];
};

// The fixed-code tables, built on first use and shared by every decoder of the process.
const MszipHuffmanTables& MszipFixedTables();

// Decodes deflate blocks until the final one ends or the wanted bytes are produced. False on any
// data error: stored length check, reserved block type, bad code, invalid symbol or distance.
bool DecodeMszipStream(MszipStreamState* state, MszipBitReader* in, MszipOutput* out);

}  // namespace vorlax
