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
#include "cabinet/decoder.h"
#include "cabinet/lzx_decoder.h"
#include "cabinet/lzx_format.h"
#include "packer/lzx_encoder.h"

namespace {

using vorlax::kLzxFrameSize;

constexpr size_t kDataSize = 16 << 20;
constexpr int kRuns = 7;
const char* const kCabinetName = "bench.cab";

// ---- data sets ----

std::vector<uint8_t> TextData() {
  static const char* const kWords[] = {"the ", "installer ", "copies ", "files ", "into ", "the ",
                                       "folder ", "and ", "writes ", "registry ", "values.\r\n", "Setup "};
  std::vector<uint8_t> data;
  uint32_t state = 7;
  while (data.size() < kDataSize) {
    state = state * 1103515245u + 12345u;
    const char* word = kWords[(state >> 16) % 12];
    data.insert(data.end(), word, word + std::strlen(word));
    if ((state >> 10) % 9 == 0) data.push_back(static_cast<uint8_t>('A' + (state >> 20) % 26));
  }
  data.resize(kDataSize);
  return data;
}

// Machine code: the installed cmake program, or this program's own file where it is missing;
// repeated up to the data size.
std::vector<uint8_t> ProgramData() {
  std::vector<uint8_t> file;
  for (const char* path : {"/usr/bin/cmake", "/proc/self/exe"}) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) continue;
    std::vector<uint8_t> chunk(1 << 16);
    size_t n;
    while (file.size() < kDataSize && (n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) {
      file.insert(file.end(), chunk.begin(), chunk.begin() + n);
    }
    std::fclose(f);
    break;
  }
  std::vector<uint8_t> data;
  while (!file.empty() && data.size() < kDataSize) data.insert(data.end(), file.begin(), file.end());
  data.resize(kDataSize);
  return data;
}

// ---- a one-folder, one-file cabinet around the encoder's frames ----

struct Folder {
  std::vector<std::string> frames;
  std::vector<uint32_t> sizes;
  size_t packed = 0;
};

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

constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderEntrySize = 8;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kDataHeaderSize = 8;
constexpr uint16_t kLzxType = 3;

std::string BuildCabinet(const Folder& folder, uint32_t windowBits, size_t dataSize) {
  const char name[] = "data.bin";
  const size_t filesAt = kHeaderSize + kFolderEntrySize;
  const size_t blocksAt = filesAt + kFileEntrySize + sizeof name;
  std::vector<uint8_t> head(blocksAt, 0);
  std::memcpy(head.data(), "MSCF", 4);
  const size_t total = blocksAt + folder.frames.size() * kDataHeaderSize + folder.packed;
  vorlax::WriteLe32(&head[8], static_cast<uint32_t>(total));
  vorlax::WriteLe32(&head[16], static_cast<uint32_t>(filesAt));
  head[24] = 3;  // version 1.3
  head[25] = 1;
  vorlax::WriteLe16(&head[26], 1);  // folders
  vorlax::WriteLe16(&head[28], 1);  // files
  vorlax::WriteLe32(&head[36], static_cast<uint32_t>(blocksAt));
  vorlax::WriteLe16(&head[40], static_cast<uint16_t>(folder.frames.size()));
  vorlax::WriteLe16(&head[42], static_cast<uint16_t>(kLzxType | (windowBits << 8)));
  vorlax::WriteLe32(&head[filesAt], static_cast<uint32_t>(dataSize));
  vorlax::WriteLe16(&head[filesAt + 10], 0x5821);  // date
  vorlax::WriteLe16(&head[filesAt + 14], 0x20);    // archive
  std::memcpy(&head[filesAt + kFileEntrySize], name, sizeof name);
  std::string cab(head.begin(), head.end());
  for (size_t i = 0; i < folder.frames.size(); ++i) {
    uint8_t block[kDataHeaderSize] = {};  // checksum 0: none
    vorlax::WriteLe16(block + 4, static_cast<uint16_t>(folder.frames[i].size()));
    vorlax::WriteLe16(block + 6, static_cast<uint16_t>(folder.sizes[i]));
    cab.append(reinterpret_cast<char*>(block), kDataHeaderSize);
    cab += folder.frames[i];
  }
  return cab;
}

