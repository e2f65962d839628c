// Reads what comes before a block's data: the stream header on the first frame after a reset,
// the block type and size, and the block's trees (verbatim and aligned-offset blocks) or its
// repeated offsets (uncompressed blocks).
#pragma once

#include "cabinet/lzx_decoder_state.h"

namespace vorlax {

// Needs: state->headerNeeded. Promises on success: the block's type, size and trees (or
// repeated offsets) are in place, the input stands at the block's first symbol or byte, and
// state->headerNeeded is cleared. False on any malformed header; the frame then fails.
bool LzxReadBlockHeader(LzxState* state, LzxFrameInput* input);

}  // namespace vorlax
