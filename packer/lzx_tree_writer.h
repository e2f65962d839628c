// Writes a run of LZX tree lengths the way the decoder reads them: a pretree of 20 lengths
// (4 bits each), then pretree symbols for the new lengths as deltas against the previous ones,
// with runs of zeros (symbols 17 and 18) and runs of one repeated length (symbol 19).
//
// Trap: symbol 19 gives every element of its run the length computed from the first element's
// previous length. Decoders differ in whether they use each element's own previous length, so
// the writer uses it only where all the run's previous lengths are equal, where both agree.
#pragma once

#include <cstdint>

#include "packer/lzx_bit_writer.h"

namespace vorlax {

// Writes lengths[first, end) as deltas against previous[first, end).
void WriteLzxLengthRun(LzxBitWriter* writer, const uint8_t* previous, const uint8_t* lengths,
                       uint32_t first, uint32_t end);

}  // namespace vorlax
