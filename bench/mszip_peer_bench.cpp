// mszip_peer_bench: how close our MSZIP decoder comes to libdeflate, the fastest inflater packaged
// for this system, on each kind of mszip_bench's data. libdeflate decodes only whole streams and
// takes no preset dictionary, so here every 32 KiB block is compressed on its own (zlib level 6, no
// previous block as dictionary; a cabinet writer would give it one, mszip_bench measures that
// case). The three decoders then decode the same blocks in order into one 32 KiB window: zlib
// (inflateReset per block), libdeflate (one call per block) and ours (one MSZIP block per call).
// Outputs are checked against the original before timing; best of the rounds of processor time,
// the decoders alternating round by round.
//
// Run: build/<dir>/bench/mszip_peer_bench [megabytes per kind [rounds]]   (defaults 24 and 7)
#define main mszip_bench_main
#include "mszip_bench.cpp"
#undef main

#include <libdeflate.h>

namespace {

// zlib on blocks that stand alone: no dictionary installed.
bool RunZlibIndependent(const std::vector<Block>& blocks, const std::vector<uint8_t>* check, uint8_t* window) {
  return DecodeWithZlib(blocks, check, window, false);
}

libdeflate_decompressor* g_libdeflate = nullptr;

bool RunLibdeflate(const std::vector<Block>& blocks, const std::vector<uint8_t>* check, uint8_t* window) {
  for (const Block& b : blocks) {
    size_t produced = 0;
    libdeflate_result r = libdeflate_deflate_decompress(g_libdeflate, b.compressed.data() + 2,
                                                        b.compressed.size() - 2, window, kMaxBlockOutput, &produced);
    if (r != LIBDEFLATE_SUCCESS || produced != b.size ||
        (check && std::memcmp(window, &(*check)[b.offset], b.size) != 0)) {
      return false;
    }
  }
  return true;
}

// Checks the three decoders on one kind, times them and prints a line; false on a mismatch.
bool MeasurePeers(const char* label, const std::vector<uint8_t>& data, int rounds) {
  std::vector<Block> blocks = Compress(data, false);
  size_t compressed = 0;
  for (const Block& b : blocks) compressed += b.compressed.size();
  std::vector<uint8_t> window(kMaxBlockOutput);
  if (!RunOurs(blocks, &data, window.data()) || !RunZlibIndependent(blocks, &data, window.data()) ||
      !RunLibdeflate(blocks, &data, window.data())) {
    std::printf("%s: a decoder's output differs from the original\n", label);
    return false;
  }
  double ours = 1e30;
  double zlib = 1e30;
  double libdeflate = 1e30;
  for (int round = 0; round < rounds; ++round) {
    BestSeconds(RunOurs, blocks, window.data(), &ours);
    BestSeconds(RunZlibIndependent, blocks, window.data(), &zlib);
    BestSeconds(RunLibdeflate, blocks, window.data(), &libdeflate);
  }
  double mb = data.size() / 1e6;
  std::printf("%-8s %5.1f -> %5.1f MB  zlib %7.1f  libdeflate %7.1f  vorlax %7.1f MB/s  "
              "libdeflate/zlib %.2fx  vorlax/zlib %.2fx  vorlax/libdeflate %.2fx\n",
              label, mb, compressed / 1e6, mb / zlib, mb / libdeflate, mb / ours, zlib / libdeflate, zlib / ours,
              libdeflate / ours);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 24;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  if (megabytes == 0 || rounds <= 0) {
    std::printf("usage: mszip_peer_bench [megabytes per kind [rounds]]\n");
    return 2;
  }
  g_libdeflate = libdeflate_alloc_decompressor();
  if (!g_libdeflate) return 1;
  std::printf("MSZIP blocks of 32 KiB compressed independently, zlib %s level %d; processor time, best of %d "
              "rounds\n",
              zlibVersion(), kCompressionLevel, rounds);
  std::vector<uint8_t> program = ReadProgram();
  size_t bytes = megabytes * 1000 * 1000;
  bool ok = MeasurePeers("text", MakeData(bytes, kText, program), rounds);
  ok = MeasurePeers("records", MakeData(bytes, kBinary, program), rounds) && ok;
  if (!program.empty()) ok = MeasurePeers("program", MakeData(bytes, kProgram, program), rounds) && ok;
  ok = MeasurePeers("random", MakeData(bytes, kRandom, program), rounds) && ok;
  libdeflate_free_decompressor(g_libdeflate);
  return ok ? 0 : 1;
}
