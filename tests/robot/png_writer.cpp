// PNG encoding (see png_writer.h): signature, IHDR, one IDAT holding a zlib stream of stored
// blocks, IEND; each chunk with its CRC-32, the zlib stream with its Adler-32.
#include "png_writer.h"

#include <cstdint>

namespace robot {

namespace {

constexpr size_t kStoredBlockMax = 65535;

uint32_t Crc32(const std::string& bytes, size_t from) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = from; i < bytes.size(); ++i) {
    crc ^= static_cast<uint8_t>(bytes[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

uint32_t Adler32(const std::string& bytes) {
  uint32_t a = 1, b = 0;
  for (char c : bytes) {
    a = (a + static_cast<uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBe32(std::string* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string* out, const char* type, const std::string& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  size_t start = out->size();
  out->append(type, 4);
  out->append(data);
  PutBe32(out, Crc32(*out, start));
}

std::string StoredZlib(const std::string& raw) {
  std::string out("\x78\x01", 2);
  size_t pos = 0;
  do {
    size_t length = raw.size() - pos < kStoredBlockMax ? raw.size() - pos : kStoredBlockMax;
    bool last = pos + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(raw, pos, length);
    pos += length;
  } while (pos < raw.size());
  PutBe32(&out, Adler32(raw));
  return out;
}

}  // namespace

std::string EncodePng(const Picture& picture) {
  std::string raw;
  raw.reserve(static_cast<size_t>(picture.height) * (1 + 3 * picture.width));
  for (int y = 0; y < picture.height; ++y) {
    raw.push_back(0);  // filter type: none
    for (int x = 0; x < picture.width; ++x) {
      uint32_t pixel = picture.At(x, y);
      raw.push_back(static_cast<char>(pixel >> 16));
      raw.push_back(static_cast<char>(pixel >> 8));
      raw.push_back(static_cast<char>(pixel));
    }
  }
  std::string header;
  PutBe32(&header, static_cast<uint32_t>(picture.width));
  PutBe32(&header, static_cast<uint32_t>(picture.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", StoredZlib(raw));
  PutChunk(&png, "IEND", std::string());
  return png;
}

}  // namespace robot
