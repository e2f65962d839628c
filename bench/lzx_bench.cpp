// LZX decoding throughput: the installer's decoder against libmspack's cabinet decompressor on
// the same cabinets, made by the packer's LZX encoder. Prints MB/s of decoded output for both and
// their ratio, per data set, window and call translation (thread CPU time, best of several
// alternating runs).
//
// The cabinets carry no block checksums, and libmspack reads and writes through an in-memory
// system (output discarded after the verifying run), so both sides spend their time decoding.
// Our side is timed per frame through LzxDecompress, as the cabinet reader calls it, writing
// each frame into the output buffer.
#include <mspack.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "bench/frame_cabinet_bench.h"
#include "cabinet/decoder.h"
#include "cabinet/lzx_decoder.h"
#include "cabinet/lzx_format.h"
#include "packer/lzx_encoder.h"

namespace {

using namespace vorlax_bench;

using vorlax::kLzxFrameSize;

constexpr size_t kDataSize = 16 << 20;
constexpr int kRuns = 7;

// ---- a one-folder, one-file cabinet around the encoder's frames ----

Folder EncodeFolder(const std::vector<uint8_t>& data, uint32_t windowBits, bool calls) {
  vorlax::LzxEncoderOptions options;
  options.windowBits = windowBits;
  options.callTranslation = calls;
  vorlax::LzxEncoder encoder(options);
  Folder folder;
  for (size_t at = 0; at < data.size(); at += kLzxFrameSize) {
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(kLzxFrameSize, data.size() - at));
    folder.frames.emplace_back();
    encoder.EncodeBlock(data.data() + at, size, at + size == data.size(), &folder.frames.back());
    folder.sizes.push_back(size);
    folder.packed += folder.frames.back().size();
  }
  return folder;
}

// ---- ours ----

void* Alloc(uint32_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }

bool OursDecode(vorlax::LzxDecoder* decoder, const Folder& folder, std::vector<uint8_t>* out) {
  vorlax::LzxReset(decoder);
  size_t at = 0;
  for (size_t i = 0; i < folder.frames.size(); ++i) {
    uint32_t length = folder.sizes[i];
    if (vorlax::LzxDecompress(decoder, reinterpret_cast<const uint8_t*>(folder.frames[i].data()),
                              static_cast<uint32_t>(folder.frames[i].size()), out->data() + at,
                              &length) != vorlax::kDecoderOk) {
      return false;
    }
    at += length;
  }
  return true;
}

bool RunCase(const char* name, const std::vector<uint8_t>& data, uint32_t windowBits, bool calls,
             double* speedUp) {
  const Folder folder = EncodeFolder(data, windowBits, calls);
  const std::string cabinet = BuildCabinet(folder, static_cast<uint16_t>(3 | (windowBits << 8)), data.size());
  vorlax::DecoderMemory memory = {Alloc, Free};
  vorlax::LzxDecoder* decoder = nullptr;
  uint32_t inputSize = 0;
  vorlax::LzxQueryCreate(kLzxFrameSize, windowBits, 0, memory, &inputSize, &decoder);
  std::vector<uint8_t> out(data.size());
  if (!OursDecode(decoder, folder, &out) || out != data) {
    std::printf("%-8s window %2u calls %d: our decoder FAILED\n", name, windowBits, calls);
    return false;
  }
  if (!MspackExtract(cabinet, &data)) {
    std::printf("%-8s window %2u calls %d: libmspack FAILED\n", name, windowBits, calls);
    return false;
  }
  double ours = 0, theirs = 0;
  BestSeconds(kRuns, [&] { OursDecode(decoder, folder, &out); }, [&] { MspackExtract(cabinet, nullptr); }, &ours, &theirs);
  vorlax::LzxDestroy(decoder);
  const double megabytes = data.size() / 1e6;
  *speedUp = theirs / ours;
  std::printf("%-8s window %2u calls %d  size %5.1f%%  ours %7.1f MB/s  libmspack %7.1f MB/s  speed-up %.2fx\n",
              name, windowBits, calls ? 1 : 0, 100.0 * cabinet.size() / data.size(), megabytes / ours,
              megabytes / theirs, *speedUp);
  return true;
}

}  // namespace

int main() {
  const std::vector<uint8_t> text = TextData(kDataSize, 7);
  const std::vector<uint8_t> program = ProgramData(kDataSize);
  bool ok = true;
  double worst = 1e30;
  for (uint32_t bits : {15u, 18u, 21u}) {
    double s = 0;
    ok = RunCase("text", text, bits, false, &s) && ok;
    worst = std::min(worst, s);
    ok = RunCase("program", program, bits, false, &s) && ok;
    worst = std::min(worst, s);
    ok = RunCase("program", program, bits, true, &s) && ok;
    worst = std::min(worst, s);
  }
  std::printf("lowest speed-up against libmspack: %.2fx\n", worst);
  return ok ? 0 : 1;
}
