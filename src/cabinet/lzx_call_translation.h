// Call translation of LZX frames: x86 CALL instructions (the byte 0xE8 followed by a 32-bit
// relative target) are stored with absolute targets, which compress better; the decoder turns
// them back into relative ones. Both directions live here so that the encoder in packer/ and
// the decoder scan exactly the same positions.
//
// Rules shared by both directions, for a frame of n bytes whose first byte is at position p of
// the folder's output and a translation size t:
//   - frames of 10 bytes or fewer are left alone (no 0xE8 can start a translated call in them);
//   - only a 0xE8 at frame offset i < n - 10 is translated; its 4 target bytes are then skipped;
//   - the translation position of a byte is its position in the folder's output.
// Trap: the scan is driven by the bytes as they are in the frame being scanned; a translated
// call never changes an 0xE8 byte itself, so both directions find the same calls.
#pragma once

#include <cstdint>

namespace vorlax {

// Turns absolute targets back into relative ones (the decoder's direction).
void LzxUntranslateCalls(uint8_t* frame, uint32_t size, uint32_t framePosition,
                         uint32_t translationSize);

// Turns relative targets into the absolute form the decoder expects (the encoder's direction):
// LzxUntranslateCalls undoes it exactly for every input.
void LzxTranslateCalls(uint8_t* frame, uint32_t size, uint32_t framePosition,
                       uint32_t translationSize);

}  // namespace vorlax