// ---- libmspack through an in-memory system ----

struct MemoryFile {
  const std::string* input = nullptr;  // null: the output sink
  size_t position = 0;
  const std::vector<uint8_t>* expected = nullptr;
  bool matches = true;
};

struct MemorySystem {
  mspack_system sys;
  const std::string* cabinet;
  const std::vector<uint8_t>* expected;  // compared while writing, when set
  bool lastMatched = false;
};

MemorySystem* g_system = nullptr;

mspack_file* MemOpen(mspack_system*, const char* filename, int mode) {
  MemoryFile* file = new MemoryFile;
  if (mode == MSPACK_SYS_OPEN_READ && std::strcmp(filename, kCabinetName) == 0) {
    file->input = g_system->cabinet;
  } else {
    file->expected = g_system->expected;
  }
  return reinterpret_cast<mspack_file*>(file);
}
void MemClose(mspack_file* handle) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  if (file->input == nullptr) g_system->lastMatched = file->matches;
  delete file;
}
int MemRead(mspack_file* handle, void* buffer, int bytes) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  if (file->input == nullptr || bytes < 0) return -1;
  const size_t count = std::min<size_t>(static_cast<size_t>(bytes), file->input->size() - file->position);
  std::memcpy(buffer, file->input->data() + file->position, count);
  file->position += count;
  return static_cast<int>(count);
}
int MemWrite(mspack_file* handle, void* buffer, int bytes) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  if (file->expected != nullptr) {
    if (file->position + bytes > file->expected->size() ||
        std::memcmp(buffer, file->expected->data() + file->position, bytes) != 0) {
      file->matches = false;
    }
  }
  file->position += bytes;
  return bytes;
}
int MemSeek(mspack_file* handle, off_t offset, int mode) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  const size_t size = file->input ? file->input->size() : file->position;
  off_t base = mode == MSPACK_SYS_SEEK_START ? 0 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                                                                                : static_cast<off_t>(size);
  if (base + offset < 0 || static_cast<size_t>(base + offset) > size) return -1;
  file->position = static_cast<size_t>(base + offset);
  return 0;
}
off_t MemTell(mspack_file* handle) { return static_cast<off_t>(reinterpret_cast<MemoryFile*>(handle)->position); }
void MemMessage(mspack_file*, const char*, ...) {}
void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void MemFree(void* block) { std::free(block); }
void MemCopy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

bool MspackExtract(const std::string& cabinet, const std::vector<uint8_t>* expected) {
  MemorySystem system{{MemOpen, MemClose, MemRead, MemWrite, MemSeek, MemTell, MemMessage, MemAlloc, MemFree,
                       MemCopy, nullptr},
                      &cabinet, expected};
  g_system = &system;
  mscab_decompressor* cabd = mspack_create_cab_decompressor(&system.sys);
  mscabd_cabinet* cab = cabd ? cabd->open(cabd, kCabinetName) : nullptr;
  bool ok = cab != nullptr && cabd->extract(cabd, cab->files, "out") == MSPACK_ERR_OK;
  if (cab) cabd->close(cabd, cab);
  if (cabd) mspack_destroy_cab_decompressor(cabd);
  return ok && (expected == nullptr || system.lastMatched);
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

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

template <typename Ours, typename Theirs>
void BestSeconds(Ours ours, Theirs theirs, double* oursBest, double* theirsBest) {
  *oursBest = *theirsBest = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    double start = ThreadSeconds();
    ours();
    *oursBest = std::min(*oursBest, ThreadSeconds() - start);
    start = ThreadSeconds();
    theirs();
    *theirsBest = std::min(*theirsBest, ThreadSeconds() - start);
  }
}

bool RunCase(const char* name, const std::vector<uint8_t>& data, uint32_t windowBits, bool calls,
             double* speedUp) {
  const Folder folder = EncodeFolder(data, windowBits, calls);
  const std::string cabinet = BuildCabinet(folder, windowBits, data.size());
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
  BestSeconds([&] { OursDecode(decoder, folder, &out); }, [&] { MspackExtract(cabinet, nullptr); }, &ours, &theirs);
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
  const std::vector<uint8_t> text = TextData();
  const std::vector<uint8_t> program = ProgramData();
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
