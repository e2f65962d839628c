// Tests of the Quantum decoder: its tables and models, creation limits, round trips through the
// packer's encoder and the frames it must refuse. Bad frames are written symbol by symbol with the
// packer's frame encoder, so each shows exactly one fault.
#include "cabinet/quantum_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cabinet/quantum_model.h"
#include "cabinet/quantum_tables.h"
#include "packer/quantum_encoder.h"
#include "packer/quantum_frame_encoder.h"

namespace vorlax {
namespace {

int g_allocations = 0;
int g_frees = 0;
int g_failAllocation = 0;  // 1-based index of the allocation to fail, 0 for none

void* CountingAlloc(uint32_t size) {
  ++g_allocations;
  if (g_failAllocation == g_allocations) return nullptr;
  return std::malloc(size);
}
void CountingFree(void* block) {
  if (block != nullptr) ++g_frees;
  std::free(block);
}
const DecoderMemory kMemory = {CountingAlloc, CountingFree};

class QuantumDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { g_allocations = g_frees = g_failAllocation = 0; }
  void TearDown() override { EXPECT_EQ(g_allocations - (g_failAllocation ? 1 : 0), g_frees); }

  QuantumDecoder* Create(uint32_t windowBits, uint32_t maxOutput = kMaxBlockOutput) {
    QuantumDecoder* decoder = nullptr;
    uint32_t inputSize = 0;
    EXPECT_EQ(kDecoderOk, QuantumQueryCreate(maxOutput, windowBits, 0, kMemory, &inputSize, &decoder));
    return decoder;
  }
};

// Text-like data with long repeats, a stretch of noise and runs: every model and match kind is used.
std::vector<uint8_t> MixedData(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"quantum ", "window ", "cabinet ", "folder ", "frame ", "model ",
                                       "\r\n", "0x4000 ", "slot ", "arithmetic "};
  std::vector<uint8_t> data;
  uint32_t state = seed;
  auto next = [&state]() { return state = state * 1103515245u + 12345u; };
  while (data.size() < size) {
    const uint32_t choice = (next() >> 16) % 16;
    if (choice < 10) {
      const char* word = kWords[(next() >> 16) % 10];
      data.insert(data.end(), word, word + std::strlen(word));
    } else if (choice < 12 && data.size() > 300) {
      const size_t from = data.size() - 1 - (next() >> 8) % (data.size() < 200000 ? data.size() - 1 : 200000);
      const size_t length = 3 + (next() >> 16) % 280;
      for (size_t i = 0; i < length && from + i < data.size(); ++i) data.push_back(data[from + i]);
    } else if (choice < 14) {
      for (int i = 0; i < 40; ++i) data.push_back(static_cast<uint8_t>(next() >> 24));
    } else {
      data.insert(data.end(), 1 + (next() >> 16) % 600, static_cast<uint8_t>(next() >> 24));
    }
  }
  data.resize(size);
  return data;
}

std::vector<std::string> EncodeFolder(const std::vector<uint8_t>& data, uint32_t windowBits) {
  QuantumEncoder encoder(windowBits);
  std::vector<std::string> frames;
  for (size_t at = 0; at < data.size(); at += kMaxBlockOutput) {
    const uint32_t size = static_cast<uint32_t>(std::min<size_t>(kMaxBlockOutput, data.size() - at));
    frames.emplace_back();
    EXPECT_TRUE(encoder.EncodeBlock(data.data() + at, size, at + size == data.size(), &frames.back()));
  }
  return frames;
}

// Decodes the frames (each of the given wanted size, the last one shorter) and answers the first
// failing result, or kDecoderOk with *out holding the data.
int DecodeFolder(QuantumDecoder* decoder, const std::vector<std::string>& frames, size_t total,
                 std::vector<uint8_t>* out) {
  out->clear();
  std::vector<uint8_t> block(kMaxBlockOutput);
  for (const std::string& frame : frames) {
    uint32_t length = static_cast<uint32_t>(std::min<size_t>(kMaxBlockOutput, total - out->size()));
    const int result = QuantumDecompress(decoder, reinterpret_cast<const uint8_t*>(frame.data()),
                                         static_cast<uint32_t>(frame.size()), block.data(), &length);
    if (result != kDecoderOk) return result;
    out->insert(out->end(), block.begin(), block.begin() + length);
  }
  return kDecoderOk;
}

// One frame written symbol by symbol.
struct Step {
  uint32_t length;    // 0: literal
  uint32_t distance;  // the literal byte when length is 0
};

