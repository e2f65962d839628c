// What the LZX and Quantum decoding benchmarks share: a one-folder, one-file cabinet built around
// an encoder's frames, libmspack's cabinet decompressor reading it from memory (output compared
// with the expected bytes, or discarded), and the timing of the two sides (thread CPU time, best
// of several alternating rounds).
#pragma once

#include <mspack.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/little_endian.h"

namespace vorlax_bench {

const char* const kCabinetName = "bench.cab";

// ---- data sets ----

// Generated installer-like text of `size` bytes; seed picks the word sequence.
inline std::vector<uint8_t> TextData(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"the ", "installer ", "copies ", "files ", "into ", "the ",
                                       "folder ", "and ", "writes ", "registry ", "values.\r\n", "Setup "};
  std::vector<uint8_t> data;
  uint32_t state = seed;
  while (data.size() < size) {
    state = state * 1103515245u + 12345u;
    const char* word = kWords[(state >> 16) % 12];
    data.insert(data.end(), word, word + std::strlen(word));
    if ((state >> 10) % 9 == 0) data.push_back(static_cast<uint8_t>('A' + (state >> 20) % 26));
  }
  data.resize(size);
  return data;
}

// Machine code: the installed cmake program, or this program's own file where it is missing;
// repeated up to the data size.
inline std::vector<uint8_t> ProgramData(size_t size) {
  std::vector<uint8_t> file;
  for (const char* path : {"/usr/bin/cmake", "/proc/self/exe"}) {
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) continue;
    std::vector<uint8_t> chunk(1 << 16);
    size_t n;
    while (file.size() < size && (n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) {
      file.insert(file.end(), chunk.begin(), chunk.begin() + n);
    }
    std::fclose(f);
    break;
  }
  std::vector<uint8_t> data;
  while (!file.empty() && data.size() < size) data.insert(data.end(), file.begin(), file.end());
  data.resize(size);
  return data;
}

// A folder's frames as the encoder made them, each frame's uncompressed size, and their total
// compressed size.
struct Folder {
  std::vector<std::string> frames;
  std::vector<uint32_t> sizes;
  size_t packed = 0;
};


constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderEntrySize = 8;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kDataHeaderSize = 8;

// One folder of the given compression type (kind | window exponent << 8) holding one file
// ("data.bin", dataSize bytes) in the folder's frames, one data block per frame, no checksums.
inline std::string BuildCabinet(const Folder& folder, uint16_t compressionType, size_t dataSize) {
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
  vorlax::WriteLe16(&head[42], compressionType);
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

inline MemorySystem* g_system = nullptr;

inline mspack_file* MemOpen(mspack_system*, const char* filename, int mode) {
  MemoryFile* file = new MemoryFile;
  if (mode == MSPACK_SYS_OPEN_READ && std::strcmp(filename, kCabinetName) == 0) {
    file->input = g_system->cabinet;
  } else {
    file->expected = g_system->expected;
  }
  return reinterpret_cast<mspack_file*>(file);
}
inline void MemClose(mspack_file* handle) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  if (file->input == nullptr) g_system->lastMatched = file->matches;
  delete file;
}
inline int MemRead(mspack_file* handle, void* buffer, int bytes) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  if (file->input == nullptr || bytes < 0) return -1;
  const size_t count = std::min<size_t>(static_cast<size_t>(bytes), file->input->size() - file->position);
  std::memcpy(buffer, file->input->data() + file->position, count);
  file->position += count;
  return static_cast<int>(count);
}
inline int MemWrite(mspack_file* handle, void* buffer, int bytes) {
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
inline int MemSeek(mspack_file* handle, off_t offset, int mode) {
  MemoryFile* file = reinterpret_cast<MemoryFile*>(handle);
  const size_t size = file->input ? file->input->size() : file->position;
  off_t base = mode == MSPACK_SYS_SEEK_START ? 0 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                                                                                : static_cast<off_t>(size);
  if (base + offset < 0 || static_cast<size_t>(base + offset) > size) return -1;
  file->position = static_cast<size_t>(base + offset);
  return 0;
}
inline off_t MemTell(mspack_file* handle) { return static_cast<off_t>(reinterpret_cast<MemoryFile*>(handle)->position); }
inline void MemMessage(mspack_file*, const char*, ...) {}
inline void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
inline void MemFree(void* block) { std::free(block); }
inline void MemCopy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

// Extracts the cabinet's file once with libmspack; true when it decoded to `expected` (or
// expected is null).
inline bool MspackExtract(const std::string& cabinet, const std::vector<uint8_t>* expected) {
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

// CPU seconds of this thread: other work on a shared machine barely moves it.
inline double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

// The best of `runs` rounds for each side, the two sides alternating within a round.
template <typename Ours, typename Theirs>
void BestSeconds(int runs, Ours ours, Theirs theirs, double* oursBest, double* theirsBest) {
  *oursBest = *theirsBest = 1e30;
  for (int run = 0; run < runs; ++run) {
    double start = ThreadSeconds();
    ours();
    *oursBest = std::min(*oursBest, ThreadSeconds() - start);
    start = ThreadSeconds();
    theirs();
    *theirsBest = std::min(*theirsBest, ThreadSeconds() - start);
  }
}

}  // namespace vorlax_bench
