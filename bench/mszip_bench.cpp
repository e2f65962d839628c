// MSZIP decoding throughput: our decoder against zlib's inflate on the same blocks.
//
// The data is a mix of generated text, binary-like records, program code (the bytes of an
// installed executable) and incompressible bytes, cut into
// 32 KiB blocks and compressed by zlib as a cabinet writer does: each block a raw deflate stream
// with the previous block as its dictionary, prefixed with "CK". Both decoders then decode every
// block in order into a 32 KiB window; zlib gets the previous block through inflateSetDictionary,
// ours finds it in its output buffer. Outputs are checked against the original before timing.
// Each decoder runs several rounds, alternating, and the best round of processor time counts.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <ctime>
#include <vector>

#include "cabinet/mszip_decoder.h"

namespace {

using vorlax::kMaxBlockOutput;

constexpr size_t kDefaultMegabytes = 120;
constexpr int kRounds = 5;
constexpr int kCompressionLevel = 6;

struct Block {
  size_t offset;   // in the original data
  size_t size;     // uncompressed
  std::vector<uint8_t> compressed;  // "CK" + raw deflate
};

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "was", "with", "be", "by", "on",
    "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had",
    "they", "you", "were", "their", "one", "all", "we", "can", "her", "has", "there", "been", "if",
    "more", "when", "will", "would", "who", "so", "no", "installer", "cabinet", "folder", "window",
    "player", "level", "texture", "sound", "registry", "shortcut", "configuration", "program"};

void AppendText(std::mt19937* rng, size_t n, std::vector<uint8_t>* out) {
  const size_t words = sizeof kWords / sizeof kWords[0];
  size_t lineLength = 0;
  for (size_t end = out->size() + n; out->size() < end;) {
    // Zipf-like: small indices are much more frequent.
    double u = std::uniform_real_distribution<double>(0, 1)(*rng);
    const char* w = kWords[static_cast<size_t>(u * u * u * words) % words];
    for (const char* p = w; *p && out->size() < end; ++p) out->push_back(static_cast<uint8_t>(*p));
    lineLength += std::strlen(w) + 1;
    if (out->size() < end) out->push_back(lineLength > 70 ? '\n' : ' ');
    if (lineLength > 70) lineLength = 0;
  }
}

void AppendBinary(std::mt19937* rng, size_t n, std::vector<uint8_t>* out) {
  // Records of small counters, flags and offsets, like tables in game data and executables.
  uint32_t counter = (*rng)() & 0xFFFF;
  for (size_t end = out->size() + n; out->size() < end;) {
    uint8_t record[16];
    counter += 1 + (*rng)() % 8;
    std::memcpy(record, &counter, 4);
    uint32_t flags = (*rng)() % 4 == 0 ? (*rng)() : 0x00000101;
    std::memcpy(record + 4, &flags, 4);
    uint16_t small = static_cast<uint16_t>((*rng)() % 300);
    std::memcpy(record + 8, &small, 2);
    record[10] = 0x8B;
    record[11] = static_cast<uint8_t>(0x40 + (*rng)() % 8);
    uint32_t tail = (*rng)() % 3 == 0 ? 0 : 0xFFFFFFFF;
    std::memcpy(record + 12, &tail, 4);
    for (uint8_t b : record) {
      if (out->size() == end) break;
      out->push_back(b);
    }
  }
}

void AppendRandom(std::mt19937* rng, size_t n, std::vector<uint8_t>* out) {
  for (size_t i = 0; i < n; ++i) out->push_back(static_cast<uint8_t>((*rng)()));
}

// Real program code: the bytes of an installed executable, taken in order. Empty when it cannot
// be read (the binary data is then all generated records).
const char* const kProgramPath = "/usr/bin/cmake";

