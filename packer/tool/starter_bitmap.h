// The two placeholder bitmaps `vorlax init` writes: 24-bit Windows bitmaps drawn in code (a
// diagonal colour gradient with a border), so no binary file lives in the source tree.
#pragma once

#include <cstdint>
#include <string>

namespace vorlax {

// A bottom-up 24-bit BMP of width x height pixels; the gradient runs from `from` to `to`
// (0xRRGGBB), the one-pixel border is `border`.
std::string StarterBitmap(int width, int height, uint32_t from, uint32_t to, uint32_t border);

}  // namespace vorlax
