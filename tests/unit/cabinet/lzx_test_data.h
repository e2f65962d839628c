// Test data and helpers shared by the LZX decoder and encoder tests: data made to steer the
// encoder towards each block kind, and a round trip through LzxEncoder and LzxDecompress.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cabinet/lzx_decoder.h"
#include "cabinet/lzx_format.h"
#include "packer/lzx_encoder.h"

namespace vorlax {
namespace lzx_test {

inline void* Alloc(uint32_t size) { return std::malloc(size); }
inline void Free(void* p) { std::free(p); }
inline DecoderMemory Memory() { return DecoderMemory{Alloc, Free}; }

// A small deterministic generator (xorshift), so that data is the same on every run.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
 private:
  uint32_t state_;
};

// Incompressible bytes: the encoder codes them as uncompressed blocks.
inline std::string RandomBytes(std::size_t n, uint32_t seed) {
  Random r(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(r.Next() >> 24);
  return s;
}

// Word-salad text with repeats near and far: verbatim blocks.
inline std::string Text(std::size_t n, uint32_t seed) {
  static const char* const kWords[] = {"cabinet", "folder", "window", "frame",  "the",
                                       "install", "player",  "game",   "setup", "of",
                                       "block",   "tree",    "match",  "offset", "and"};
  Random r(seed);
  std::string s;
  while (s.size() < n) {
    s += kWords[r.Next() % 15];
    s += (r.Next() % 9 == 0) ? ".\n" : " ";
  }
  s.resize(n);
  return s;
}

// Records of 16 bytes whose repeats sit at distances that are multiples of 16 far back, with
// fresh random low bytes: offsets whose low 3 bits are all alike favour aligned-offset blocks.
inline std::string Records(std::size_t n, uint32_t seed) {
  Random r(seed);
  std::string s;
  std::vector<std::string> pool;
  for (int i = 0; i < 512; ++i) pool.push_back(RandomBytes(12, r.Next()));
  while (s.size() < n) {
    s += pool[r.Next() % pool.size()];
    uint32_t v = r.Next();
    s.append(reinterpret_cast<const char*>(&v), 4);
  }
  s.resize(n);
  return s;
}

// Random bytes in which every few bytes repeat a pair from 2 to 9 bytes before: length-2
// matches at near distances beat two literals.
inline std::string NearPairs(std::size_t n, uint32_t seed) {
  Random r(seed);
  std::string s;
  while (s.size() < n) {
    const uint32_t v = r.Next();
    if (s.size() >= 9 && v % 3 == 0) {
      const std::size_t from = s.size() - 2 - (v >> 8) % 8;
      s += s.substr(from, 2);
    } else {
      s.push_back(static_cast<char>(v >> 24));
    }
  }
  s.resize(n);
  return s;
}

// x86-like code: many E8 calls with small relative targets among text.
inline std::string CallsAndText(std::size_t n, uint32_t seed) {
  Random r(seed);
  std::string s;
  while (s.size() < n) {
    if (r.Next() % 3 == 0) {
      s.push_back(static_cast<char>(0xE8));
      int32_t rel = static_cast<int32_t>(r.Next() % 4096) - 2048;
      s.append(reinterpret_cast<const char*>(&rel), 4);
    } else {
      s += Text(r.Next() % 24 + 1, r.Next());
    }
  }
  s.resize(n);
  return s;
}

struct Frames {
  std::vector<std::string> compressed;
  std::vector<uint32_t> sizes;
};

// Encodes data as frames of frameSize bytes (the last shorter).
inline Frames Encode(const std::string& data, const LzxEncoderOptions& options,
                     uint32_t frameSize = kLzxFrameSize, LzxEncoderStats* stats = nullptr) {
  LzxEncoder encoder(options);
  Frames f;
  for (std::size_t at = 0; at < data.size(); at += frameSize) {
    const uint32_t n = static_cast<uint32_t>(data.size() - at < frameSize ? data.size() - at : frameSize);
    std::string out;
    encoder.EncodeBlock(reinterpret_cast<const uint8_t*>(data.data() + at), n,
                        at + n == data.size(), &out);
    f.compressed.push_back(out);
    f.sizes.push_back(n);
  }
  if (stats) *stats = encoder.Stats();
  return f;
}

// Encodes data as frames of frameSize bytes through EncodeFrames, as the cabinet writers do, so
// that options.lookaheadFrames takes effect; without flagLast the folder's last frame comes without
// lastBlock and Finish gives out what is held.
inline Frames EncodeHeld(const std::string& data, const LzxEncoderOptions& options, uint32_t frameSize = kLzxFrameSize,
                         bool flagLast = true, LzxEncoderStats* stats = nullptr) {
  LzxEncoder encoder(options);
  std::vector<EncodedFrame> ready;
  for (std::size_t at = 0; at < data.size(); at += frameSize) {
    const uint32_t n = static_cast<uint32_t>(data.size() - at < frameSize ? data.size() - at : frameSize);
    encoder.EncodeFrames(reinterpret_cast<const uint8_t*>(data.data() + at), n, flagLast && at + n == data.size(),
                         &ready);
  }
  encoder.Finish(&ready);
  Frames f;
  for (EncodedFrame& frame : ready) {
    f.compressed.push_back(std::move(frame.bytes));
    f.sizes.push_back(frame.size);
  }
  if (stats) *stats = encoder.Stats();
  return f;
}

// Decodes the frames; on the first failing frame returns its result and leaves *failedFrame.
inline int Decode(const Frames& f, uint32_t windowBits, std::string* out, std::size_t* failedFrame = nullptr) {
  LzxDecoder* d = nullptr;
  uint32_t inputSize = 0;
  int r = LzxQueryCreate(kLzxFrameSize, windowBits, 0, Memory(), &inputSize, &d);
  if (r != kDecoderOk) return r;
  std::vector<uint8_t> buffer(kLzxFrameSize);
  out->clear();
  for (std::size_t i = 0; i < f.compressed.size(); ++i) {
    uint32_t length = f.sizes[i];
    r = LzxDecompress(d, reinterpret_cast<const uint8_t*>(f.compressed[i].data()),
                      static_cast<uint32_t>(f.compressed[i].size()), buffer.data(), &length);
    if (r != kDecoderOk) {
      if (failedFrame) *failedFrame = i;
      break;
    }
    out->append(reinterpret_cast<const char*>(buffer.data()), length);
  }
  LzxDestroy(d);
  return r;
}

inline std::size_t TotalSize(const Frames& f) {
  std::size_t n = 0;
  for (const std::string& s : f.compressed) n += s.size();
  return n;
}

}  // namespace lzx_test
}  // namespace vorlax
