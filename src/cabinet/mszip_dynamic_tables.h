// Reading the code description at the start of a dynamic deflate block and building its tables.
#pragma once

#include "cabinet/mszip_stream.h"

namespace vorlax {

// Reads HLIT, HDIST, HCLEN, the code-length code and the literal/length and distance code lengths,
// and builds state->dynamic. False when HLIT + 257 exceeds 286 or HDIST + 1 exceeds 30, when the
// classic construction does not find any of the three codes complete (over-subscribed,
// incomplete, or beyond its pool), on an invalid code-length code, or when a repeat runs past the
// HLIT + HDIST lengths.
bool ReadDynamicTables(MszipStreamState* state, MszipBitReader* in);

}  // namespace vorlax