std::vector<uint8_t> ReadProgram() {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(kProgramPath, "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

void AppendProgram(const std::vector<uint8_t>& program, size_t* cursor, size_t n, std::vector<uint8_t>* out) {
  for (size_t i = 0; i < n; ++i) {
    out->push_back(program[*cursor]);
    *cursor = (*cursor + 1) % program.size();
  }
}

enum DataKind : int { kMixed = -1, kText = 0, kBinary = 1, kProgram = 2, kRandom = 3 };

std::vector<uint8_t> MakeData(size_t bytes, DataKind only, const std::vector<uint8_t>& program) {
  std::mt19937 rng(20261210);
  size_t programCursor = 0;
  std::vector<uint8_t> data;
  data.reserve(bytes);
  while (data.size() < bytes) {
    size_t n = 64 * 1024 + rng() % (1024 * 1024);
    if (n > bytes - data.size()) n = bytes - data.size();
    // 45% text, 20% binary records, 15% program code, 20% incompressible
    unsigned pick = rng() % 20;
    DataKind kind = only != kMixed ? only : pick < 9 ? kText : pick < 13 ? kBinary : pick < 16 ? kProgram : kRandom;
    if (kind == kProgram && program.empty()) kind = kBinary;
    if (kind == kText) {
      AppendText(&rng, n, &data);
    } else if (kind == kProgram) {
      AppendProgram(program, &programCursor, n, &data);
    } else if (kind == kBinary) {
      AppendBinary(&rng, n, &data);
    } else {
      AppendRandom(&rng, n, &data);
    }
  }
  return data;
}

// zlib may spend a few bytes more than a block may hold on incompressible data (several stored
// blocks); a cabinet writer then sends the block as one final stored deflate block.
void StoreBlock(const std::vector<uint8_t>& data, Block* b) {
  const uint8_t header[] = {'C', 'K', 0x01, static_cast<uint8_t>(b->size), static_cast<uint8_t>(b->size >> 8),
                            static_cast<uint8_t>(~b->size), static_cast<uint8_t>(~b->size >> 8)};
  b->compressed.assign(header, header + sizeof header);
  b->compressed.insert(b->compressed.end(), data.begin() + b->offset, data.begin() + b->offset + b->size);
}

// Each block after the first gets the previous one as dictionary, as a cabinet writer does, unless
// withDictionary is false (every block then stands alone).
std::vector<Block> Compress(const std::vector<uint8_t>& data, bool withDictionary = true) {
  std::vector<Block> blocks;
  for (size_t offset = 0; offset < data.size(); offset += kMaxBlockOutput) {
    Block b;
    b.offset = offset;
    b.size = std::min<size_t>(kMaxBlockOutput, data.size() - offset);
    z_stream z{};
    deflateInit2(&z, kCompressionLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (offset && withDictionary) deflateSetDictionary(&z, &data[offset - kMaxBlockOutput], kMaxBlockOutput);
    b.compressed.resize(2 + deflateBound(&z, b.size));
    b.compressed[0] = 'C';
    b.compressed[1] = 'K';
    z.next_in = const_cast<uint8_t*>(&data[offset]);
    z.avail_in = static_cast<uInt>(b.size);
    z.next_out = &b.compressed[2];
    z.avail_out = static_cast<uInt>(b.compressed.size() - 2);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    b.compressed.resize(2 + z.total_out);
    deflateEnd(&z);
    if (b.compressed.size() > kMaxBlockOutput + vorlax::kMszipInputSlack) StoreBlock(data, &b);
    blocks.push_back(std::move(b));
  }
  return blocks;
}

void* Alloc(uint32_t n) { return std::malloc(n); }
void Free(void* p) { std::free(p); }

// Decodes every block with our decoder; answers false on any failure or mismatch when checking.
bool RunOurs(const std::vector<Block>& blocks, const std::vector<uint8_t>* check, uint8_t* window) {
  vorlax::DecoderMemory memory{Alloc, Free};
  uint32_t inputSize = 0;
  vorlax::MszipDecoder* decoder = nullptr;
  if (vorlax::MszipQueryCreate(0, memory, &inputSize, &decoder) != vorlax::kDecoderOk) return false;
  bool ok = true;
  for (const Block& b : blocks) {
    uint32_t produced = kMaxBlockOutput;
    int r = vorlax::MszipDecompress(decoder, b.compressed.data(), static_cast<uint32_t>(b.compressed.size()),
                                    window, &produced);
    if (r != vorlax::kDecoderOk || produced != b.size ||
        (check && std::memcmp(window, &(*check)[b.offset], b.size) != 0)) {
      ok = false;
      break;
    }
  }
  vorlax::MszipDestroy(decoder);
  return ok;
}

// withDictionary as in Compress: the previous block is installed before each block after the first.
bool DecodeWithZlib(const std::vector<Block>& blocks, const std::vector<uint8_t>* check, uint8_t* window,
                    bool withDictionary) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  bool ok = true;
  for (size_t i = 0; i < blocks.size() && ok; ++i) {
    const Block& b = blocks[i];
    inflateReset(&z);
    if (i > 0 && withDictionary) inflateSetDictionary(&z, window, kMaxBlockOutput);
    z.next_in = const_cast<uint8_t*>(b.compressed.data() + 2);
    z.avail_in = static_cast<uInt>(b.compressed.size() - 2);
    z.next_out = window;
    z.avail_out = kMaxBlockOutput;
    int r = inflate(&z, Z_FINISH);
    size_t produced = kMaxBlockOutput - z.avail_out;
    ok = r == Z_STREAM_END && produced == b.size &&
         (!check || std::memcmp(window, &(*check)[b.offset], b.size) == 0);
  }
  inflateEnd(&z);
  return ok;
}

bool RunZlib(const std::vector<Block>& blocks, const std::vector<uint8_t>* check, uint8_t* window) {
  return DecodeWithZlib(blocks, check, window, true);
}

// Processor time of this process: other work on a shared machine does not count against a round.
double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

template <typename Run>
double BestSeconds(Run run, const std::vector<Block>& blocks, uint8_t* window, double* best) {
  double t0 = CpuSeconds();
  if (!run(blocks, nullptr, window)) std::abort();
  double s = CpuSeconds() - t0;
  if (s < *best) *best = s;
  return s;
}

// Compresses `data`, checks both decoders against it, then times them; prints one line. False
// when a decoder's output differs.
bool Measure(const char* label, const std::vector<uint8_t>& data) {
  std::vector<Block> blocks = Compress(data);
  size_t compressed = 0;
  for (const Block& b : blocks) compressed += b.compressed.size();
  std::vector<uint8_t> window(kMaxBlockOutput);
  if (!RunOurs(blocks, &data, window.data())) {
    std::printf("%s: our decoder's output differs from the original\n", label);
    return false;
  }
  if (!RunZlib(blocks, &data, window.data())) {
    std::printf("%s: zlib's output differs from the original\n", label);
    return false;
  }
  double ours = 1e30;
  double zlib = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    BestSeconds(RunOurs, blocks, window.data(), &ours);
    BestSeconds(RunZlib, blocks, window.data(), &zlib);
  }
  double mb = data.size() / 1e6;
  std::printf("%-15s %7.1f MB -> %6.1f MB  zlib %7.1f MB/s  vorlax %7.1f MB/s  ratio %.2fx\n", label, mb,
              compressed / 1e6, mb / zlib, mb / ours, zlib / ours);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kDefaultMegabytes;
  if (megabytes == 0) megabytes = kDefaultMegabytes;
  std::printf("MSZIP blocks of 32 KiB, zlib %s level %d; processor time, best of %d rounds\n", zlibVersion(),
              kCompressionLevel, kRounds);
  std::vector<uint8_t> program = ReadProgram();
  if (program.empty()) std::printf("(%s not readable: binary data is generated records only)\n", kProgramPath);
  bool ok = Measure("mixed", MakeData(megabytes * 1000 * 1000, kMixed, program));
  // The same kinds of data on their own, a fifth of the size each.
  size_t part = megabytes * 1000 * 1000 / 5;
  ok = Measure("text only", MakeData(part, kText, program)) && ok;
  ok = Measure("records only", MakeData(part, kBinary, program)) && ok;
  if (!program.empty()) ok = Measure("program only", MakeData(part, kProgram, program)) && ok;
  ok = Measure("random only", MakeData(part, kRandom, program)) && ok;
  return ok ? 0 : 1;
}
