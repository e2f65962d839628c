// Writes seeds for lzx_fuzz into the folder given as the argument: folders made by our LZX
// encoder (text, random and record data; call translation on and off; each block kind forced),
// in the target's input layout.
#include <cstdio>
#include <string>

#include "base/little_endian.h"
#include "fuzz/lzx_fuzz_input.h"
#include "cabinet/lzx_test_data.h"

using namespace vorlax;
using namespace vorlax::lzx_test;

namespace {

bool WriteSeed(const std::string& path, uint32_t windowBits, const Frames& frames) {
  std::string seed(1, static_cast<char>(windowBits - kLzxMinWindowBits));
  for (std::size_t i = 0; i < frames.compressed.size(); ++i) {
    uint8_t header[lzx_fuzz::kFrameHeaderSize];
    WriteLe16(header, static_cast<uint16_t>(frames.sizes[i]));
    WriteLe16(header + 2, static_cast<uint16_t>(frames.compressed[i].size()));
    seed.append(reinterpret_cast<const char*>(header), sizeof header);
    seed += frames.compressed[i];
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(seed.data(), 1, seed.size(), f) == seed.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_lzx_seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const struct {
    const char* name;
    std::string data;
    LzxBlockType type;
    uint32_t blockSize;
    bool calls;
  } seeds[] = {
      {"text", Text(9000, 1), kLzxBlockNone, 0, false},
      {"calls", CallsAndText(9000, 2), kLzxBlockNone, 0, true},
      {"random", RandomBytes(3001, 3), kLzxBlockNone, 0, false},
      {"records", Records(9000, 4), kLzxBlockNone, 0, false},
      {"aligned_small_blocks", Records(6000, 5), kLzxBlockAligned, 1001, false},
      {"verbatim_small_blocks", Text(6000, 6), kLzxBlockVerbatim, 777, true},
      {"uncompressed_odd", Text(3000, 7), kLzxBlockUncompressed, 333, false},
  };
  bool ok = true;
  for (const auto& s : seeds) {
    LzxEncoderOptions options;
    options.windowBits = 15;
    options.forcedBlockType = s.type;
    options.blockSize = s.blockSize;
    options.callTranslation = s.calls;
    // Frames of 4,096 bytes keep seeds small and still give several frames each.
    ok = WriteSeed(folder + "/" + s.name, options.windowBits, Encode(s.data, options, 4096)) && ok;
  }
  return ok ? 0 : 1;
}
