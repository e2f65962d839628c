// Tests of the Quantum encoder: every frame it writes must decode (with the installer's own
// decoder) to the block it was given, it must really compress, and its matches must stay within
// what each match kind, the window and the folder's history allow.
#include "packer/quantum_encoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cabinet/quantum_decoder.h"
#include "cabinet/quantum_tables.h"
#include "packer/folder_encoder.h"
#include "packer/quantum_frame_encoder.h"

namespace vorlax {
namespace {

void* Alloc(uint32_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }
const DecoderMemory kMemory = {Alloc, Free};

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> data(size);
  uint32_t state = seed;
  for (uint8_t& byte : data) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return data;
}

// Lines of a log file: few distinct words, many repeats at short and medium distances.
std::vector<uint8_t> LogText(size_t size) {
  static const char* const kWords[] = {"INFO ", "WARN ", "copied ", "files\\", "data", ".pak ",
                                       "bytes ", "ok", "\r\n", "2001-01-01 "};
  std::vector<uint8_t> data;
  uint32_t state = 99;
  while (data.size() < size) {
    state = state * 1103515245u + 12345u;
    const std::string word = kWords[(state >> 16) % 10];
    data.insert(data.end(), word.begin(), word.end());
    if ((state >> 8) % 7 == 0) data.push_back(static_cast<uint8_t>('0' + (state >> 20) % 10));
  }
  data.resize(size);
  return data;
}

struct EncodedFolder {
  std::vector<std::string> frames;
  size_t packedSize = 0;
};

EncodedFolder Encode(FolderEncoder* encoder, const std::vector<uint8_t>& data) {
  EncodedFolder folder;
  for (size_t at = 0; at < data.size(); at += kMaxBlockOutput) {
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(kMaxBlockOutput, data.size() - at));
    folder.frames.emplace_back();
    EXPECT_TRUE(encoder->EncodeBlock(data.data() + at, size, at + size == data.size(), &folder.frames.back()));
    folder.packedSize += folder.frames.back().size();
  }
  return folder;
}

// Decodes a folder; empty result (and a test failure) when any frame is refused.
std::vector<uint8_t> Decode(uint32_t windowBits, const EncodedFolder& folder, size_t total) {
  QuantumDecoder* decoder = nullptr;
  uint32_t inputSize = 0;
  EXPECT_EQ(kDecoderOk, QuantumQueryCreate(0, windowBits, 0, kMemory, &inputSize, &decoder));
  std::vector<uint8_t> out, block(kMaxBlockOutput);
  for (const std::string& frame : folder.frames) {
    EXPECT_LE(frame.size(), inputSize) << "frame larger than the reader's input buffer";
    uint32_t length = static_cast<uint32_t>(std::min<size_t>(kMaxBlockOutput, total - out.size()));
    const int result = QuantumDecompress(decoder, reinterpret_cast<const uint8_t*>(frame.data()),
                                         static_cast<uint32_t>(frame.size()), block.data(), &length);
    EXPECT_EQ(kDecoderOk, result) << "frame " << out.size() / kMaxBlockOutput;
    if (result != kDecoderOk) break;
    out.insert(out.end(), block.begin(), block.begin() + length);
  }
  QuantumDestroy(decoder);
  return out;
}

TEST(QuantumPositionSlot, FirstAndLastDistanceOfEverySlot) {
  for (uint32_t slot = 0; slot < kQuantumPositionSlots; ++slot) {
    const uint32_t first = kQuantumPositionBase[slot] + kQuantumOffsetBias;
    const uint32_t last = first + (1u << kQuantumPositionExtraBits[slot]) - 1;
    EXPECT_EQ(slot, QuantumPositionSlot(first)) << first;
    EXPECT_EQ(slot, QuantumPositionSlot(last)) << last;
  }
}

// What each match kind can reach, per window; a refused match writes nothing, so the frame of
// literals around it still decodes to the literals alone.
TEST(QuantumFrameEncoder, RefusesMatchesNoKindCanCode) {
  const struct {
    uint32_t windowBits;
    uint32_t length;
    uint32_t distance;
    bool codable;
  } cases[] = {
      {21, 3, 4096, true},      {21, 3, 4097, false},      {21, 4, 262144, true},
      {21, 4, 262145, false},   {21, 5, 1u << 21, true},   {21, 5, (1u << 21) + 1, false},
      {21, 259, 1, true},       {21, 260, 1, false},       {21, 2, 1, false},
      {21, 6, 0, false},        {10, 3, 1024, true},       {10, 3, 1025, false},
      {10, 4, 1025, false},     {10, 200, 1025, false},    {12, 4, 4096, true},
  };
  for (const auto& c : cases) {
    QuantumFrameEncoder writer(c.windowBits);
    EXPECT_EQ(c.codable, writer.Match(c.length, c.distance))
        << "window " << c.windowBits << " length " << c.length << " distance " << c.distance;
  }
  QuantumFrameEncoder writer(10);
  writer.Literal('o');
  EXPECT_FALSE(writer.Match(3, 2000));
  EXPECT_FALSE(writer.Match(300, 1));
  writer.Literal('k');
  EncodedFolder folder;
  folder.frames.emplace_back();
  writer.EndFrame(&folder.frames.back());
  const std::vector<uint8_t> decoded = Decode(10, folder, 2);
  EXPECT_EQ(std::string("ok"), std::string(decoded.begin(), decoded.end()));
}