std::string WriteFrame(QuantumFrameEncoder* writer, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    if (step.length == 0) {
      writer->Literal(static_cast<uint8_t>(step.distance));
    } else {
      EXPECT_TRUE(writer->Match(step.length, step.distance));
    }
  }
  std::string frame;
  writer->EndFrame(&frame);
  return frame;
}

int DecodeOne(QuantumDecoder* decoder, const std::string& frame, uint32_t wanted, std::vector<uint8_t>* out) {
  out->assign(wanted, 0);
  uint32_t length = wanted;
  const int result = QuantumDecompress(decoder, reinterpret_cast<const uint8_t*>(frame.data()),
                                       static_cast<uint32_t>(frame.size()), out->data(), &length);
  out->resize(length);
  return result;
}

TEST(QuantumTables, SlotsFollowTheirRules) {
  uint32_t base = 0;
  for (uint32_t slot = 0; slot < kQuantumPositionSlots; ++slot) {
    const uint32_t extra = slot < 2 ? 0 : slot / 2 - 1;
    EXPECT_EQ(extra, kQuantumPositionExtraBits[slot]) << slot;
    EXPECT_EQ(base, kQuantumPositionBase[slot]) << slot;
    base += 1u << extra;
  }
  EXPECT_EQ(1u << kQuantumMaxWindowBits, base);
  base = 0;
  for (uint32_t slot = 0; slot < kQuantumLengthSlots; ++slot) {
    const uint32_t extra = (slot < 6 || slot == 26) ? 0 : (slot - 6) / 4 + 1;
    EXPECT_EQ(extra, kQuantumLengthExtraBits[slot]) << slot;
    EXPECT_EQ(base, kQuantumLengthBase[slot]) << slot;
    base += 1u << extra;
  }
}

TEST(QuantumTables, WindowSlotsReachExactlyTheWindow) {
  for (uint32_t bits = kQuantumMinWindowBits; bits <= kQuantumMaxWindowBits; ++bits) {
    EXPECT_EQ(1u << bits, QuantumMaxDistance(QuantumWindowSlots(bits))) << bits;
  }
  EXPECT_EQ(20u, QuantumWindowSlots(10));
  EXPECT_EQ(42u, QuantumWindowSlots(21));
}

TEST(QuantumModel, SlotModelsFollowTheWindow) {
  const struct {
    uint32_t bits;
    uint16_t offset3, offset4, offsetLong;
  } cases[] = {{10, 20, 20, 20}, {12, 24, 24, 24}, {15, 24, 30, 30}, {18, 24, 36, 36}, {21, 24, 36, 42}};
  for (const auto& c : cases) {
    QuantumModels models;
    QuantumModelsInit(&models, c.bits);
    EXPECT_EQ(c.offset3, models.offset3.symbols) << c.bits;
    EXPECT_EQ(c.offset4, models.offset4.symbols) << c.bits;
    EXPECT_EQ(c.offsetLong, models.offsetLong.symbols) << c.bits;
    EXPECT_EQ(7, models.selector.symbols);
    EXPECT_EQ(27, models.length.symbols);
    for (const QuantumModel& literal : models.literal) EXPECT_EQ(64, literal.symbols);
  }
}

TEST(QuantumModel, StartsWithEveryFrequencyOne) {
  QuantumModel model;
  QuantumModelInit(&model, 7);
  for (uint32_t i = 0; i <= 7; ++i) {
    EXPECT_EQ(7 - i, model.cum[i]);
    EXPECT_EQ(i, model.sym[i]);
  }
  EXPECT_EQ(kQuantumFirstRebuildCountdown, model.countdown);
}

