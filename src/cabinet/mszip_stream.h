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

// Bytes of the workspace's output area beyond the window: the fast loop's last round may run past
// the wanted end by two literals or a longest match, whose wide copy stores up to 15 bytes more.
constexpr unsigned kMszipWorkspaceSlack = 2 + kMszipMaxMatch + 32;

// Where the decoded bytes go.
//   start    the output's first byte: the caller's buffer, which holds the previous block's
//            output when the call starts, or the workspace's output area (see inWorkspace)
//   next     write position; start <= next <= end
//   end      start + the bytes wanted in this call
//   window   the history window's length: a back-reference may reach at most this far back
//   workspace  window bytes of history followed by window + kMszipWorkspaceSlack bytes of output
//   inWorkspace  false while the call writes straight into the caller's buffer (stored blocks
//            need no history); from the first Huffman-coded deflate block on, true: the output so
//            far and the previous block's output still ahead of the write position are copied
//            into the workspace, the previous block's bytes directly before the output area, so a
//            back-reference into the previous block is an ordinary copy from `next - distance`
//            (a reference before the caller buffer's start continues `window` bytes later and
//            wraps from its last byte to its start: exactly the contiguous layout). Bytes from
//            `next` to `end` are then free until written, and the fast loop may store past a
//            match's end, and past `end` into the slack. The caller copies the output back when
//            the call ends.
struct MszipOutput {
  uint8_t* start;
  uint8_t* next;
  uint8_t* end;
  uint32_t window;
  uint8_t* workspace;
  bool inWorkspace;
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
