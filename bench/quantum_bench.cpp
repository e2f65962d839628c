// Quantum decoding throughput: the installer's decoder against libmspack's cabinet decompressor on
// the same cabinets, made by the packer's Quantum encoder. Prints MB/s of decoded output for both
// and their ratio, per data set and window (thread CPU time, best of several alternating runs).
//
// The cabinets carry no block checksums, and libmspack reads and writes through an in-memory
// system (output discarded after the verifying run), so both sides spend their time decoding.
// Our side is timed per frame through QuantumDecompress, as the cabinet reader calls it.
#include <mspack.h>

#include <algorithm>
#include <ctime>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "bench/frame_cabinet_bench.h"
#include "cabinet/decoder.h"
#include "cabinet/quantum_decoder.h"
#include "packer/quantum_encoder.h"

namespace {

using namespace vorlax_bench;

using vorlax::kMaxBlockOutput;

constexpr size_t kDataSize = 8 << 20;
constexpr int kRuns = 9;

// ---- a one-folder, one-file cabinet around the encoder's frames ----

Folder EncodeFolder(const std::vector<uint8_t>& data, uint32_t windowBits) {
  vorlax::QuantumEncoder encoder(windowBits);
  Folder folder;
  for (size_t at = 0; at < data.size(); at += kMaxBlockOutput) {
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(kMaxBlockOutput, data.size() - at));
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

bool OursDecode(vorlax::QuantumDecoder* decoder, const Folder& folder, std::vector<uint8_t>* out) {
  vorlax::QuantumReset(decoder);
  size_t at = 0;
  for (size_t i = 0; i < folder.frames.size(); ++i) {
    uint32_t length = folder.sizes[i];
    if (vorlax::QuantumDecompress(decoder, reinterpret_cast<const uint8_t*>(folder.frames[i].data()),
                                  static_cast<uint32_t>(folder.frames[i].size()), out->data() + at,
                                  &length) != vorlax::kDecoderOk) {
      return false;
    }
    at += length;
  }
  return true;
}

bool RunCase(const char* name, const std::vector<uint8_t>& data, uint32_t windowBits) {
  const Folder folder = EncodeFolder(data, windowBits);
  const std::string cabinet = BuildCabinet(folder, static_cast<uint16_t>(2 | (windowBits << 8)), data.size());
  vorlax::DecoderMemory memory = {Alloc, Free};
  vorlax::QuantumDecoder* decoder = nullptr;
  uint32_t inputSize = 0;
  vorlax::QuantumQueryCreate(0, windowBits, 0, memory, &inputSize, &decoder);
  std::vector<uint8_t> out(data.size());
  if (!OursDecode(decoder, folder, &out) || out != data) {
    std::printf("%-8s window %2u: our decoder FAILED\n", name, windowBits);
    return false;
  }
  if (!MspackExtract(cabinet, &data)) {
    std::printf("%-8s window %2u: libmspack FAILED\n", name, windowBits);
    return false;
  }
  double ours = 0, theirs = 0;
  BestSeconds(kRuns, [&] { OursDecode(decoder, folder, &out); }, [&] { MspackExtract(cabinet, nullptr); }, &ours, &theirs);
  vorlax::QuantumDestroy(decoder);
  const double megabytes = data.size() / 1e6;
  std::printf("%-8s window %2u  ratio %5.1f%%  ours %7.1f MB/s  libmspack %7.1f MB/s  speed-up %.2fx\n", name,
              windowBits, 100.0 * cabinet.size() / data.size(), megabytes / ours, megabytes / theirs, theirs / ours);
  return true;
}

}  // namespace

int main() {
  const std::vector<uint8_t> text = TextData(kDataSize, 1);
  const std::vector<uint8_t> program = ProgramData(kDataSize);
  bool ok = true;
  for (uint32_t bits : {10u, 15u, 21u}) {
    ok = RunCase("text", text, bits) && ok;
    ok = RunCase("program", program, bits) && ok;
  }
  return ok ? 0 : 1;
}