// Round trips of several kinds of data and windows, with a bound on the packed size that only
// real matching meets (and that incompressible data does not grow much).
TEST(QuantumEncoder, RoundTripsAndCompresses) {
  const std::vector<uint8_t> text = LogText(700000);
  const std::vector<uint8_t> zeros(300000, 0);
  const std::vector<uint8_t> noise = RandomBytes(200000, 5);
  const struct {
    const char* name;
    const std::vector<uint8_t>* data;
    uint32_t windowBits;
    double maxRatio;
  } cases[] = {
      {"log text, 1 KiB window", &text, 10, 0.50}, {"log text, 64 KiB window", &text, 16, 0.40},
      {"log text, 2 MiB window", &text, 21, 0.40}, {"zeros", &zeros, 15, 0.01},
      {"noise", &noise, 18, 1.02},
  };
  for (const auto& c : cases) {
    QuantumEncoder encoder(c.windowBits);
    const EncodedFolder folder = Encode(&encoder, *c.data);
    EXPECT_LE(folder.packedSize, c.data->size() * c.maxRatio) << c.name;
    EXPECT_TRUE(Decode(c.windowBits, folder, c.data->size()) == *c.data) << c.name;
  }
}

// A block that repeats the previous one is coded from the history when the window holds it, and
// cannot be when the window is smaller than the block.
TEST(QuantumEncoder, MatchesReachIntoEarlierBlocksWithinTheWindow) {
  std::vector<uint8_t> data = RandomBytes(kMaxBlockOutput, 11);
  data.insert(data.end(), data.begin(), data.end());
  for (uint32_t bits : {16u, 10u}) {
    QuantumEncoder encoder(bits);
    const EncodedFolder folder = Encode(&encoder, data);
    ASSERT_EQ(2u, folder.frames.size());
    if (bits == 16) {
      EXPECT_LT(folder.frames[1].size(), 1024u);
    } else {
      EXPECT_GT(folder.frames[1].size(), kMaxBlockOutput * 9 / 10);
    }
    EXPECT_TRUE(Decode(bits, folder, data.size()) == data) << bits;
  }
}

// A chunk of noise repeated almost 2 MiB later: the match needs the farthest slots with 19 raw
// extra bits each, interleaved with the coder's bits.
TEST(QuantumEncoder, FarMatchesUseTheWholeLargestWindow) {
  const std::vector<uint8_t> chunk = RandomBytes(20000, 1);
  std::vector<uint8_t> data = chunk;
  const std::vector<uint8_t> filler = RandomBytes((1u << 21) - 30000, 2);
  data.insert(data.end(), filler.begin(), filler.end());
  data.insert(data.end(), chunk.begin(), chunk.end());
  QuantumEncoder encoder(21);
  const EncodedFolder folder = Encode(&encoder, data);
  size_t lastTwo = folder.frames[folder.frames.size() - 1].size() + folder.frames[folder.frames.size() - 2].size();
  EXPECT_LT(lastTwo, kMaxBlockOutput) << "the repeated chunk was not found";
  EXPECT_TRUE(Decode(21, folder, data.size()) == data);
}

// A block whose frame fits the limit neither with matches nor as literals is refused, and nothing
// is appended; with the default limit (the reader's buffer) the same block is taken.
TEST(QuantumEncoder, FrameOverTheLimitIsRefused) {
  const std::vector<uint8_t> noise = RandomBytes(kMaxBlockOutput, 8);
  QuantumEncoder tight(16, 1000);
  std::string out = "kept";
  EXPECT_FALSE(tight.EncodeBlock(noise.data(), kMaxBlockOutput, false, &out));
  EXPECT_EQ("kept", out);
  QuantumEncoder standard(16);
  EXPECT_TRUE(standard.EncodeBlock(noise.data(), kMaxBlockOutput, false, &out));
  EXPECT_LE(out.size() - 4, size_t{kMaxBlockOutput + kQuantumInputSlack});
}

TEST(QuantumEncoder, RefusesBlocksItCannotTake) {
  QuantumEncoder encoder(15);
  std::string out;
  const std::vector<uint8_t> big(kMaxBlockOutput + 1, 'a');
  EXPECT_FALSE(encoder.EncodeBlock(big.data(), kMaxBlockOutput + 1, true, &out));
  EXPECT_FALSE(encoder.EncodeBlock(nullptr, 10, true, &out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(encoder.EncodeBlock(big.data(), kMaxBlockOutput, true, &out));
}

TEST(QuantumEncoder, MadeForEveryQuantumChoiceOnly) {
  for (uint16_t bits = 8; bits <= 23; ++bits) {
    CompressionChoice choice;
    choice.kind = kDecoderQuantum;
    choice.windowBits = bits;
    const bool valid = bits >= kQuantumMinWindowBits && bits <= kQuantumMaxWindowBits;
    std::unique_ptr<FolderEncoder> encoder = MakeFolderEncoder(choice);
    EXPECT_EQ(valid, encoder != nullptr) << bits;
    if (!encoder) continue;
    const std::vector<uint8_t> data = LogText(5000);
    const EncodedFolder folder = Encode(encoder.get(), data);
    EXPECT_TRUE(Decode(bits, folder, data.size()) == data) << bits;
  }
}

}  // namespace
}  // namespace vorlax