// Three symbols; symbol 2 is coded until the total passes the limit, four times over. The first
// three rescales halve the cumulative frequencies in place; the fourth sorts symbol 2 to the front.
TEST(QuantumModel, HalvesThriceThenRebuildsSortedByFrequency) {
  QuantumModel model;
  QuantumModelInit(&model, 3);
  for (int rescale = 1; rescale <= 4; ++rescale) {
    const uint16_t before = model.countdown;
    uint32_t entry = 0;
    while (model.sym[entry] != 2) ++entry;
    while (model.countdown == before) QuantumModelUpdate(&model, entry);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_GT(model.cum[i], model.cum[i + 1]) << rescale;
    EXPECT_EQ(0, model.cum[3]);
    if (rescale < 4) {
      EXPECT_EQ(4 - rescale, model.countdown);
      EXPECT_EQ(2, model.sym[2]) << "halving keeps the order";
      EXPECT_LE(model.cum[0], kQuantumRescaleLimit / 2 + kQuantumFrequencyStep);
    } else {
      EXPECT_EQ(kQuantumRebuildCountdown, model.countdown);
      EXPECT_EQ(2, model.sym[0]);
    }
  }
  // After the rebuild symbol 2 owns nearly the whole range. Symbols 0 and 1 keep frequency 1; the
  // exchange that brought symbol 2 to the front moved symbol 0 to its old entry.
  EXPECT_EQ(1, model.sym[1]);
  EXPECT_EQ(0, model.sym[2]);
  EXPECT_EQ(1, model.cum[2]);
  EXPECT_EQ(2, model.cum[1]);
}

// The halving rule: cum[i] / 2, raised to cum[i + 1] + 1.
TEST(QuantumModel, HalvingKeepsEverySymbolARange) {
  QuantumModel model;
  QuantumModelInit(&model, 4);
  const uint16_t cum[5] = {3801, 5, 4, 3, 0};
  std::memcpy(model.cum, cum, sizeof cum);
  QuantumModelRescale(&model);
  const uint16_t expected[5] = {1900, 3, 2, 1, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], model.cum[i]) << i;
}

TEST_F(QuantumDecoderTest, WindowExponentsOutsideTenToTwentyOneAreRefused) {
  const struct {
    uint32_t bits;
    int result;
  } cases[] = {{0, kDecoderBadWindow}, {9, kDecoderBadWindow}, {10, kDecoderOk},
               {15, kDecoderOk},       {21, kDecoderOk},       {22, kDecoderBadWindow},
               {31, kDecoderBadWindow}};
  for (const auto& c : cases) {
    QuantumDecoder* decoder = nullptr;
    uint32_t inputSize = 0;
    EXPECT_EQ(c.result, QuantumQueryCreate(0, c.bits, 0, kMemory, &inputSize, &decoder)) << c.bits;
    EXPECT_EQ(c.result == kDecoderOk, decoder != nullptr) << c.bits;
    if (decoder != nullptr) {
      EXPECT_EQ(kDecoderOk, QuantumDestroy(decoder));
    }
  }
}

TEST_F(QuantumDecoderTest, QueryReportsTheInputBufferWithoutAllocating) {
  const struct {
    uint32_t maxOutput;
    uint32_t inputSize;
  } cases[] = {{0, 32768 + 10240}, {1000, 1000 + 10240}, {32768, 32768 + 10240}, {40000, 32768 + 10240}};
  for (const auto& c : cases) {
    uint32_t inputSize = 0;
    EXPECT_EQ(kDecoderOk, QuantumQueryCreate(c.maxOutput, 16, 0, kMemory, &inputSize, nullptr));
    EXPECT_EQ(c.inputSize, inputSize) << c.maxOutput;
  }
  EXPECT_EQ(0, g_allocations);
}

TEST_F(QuantumDecoderTest, FailedAllocationsReportNoMemoryAndLeakNothing) {
  for (int failing = 1; failing <= 2; ++failing) {
    g_allocations = g_frees = 0;
    g_failAllocation = failing;
    QuantumDecoder* decoder = reinterpret_cast<QuantumDecoder*>(&g_frees);
    uint32_t inputSize = 0;
    EXPECT_EQ(kDecoderNoMemory, QuantumQueryCreate(0, 21, 0, kMemory, &inputSize, &decoder));
    EXPECT_EQ(nullptr, decoder);
    EXPECT_EQ(failing - 1, g_frees) << "allocation " << failing;
  }
}

TEST_F(QuantumDecoderTest, BadHandlesAreRefused) {
  uint8_t output[16] = {};
  uint32_t length = 1;
  EXPECT_EQ(kDecoderBadHandle, QuantumDecompress(nullptr, output, 0, output, &length));
  EXPECT_EQ(kDecoderBadHandle, QuantumReset(nullptr));
  EXPECT_EQ(kDecoderBadHandle, QuantumDestroy(nullptr));
  alignas(8) uint8_t notADecoder[64] = {'D', 'I', 'C', 'Q'};
  QuantumDecoder* bogus = reinterpret_cast<QuantumDecoder*>(notADecoder);
  EXPECT_EQ(kDecoderBadHandle, QuantumDecompress(bogus, output, 0, output, &length));
  EXPECT_EQ(kDecoderBadHandle, QuantumReset(bogus));
  EXPECT_EQ(kDecoderBadHandle, QuantumDestroy(bogus));
}

