// Writes seeds for quantum_fuzz into the folder named on the command line: decoding-mode inputs
// whose frames come from the Quantum encoder (text, runs and noise in several windows, a reset
// between folders), so that the fuzzer starts from frames that decode.
#include <cstdio>
#include <string>
#include <vector>

#include "cabinet/decoder.h"
#include "packer/quantum_encoder.h"

namespace {

std::string SampleData(size_t size, unsigned seed) {
  static const char* const kWords[] = {"quantum ", "frame ", "model ", "\r\n", "window "};
  std::string data;
  unsigned state = seed;
  while (data.size() < size) {
    state = state * 1103515245u + 12345u;
    if ((state >> 16) % 5 == 0) {
      data.append(1 + (state >> 8) % 40, static_cast<char>(state >> 24));
    } else {
      data += kWords[(state >> 16) % 5];
    }
  }
  data.resize(size);
  return data;
}

// One decoding-mode input: mode byte, then each frame's head and bytes.
std::string Seed(unsigned windowBits, const std::string& data, bool resetEachBlock) {
  std::string seed(1, static_cast<char>(windowBits - 10));
  vorlax::QuantumEncoder encoder(windowBits);
  for (size_t at = 0; at < data.size(); at += vorlax::kMaxBlockOutput) {
    const size_t size = data.size() - at < vorlax::kMaxBlockOutput ? data.size() - at : vorlax::kMaxBlockOutput;
    std::string frame;
    encoder.EncodeBlock(reinterpret_cast<const uint8_t*>(data.data()) + at, static_cast<uint32_t>(size),
                        at + size == data.size(), &frame);
    const char head[5] = {static_cast<char>(frame.size()), static_cast<char>(frame.size() >> 8),
                          static_cast<char>(size), static_cast<char>(size >> 8),
                          static_cast<char>(resetEachBlock && at == 0 ? 1 : 0)};
    seed.append(head, 5);
    seed += frame;
  }
  return seed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_quantum_seeds FOLDER\n");
    return 2;
  }
  const struct {
    unsigned windowBits;
    size_t size;
    bool reset;
  } seeds[] = {{10, 3000, false}, {12, 40000, true}, {15, 70000, false}, {21, 20000, true}};
  int index = 0;
  for (const auto& s : seeds) {
    const std::string bytes = Seed(s.windowBits, SampleData(s.size, s.windowBits), s.reset);
    const std::string path = std::string(argv[1]) + "/quantum_seed_" + std::to_string(index++);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return 1;
    std::fclose(f);
  }
  return 0;
}
