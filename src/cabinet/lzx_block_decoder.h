// Decodes the data of the current LZX block into the window: literals and matches of verbatim
// and aligned-offset blocks, or the raw bytes of uncompressed blocks.
#pragma once

#include <cstdint>

#include "cabinet/lzx_decoder_state.h"

namespace vorlax {

// Needs: the block's header was read; count <= state->blockLeft. Promises on success: exactly
// count bytes were appended to the window (wrapping at its end) and the input has moved past
// their codes. False on any data error (a code no tree holds, a match that reaches before the
// history or crosses the end of `count`, input exhausted).
bool LzxDecodeCompressed(LzxState* state, LzxFrameInput* input, uint32_t count);
bool LzxCopyUncompressed(LzxState* state, LzxFrameInput* input, uint32_t count);

}  // namespace vorlax