TEST_F(QuantumDecoderTest, WantedLengthAboveTheMaximumIsRefused) {
  QuantumDecoder* decoder = Create(12, 1000);
  std::vector<uint8_t> input(16, 0), output(2000);
  uint32_t length = 1001;
  EXPECT_EQ(kDecoderInputTooLong, QuantumDecompress(decoder, input.data(), 16, output.data(), &length));
  EXPECT_EQ(0u, length);
  QuantumDestroy(decoder);
}

// Several windows, 1.2 MB each: every model rescales and is rebuilt many times, the small windows
// wrap hundreds of times, and a reset folder decodes like a fresh one.
TEST_F(QuantumDecoderTest, RoundTripsFoldersForSeveralWindows) {
  const std::vector<uint8_t> data = MixedData(1200000, 7);
  for (uint32_t bits : {10u, 12u, 15u, 17u, 21u}) {
    const std::vector<std::string> frames = EncodeFolder(data, bits);
    size_t packed = 0;
    for (const std::string& frame : frames) packed += frame.size();
    EXPECT_LT(packed, data.size() * 3 / 4) << "window " << bits;
    QuantumDecoder* decoder = Create(bits);
    std::vector<uint8_t> decoded;
    for (int folder = 0; folder < 2; ++folder) {
      ASSERT_EQ(kDecoderOk, DecodeFolder(decoder, frames, data.size(), &decoded)) << bits;
      ASSERT_TRUE(decoded == data) << "window " << bits << " folder " << folder;
      EXPECT_EQ(kDecoderOk, QuantumReset(decoder));
    }
    QuantumDestroy(decoder);
  }
}

TEST_F(QuantumDecoderTest, FrameThatEndsEarlyFails) {
  const std::vector<uint8_t> data = MixedData(kMaxBlockOutput, 3);
  const std::vector<std::string> frames = EncodeFolder(data, 15);
  ASSERT_EQ(1u, frames.size());
  QuantumDecoder* decoder = Create(15);
  std::vector<uint8_t> out;
  EXPECT_EQ(kDecoderOk, DecodeOne(decoder, frames[0], kMaxBlockOutput, &out));
  EXPECT_TRUE(out == data);
  // The encoder pads a frame with at most 9 bits, so cutting two bytes always removes coded bits.
  const struct {
    const char* name;
    size_t keep;
  } cuts[] = {{"empty", 0}, {"one byte", 1}, {"half", frames[0].size() / 2}, {"last coded bits cut", frames[0].size() - 2}};
  for (const auto& cut : cuts) {
    QuantumReset(decoder);
    EXPECT_EQ(kDecoderDataError, DecodeOne(decoder, frames[0].substr(0, cut.keep), kMaxBlockOutput, &out))
        << cut.name;
    EXPECT_EQ(0u, out.size()) << cut.name;
  }
  // A complete frame asked for more bytes than it holds runs out of input as well.
  QuantumReset(decoder);
  const std::string shortFrame = EncodeFolder(std::vector<uint8_t>(data.begin(), data.begin() + 5000), 15)[0];
  EXPECT_EQ(kDecoderDataError, DecodeOne(decoder, shortFrame, 6000, &out));
  QuantumDestroy(decoder);
}

TEST_F(QuantumDecoderTest, MatchReachingBeforeTheHistoryFails) {
  const struct {
    const char* name;
    std::vector<Step> steps;
    uint32_t wanted;
    int result;
  } cases[] = {
      {"first symbol a match", {{3, 1}}, 3, kDecoderDataError},
      {"one byte short", {{0, 'a'}, {0, 'b'}, {4, 3}}, 6, kDecoderDataError},
      {"exactly the history", {{0, 'a'}, {0, 'b'}, {4, 2}}, 6, kDecoderOk},
      {"long match one short", {{0, 'x'}, {20, 2}}, 21, kDecoderDataError},
  };
  for (const auto& c : cases) {
    QuantumFrameEncoder writer(12);
    QuantumDecoder* decoder = Create(12);
    std::vector<uint8_t> out;
    EXPECT_EQ(c.result, DecodeOne(decoder, WriteFrame(&writer, c.steps), c.wanted, &out)) << c.name;
    if (c.result == kDecoderOk) {
      EXPECT_EQ(std::string("ababab"), std::string(out.begin(), out.end()));
    }
    QuantumDestroy(decoder);
  }
}

