// Placeholder bitmaps drawn in code for `vorlax init`.
#include "packer/tool/starter_bitmap.h"

#include "base/little_endian.h"

namespace vorlax {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint16_t kBitsPerPixel = 24;

void Le16(std::string* out, uint16_t value) {
  uint8_t bytes[2];
  WriteLe16(bytes, value);
  out->append(reinterpret_cast<const char*>(bytes), 2);
}

void Le32(std::string* out, uint32_t value) {
  uint8_t bytes[4];
  WriteLe32(bytes, value);
  out->append(reinterpret_cast<const char*>(bytes), 4);
}

uint8_t Channel(uint32_t colour, int shift) { return static_cast<uint8_t>((colour >> shift) & 0xFF); }

uint8_t Mix(uint32_t from, uint32_t to, int shift, int step, int steps) {
  int a = Channel(from, shift);
  int b = Channel(to, shift);
  return static_cast<uint8_t>(a + (b - a) * step / (steps > 0 ? steps : 1));
}

}  // namespace

std::string StarterBitmap(int width, int height, uint32_t from, uint32_t to, uint32_t border) {
  uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(height);
  std::string out = "BM";
  Le32(&out, kFileHeaderBytes + kInfoHeaderBytes + pixelBytes);
  Le32(&out, 0);
  Le32(&out, kFileHeaderBytes + kInfoHeaderBytes);
  Le32(&out, kInfoHeaderBytes);
  Le32(&out, static_cast<uint32_t>(width));
  Le32(&out, static_cast<uint32_t>(height));
  Le16(&out, 1);
  Le16(&out, kBitsPerPixel);
  for (int i = 0; i < 6; ++i) Le32(&out, 0);  // no compression, sizes and palette left to readers
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      int step = x + y;
      int steps = width + height - 2;
      for (int shift : {0, 8, 16}) row.push_back(static_cast<char>(edge ? Channel(border, shift) : Mix(from, to, shift, step, steps)));
    }
    row.resize(rowBytes, '\0');
    out += row;
  }
  return out;
}

}  // namespace vorlax
