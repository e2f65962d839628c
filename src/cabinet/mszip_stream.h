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

// Where the decoded bytes go.
//   start   the buffer's first byte, the oldest byte of the history window
//   next    write position; start <= next <= end
//   end     start + the bytes wanted in this call
//   window  the buffer's length: a back-reference that reaches before `start` continues at
//           start + window - 1 and wraps from there to `start`
struct MszipOutput {
  uint8_t* start;
  uint8_t* next;
  uint8_t* end;
  uint32_t window;
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