// The window still holds the previous folder after a reset; a match into it must fail.
TEST_F(QuantumDecoderTest, ResetForgetsTheHistory) {
  QuantumFrameEncoder writer(10);
  QuantumDecoder* decoder = Create(10);
  std::vector<uint8_t> out;
  std::vector<Step> letters;
  for (int i = 0; i < 100; ++i) letters.push_back({0, static_cast<uint32_t>('a' + i % 26)});
  ASSERT_EQ(kDecoderOk, DecodeOne(decoder, WriteFrame(&writer, letters), 100, &out));
  QuantumReset(decoder);
  writer.Reset();
  EXPECT_EQ(kDecoderDataError, DecodeOne(decoder, WriteFrame(&writer, {{0, 'z'}, {5, 50}}), 6, &out));
  QuantumDestroy(decoder);
}

TEST_F(QuantumDecoderTest, MatchLongerThanTheBytesLeftFails) {
  QuantumFrameEncoder writer(12);
  QuantumDecoder* decoder = Create(12);
  std::vector<uint8_t> out;
  const std::string frame = WriteFrame(&writer, {{0, 'a'}, {0, 'b'}, {0, 'c'}, {5, 3}});
  EXPECT_EQ(kDecoderDataError, DecodeOne(decoder, frame, 7, &out));
  QuantumReset(decoder);
  EXPECT_EQ(kDecoderOk, DecodeOne(decoder, frame, 8, &out));
  EXPECT_EQ(std::string("abcabcab"), std::string(out.begin(), out.end()));
  QuantumDestroy(decoder);
}

// A distance of the whole window copies the byte the write position is about to overwrite, across
// the window's end.
TEST_F(QuantumDecoderTest, MatchAcrossTheWholeWindowWraps) {
  QuantumFrameEncoder writer(10);
  QuantumDecoder* decoder = Create(10);
  std::vector<Step> steps;
  std::vector<uint8_t> expected;
  for (uint32_t i = 0; i < 1030; ++i) {
    steps.push_back({0, (i * 7 + i / 13) & 0xFF});
    expected.push_back(static_cast<uint8_t>((i * 7 + i / 13) & 0xFF));
  }
  steps.push_back({259, 1024});
  for (uint32_t i = 0; i < 259; ++i) expected.push_back(expected[expected.size() - 1024]);
  std::vector<uint8_t> out;
  ASSERT_EQ(kDecoderOk, DecodeOne(decoder, WriteFrame(&writer, steps), 1030 + 259, &out));
  EXPECT_TRUE(out == expected);
  QuantumDestroy(decoder);
}

// Every way a match is copied (a run of one byte, short and long overlaps, sources after the
// write position in the window's older half, across the window's end) gives what a copy byte by
// byte from the history gives. The window is 1 KiB; 1,100 literals come first.
TEST_F(QuantumDecoderTest, MatchCopiesEqualTheByteByByteCopy) {
  const struct {
    uint32_t length;
    uint32_t distance;
  } matches[] = {{259, 1}, {100, 2}, {50, 7}, {100, 8}, {259, 9},  {20, 1000},
                 {30, 1020}, {259, 1024}, {5, 300}, {3, 4}, {200, 900}, {40, 1023}};
  for (const auto& match : matches) {
    QuantumFrameEncoder writer(10);
    QuantumDecoder* decoder = Create(10);
    std::vector<Step> steps;
    std::vector<uint8_t> expected;
    for (uint32_t i = 0; i < 1100; ++i) {
      const uint8_t byte = static_cast<uint8_t>((i * 37) ^ (i >> 3));
      steps.push_back({0, byte});
      expected.push_back(byte);
    }
    steps.push_back({match.length, match.distance});
    for (uint32_t i = 0; i < match.length; ++i) expected.push_back(expected[expected.size() - match.distance]);
    steps.push_back({0, 'z'});
    expected.push_back('z');
    std::vector<uint8_t> out;
    ASSERT_EQ(kDecoderOk, DecodeOne(decoder, WriteFrame(&writer, steps), static_cast<uint32_t>(expected.size()), &out))
        << match.length << " from " << match.distance;
    EXPECT_TRUE(out == expected) << match.length << " from " << match.distance;
    QuantumDestroy(decoder);
  }
}

}  // namespace
}  // namespace vorlax
