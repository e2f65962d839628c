// mszip_kind_bench: one kind of mszip_bench's data at a time, for measuring one change to the
// MSZIP decoder: the same generated data, blocks and decoders as mszip_bench (its source is
// compiled in here with its main renamed), our decoder and zlib alternating round by round, best
// of the rounds. For the incompressible kind (stored blocks) it also times a plain memcpy of each
// block's bytes into the window, the least any decoder can do there.
//
// Run: build/<dir>/bench/mszip_kind_bench KIND [megabytes [rounds]]
//   KIND: -1 mixed, 0 text, 1 records, 2 program, 3 random; defaults 8 MB, 7 rounds.
// Run it several times and alternate builds: the machine's load moves single runs by 5-10%.
#define main mszip_bench_main
#include "mszip_bench.cpp"
#undef main

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: mszip_kind_bench KIND [megabytes [rounds]]   (KIND -1 mixed, 0 text, 1 records, "
                "2 program, 3 random)\n");
    return 2;
  }
  DataKind kind = static_cast<DataKind>(std::atoi(argv[1]));
  size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 8;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 7;
  std::vector<uint8_t> data = MakeData(megabytes * 1000 * 1000, kind, ReadProgram());
  std::vector<Block> blocks = Compress(data);
  std::vector<uint8_t> window(kMaxBlockOutput);
  if (!RunOurs(blocks, &data, window.data()) || !RunZlib(blocks, &data, window.data())) {
    std::printf("a decoder's output differs from the original\n");
    return 1;
  }
  double ours = 1e30;
  double zlib = 1e30;
  double copy = 1e30;
  for (int round = 0; round < rounds; ++round) {
    BestSeconds(RunOurs, blocks, window.data(), &ours);
    BestSeconds(RunZlib, blocks, window.data(), &zlib);
    if (kind == kRandom) {
      double t0 = CpuSeconds();
      for (const Block& b : blocks) {
        std::memcpy(window.data(), b.compressed.data() + b.compressed.size() - b.size, b.size);
        asm volatile("" ::: "memory");  // keeps every copy
      }
      copy = std::min(copy, CpuSeconds() - t0);
    }
  }
  double mb = data.size() / 1e6;
  std::printf("kind %d  %.1f MB  zlib %8.1f MB/s  vorlax %8.1f MB/s  ratio %.3f", kind, mb, mb / zlib, mb / ours,
              zlib / ours);
  if (kind == kRandom) std::printf("  memcpy %8.1f MB/s", mb / copy);
  std::printf("\n");
  return 0;
}
