// LZX encoder tests: every output is decoded again by our LZX decoder and compared byte for
// byte, over every window size, with and without call translation, with each block kind chosen
// by cost or forced, and with blocks that end inside frames or run over several.
#include "packer/lzx_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/lzx_call_translation.h"
#include "cabinet/lzx_test_data.h"
#include "packer/folder_encoder.h"
#include "packer/lzx_parser.h"

namespace vorlax {
namespace {

using namespace lzx_test;

struct DataKind {
  const char* name;
  std::string (*make)(std::size_t, uint32_t);
  LzxBlockType chosen;  // the kind the encoder picks for it
};

const DataKind kKinds[] = {
    {"text", Text, kLzxBlockVerbatim},
    {"random", RandomBytes, kLzxBlockUncompressed},
    {"records", Records, kLzxBlockAligned},
    {"calls", CallsAndText, kLzxBlockVerbatim},
};

void ExpectRoundTrip(const std::string& data, const LzxEncoderOptions& options,
                     uint32_t frameSize = kLzxFrameSize, LzxEncoderStats* stats = nullptr) {
  const Frames frames = Encode(data, options, frameSize, stats);
  std::string out;
  std::size_t failed = 0;
  ASSERT_EQ(Decode(frames, options.windowBits, &out, &failed), kDecoderOk) << "frame " << failed;
  ASSERT_EQ(out.size(), data.size());
  EXPECT_TRUE(out == data);
}

TEST(LzxEncoder, RoundTripsEveryWindowWithAndWithoutCallTranslation) {
  // Each data kind a little over 3 frames, so that blocks, trees and history carry over.
  for (uint32_t bits = kLzxMinWindowBits; bits <= kLzxMaxWindowBits; ++bits) {
    for (bool calls : {false, true}) {
      for (const DataKind& kind : kKinds) {
        SCOPED_TRACE(testing::Message() << kind.name << " window " << bits << " calls " << calls);
        LzxEncoderOptions options;
        options.windowBits = bits;
        options.callTranslation = calls;
        ExpectRoundTrip(kind.make(3 * kLzxFrameSize + 1001, bits), options);
      }
    }
  }
}

const LzxLevel kLevels[] = {LzxLevel::kFast, LzxLevel::kNormal, LzxLevel::kSmallest};

// Every level on every data kind, in small and large windows, with and without call
// translation: decoded again byte for byte, and the same bytes when encoded twice.
TEST(LzxEncoder, EveryLevelRoundTripsAndIsReproducible) {
  for (LzxLevel level : kLevels) {
    for (uint32_t bits : {15u, 21u}) {
      for (const DataKind& kind : kKinds) {
        SCOPED_TRACE(testing::Message() << kind.name << " level " << static_cast<int>(level) << " window " << bits);
        LzxEncoderOptions options;
        options.windowBits = bits;
        options.level = level;
        options.callTranslation = bits == 21;
        // The data's start again 66,091 bytes later: beyond a 2^15 window, within a 2^21 one;
        // history carries over frames.
        const std::string data = kind.make(2 * kLzxFrameSize + 555, bits) + kind.make(40000, bits);
        ExpectRoundTrip(data, options);
        EXPECT_TRUE(Encode(data, options).compressed == Encode(data, options).compressed);
      }
    }
  }
}

// The levels trade time for size: on text each is at least as small as the faster one, and the
// smallest level gains clearly over the fastest.
TEST(LzxEncoder, SlowerLevelsAreSmaller) {
  const std::string data = Text(6 * kLzxFrameSize, 12) + CallsAndText(2 * kLzxFrameSize, 4);
  std::size_t sizes[3];
  for (LzxLevel level : kLevels) {
    LzxEncoderOptions options;
    options.windowBits = 18;
    options.level = level;
    sizes[static_cast<int>(level)] = TotalSize(Encode(data, options));
  }
  EXPECT_LE(sizes[1], sizes[0]);
  EXPECT_LE(sizes[2], sizes[1]);
  EXPECT_LT(sizes[2], sizes[0] - sizes[0] / 50);
}

// Runs of one byte and long exact repeats: matches of the greatest length everywhere, and
// positions inside long matches left unexpanded by the cost-based parse.
TEST(LzxEncoder, LongRunsAndRepeatsRoundTripAtEveryLevel) {
  const std::string block = RandomBytes(5000, 9);
  std::string data(70000, 'a');
  for (int i = 0; i < 12; ++i) data += block;
  data += std::string(3, 'b') + std::string(40000, '\0') + block.substr(0, 1000);
  for (LzxLevel level : kLevels) {
    SCOPED_TRACE(static_cast<int>(level));
    LzxEncoderOptions options;
    options.windowBits = 16;
    options.level = level;
    const Frames frames = Encode(data, options);
    EXPECT_LT(TotalSize(frames), 12000u);
    ExpectRoundTrip(data, options);
  }
}

// Length-2 matches at new distances: the smallest level codes them where they beat two
// literals (held frames, frame by frame, and across a frame's end); the other levels never.
TEST(LzxEncoder, NearPairsRoundTripAtEveryLevel) {
  const std::string data = NearPairs(2 * kLzxFrameSize + 777, 5) + Text(5000, 6) + NearPairs(9000, 7);
  for (LzxLevel level : kLevels) {
    for (uint32_t lookahead : {0u, LzxLookaheadFrames(level)}) {
      SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(level) << " lookahead " << lookahead);
      LzxEncoderOptions options;
      options.windowBits = 15;
      options.level = level;
      options.lookaheadFrames = lookahead;
      LzxEncoderStats stats;
      const Frames frames = lookahead == 0 ? Encode(data, options, kLzxFrameSize, &stats)
                                           : EncodeHeld(data, options, kLzxFrameSize, true, &stats);
      std::string out;
      ASSERT_EQ(Decode(frames, options.windowBits, &out), kDecoderOk);
      EXPECT_TRUE(out == data);
      EXPECT_EQ(stats.newDistancePairs > 1000, level == LzxLevel::kSmallest) << stats.newDistancePairs;
    }
  }
}

// The slot of every distance a 2^21 window allows is the one whose range holds it.
TEST(LzxEncoder, SlotOfEveryDistance) {
  const uint32_t slots = LzxPositionSlots(kLzxMaxWindowBits);
  for (uint32_t d = 1; d < (1u << kLzxMaxWindowBits); ++d) {
    const uint32_t slot = LzxSlotOfDistance(d);
    ASSERT_LT(slot, slots) << d;
    ASSERT_GE(slot, kLzxRepeatedOffsets) << d;
    ASSERT_LE(LzxPositionBase(slot), d) << d;
    if (slot + 1 < slots) {
      ASSERT_GT(LzxPositionBase(slot + 1), d) << d;
    }
  }
}

TEST(LzxEncoder, DataKindsSelectTheirBlockKind) {
  for (const DataKind& kind : kKinds) {
    LzxEncoderOptions options;
    options.windowBits = 17;
    LzxEncoderStats stats;
    ExpectRoundTrip(kind.make(4 * kLzxFrameSize, 5), options, kLzxFrameSize, &stats);
    EXPECT_EQ(stats.blocks[kind.chosen], 4u) << kind.name;
  }
}

TEST(LzxEncoder, CompressesRepetitiveData) {
  LzxEncoderOptions options;
  options.windowBits = 16;
  const std::string text = Text(8 * kLzxFrameSize, 3);
  const Frames frames = Encode(text, options);
  EXPECT_LT(TotalSize(frames), text.size() / 3);
  // A long repeat far back: the second copy costs little beyond the first.
  const std::string block = RandomBytes(40000, 4);
  const Frames twice = Encode(block + Text(1000, 1) + block, options);
  EXPECT_LT(TotalSize(twice), 40000u + 8000u);
  std::string out;
  ASSERT_EQ(Decode(twice, 16, &out), kDecoderOk);
  EXPECT_TRUE(out == block + Text(1000, 1) + block);
}

// Forced block kinds with block sizes that end inside frames (odd and even) or run over
// several frames; uncompressed blocks of odd size are followed by their padding byte.
TEST(LzxEncoder, ForcedBlockKindsAndBlockSizesRoundTrip) {
  const LzxBlockType types[] = {kLzxBlockVerbatim, kLzxBlockAligned, kLzxBlockUncompressed};
  const uint32_t sizes[] = {1, 777, 1001, 32767, 32768, 32769, 40001, 100003};
  for (LzxBlockType type : types) {
    for (uint32_t blockSize : sizes) {
      // One-byte blocks matter for the padding of uncompressed blocks; with trees they would
      // only repeat the 777-byte case, thousands of times over.
      if (blockSize == 1 && type != kLzxBlockUncompressed) continue;
      for (bool calls : {false, true}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " block " << blockSize << " calls " << calls);
        LzxEncoderOptions options;
        options.windowBits = 15;
        // The cost-based parse for blocks that start inside frames and continue over several.
        options.level = calls ? LzxLevel::kSmallest : LzxLevel::kNormal;
        options.forcedBlockType = type;
        options.blockSize = blockSize;
        options.callTranslation = calls;
        LzxEncoderStats stats;
        // Tiny blocks mean a tree header every few bytes: less data, still over two frames.
        const std::size_t textSize = blockSize < 1000 ? kLzxFrameSize + 5 : 3 * kLzxFrameSize + 5;
        const std::string data = CallsAndText(textSize, blockSize) + RandomBytes(kLzxFrameSize / 2, 1);
        ExpectRoundTrip(data, options, kLzxFrameSize, &stats);
        const uint32_t expectedBlocks = static_cast<uint32_t>((data.size() + blockSize - 1) / blockSize);
        EXPECT_EQ(stats.blocks[type], expectedBlocks);
      }
    }
  }
}

TEST(LzxEncoder, OddUncompressedBlockEndingAtAFrameEnd) {
  // Frames of 5 bytes, uncompressed blocks of 5: every block is odd and ends with its frame.
  LzxEncoderOptions options;
  options.forcedBlockType = kLzxBlockUncompressed;
  options.blockSize = 5;
  const std::string data = Text(200, 8);
  const Frames frames = Encode(data, options, 5);
  // The first frame: header word pair, 12 bytes of offsets, 5 bytes, 1 padding byte.
  EXPECT_EQ(frames.compressed[0].size(), 4u + 12u + 5u + 1u);
  ExpectRoundTrip(data, options, 5);
}

TEST(LzxEncoder, ManySmallFramesAndCallTranslationPast32768Frames) {
  // Frames of 16 bytes, each with a call; from frame 32,768 on no translation takes place.
  std::string data;
  for (uint32_t i = 0; i < kLzxTranslationFrameLimit + 3; ++i) {
    std::string f(16, 'x');
    f[0] = static_cast<char>(0xE8);
    WriteLe32(reinterpret_cast<uint8_t*>(&f[1]), i * 7);
    data += f;
  }
  LzxEncoderOptions options;
  options.callTranslation = true;
  options.forcedBlockType = kLzxBlockUncompressed;
  options.blockSize = static_cast<uint32_t>(data.size());
  const Frames frames = Encode(data, options, 16);
  // The raw bytes show what was stored: translated targets before frame 32,768, plain after.
  const std::string& late = frames.compressed[kLzxTranslationFrameLimit];
  EXPECT_EQ(late, data.substr(16 * kLzxTranslationFrameLimit, 16));
  const std::string& early = frames.compressed[kLzxTranslationFrameLimit - 1];
  const uint32_t position = 16 * (kLzxTranslationFrameLimit - 1);
  EXPECT_EQ(ReadLe32(reinterpret_cast<const uint8_t*>(early.data() + 1)),
            (kLzxTranslationFrameLimit - 1) * 7 + position);
  std::string out;
  ASSERT_EQ(Decode(frames, options.windowBits, &out), kDecoderOk);
  EXPECT_TRUE(out == data);
}

// Matches reaching almost a whole window back from just past the window's wrap: their source
// lies a few bytes ahead of the write position in the window, where a copy that runs ahead of
// itself would read bytes it had just overwritten.
TEST(LzxEncoder, MatchesNearlyAWindowBackAcrossTheWrap) {
  const struct { uint32_t bits; std::vector<uint32_t> gaps; } cases[] = {
      {15, {3, 4, 7, 8, 9}}, {16, {3, 5, 7, 8}}, {21, {3, 7}}};
  for (const auto& c : cases) {
    const uint32_t bits = c.bits;
    const uint32_t window = 1u << bits;
    for (uint32_t gap : c.gaps) {
      SCOPED_TRACE(testing::Message() << "window " << bits << " distance W-" << gap);
      // A random island at the start is the only place the copied bytes occur; text elsewhere
      // keeps the encoding quick.
      std::string data = RandomBytes(300, bits * 31 + gap) + Text(window + 100, gap);
      const uint32_t at = window + 10;  // 10 bytes past the wrap
      data.replace(at, 203, data.substr(at - (window - gap), 203));  // not a multiple of 8
      LzxEncoderOptions options;
      options.windowBits = bits;
      ExpectRoundTrip(data, options);
    }
  }
}

// Held frames: blocks of whole frames chosen by cost. Text, then incompressible bytes, then
// records, the last frame short: blocks run over several frames, an uncompressed block among
// them, at every level, whether the encoder holds all frames or codes them three at a time.
TEST(LzxEncoderHeldFrames, BlocksRunOverFramesAndRoundTripAtEveryLevel) {
  const std::string data = Text(5 * kLzxFrameSize, 2) + RandomBytes(3 * kLzxFrameSize, 3) + Records(70001, 4);
  const std::size_t frameCount = (data.size() + kLzxFrameSize - 1) / kLzxFrameSize;
  for (LzxLevel level : kLevels) {
    for (uint32_t lookahead : {LzxLookaheadFrames(level), 3u}) {
      for (uint32_t bits : {15u, 21u}) {
        SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(level) << " lookahead " << lookahead
                                        << " window " << bits);
        LzxEncoderOptions options;
        options.windowBits = bits;
        options.level = level;
        options.callTranslation = bits == 21;
        options.lookaheadFrames = lookahead;
        LzxEncoderStats stats;
        const Frames frames = EncodeHeld(data, options, kLzxFrameSize, true, &stats);
        ASSERT_EQ(frames.compressed.size(), frameCount);
        std::string out;
        std::size_t failed = 0;
        ASSERT_EQ(Decode(frames, bits, &out, &failed), kDecoderOk) << "frame " << failed;
        EXPECT_TRUE(out == data);
        const uint32_t blocks = stats.blocks[kLzxBlockVerbatim] + stats.blocks[kLzxBlockAligned] +
                                stats.blocks[kLzxBlockUncompressed];
        EXPECT_LT(blocks, frameCount);
        EXPECT_GE(stats.blocks[kLzxBlockUncompressed], 1u);
        EXPECT_TRUE(EncodeHeld(data, options).compressed == frames.compressed);
      }
    }
  }
}

// A folder that ends on a full frame given without lastBlock (Finish gives the held frames out),
// and frames of a few bytes each, many to a block.
TEST(LzxEncoderHeldFrames, FolderEndingOnAFullFrameAndSmallFrames) {
  for (LzxLevel level : kLevels) {
    SCOPED_TRACE(static_cast<int>(level));
    LzxEncoderOptions options;
    options.windowBits = 16;
    options.level = level;
    options.lookaheadFrames = LzxLookaheadFrames(level);
    const std::string full = CallsAndText(4 * kLzxFrameSize, 7);
    const Frames frames = EncodeHeld(full, options, kLzxFrameSize, false);
    ASSERT_EQ(frames.compressed.size(), 4u);
    std::string out;
    ASSERT_EQ(Decode(frames, 16, &out), kDecoderOk);
    EXPECT_TRUE(out == full);
    const std::string small = Text(3000, 8) + RandomBytes(400, 9) + Text(2000, 10);
    LzxEncoderStats stats;
    const Frames pieces = EncodeHeld(small, options, 77, true, &stats);
    ASSERT_EQ(Decode(pieces, 16, &out), kDecoderOk);
    EXPECT_TRUE(out == small);
    EXPECT_LT(stats.blocks[kLzxBlockVerbatim] + stats.blocks[kLzxBlockAligned] + stats.blocks[kLzxBlockUncompressed],
              pieces.compressed.size());
  }
}

// Trees shared by several frames make text smaller than a block per frame, at every level.
TEST(LzxEncoderHeldFrames, SmallerThanABlockPerFrame) {
  const std::string data = Text(8 * kLzxFrameSize, 21);
  for (LzxLevel level : kLevels) {
    LzxEncoderOptions options;
    options.windowBits = 17;
    options.level = level;
    const std::size_t perFrame = TotalSize(Encode(data, options));
    options.lookaheadFrames = LzxLookaheadFrames(level);
    EXPECT_LT(TotalSize(EncodeHeld(data, options)), perFrame) << static_cast<int>(level);
  }
}

TEST(LzxEncoderHeldFrames, FrameByFrameEncodingIsRefusedWhileFramesAreHeld) {
  LzxEncoderOptions options;
  options.lookaheadFrames = 4;
  LzxEncoder encoder(options);
  const std::string data(100, 'a');
  std::string out;
  EXPECT_FALSE(encoder.EncodeBlock(reinterpret_cast<const uint8_t*>(data.data()), 100, true, &out));
}

TEST(LzxEncoder, FramesAbove32768BytesAreRefused) {
  LzxEncoder encoder(LzxEncoderOptions{});
  const std::string data(kLzxFrameSize + 1, 'a');
  std::string out;
  EXPECT_FALSE(encoder.EncodeBlock(reinterpret_cast<const uint8_t*>(data.data()), kLzxFrameSize + 1,
                                   true, &out));
}

TEST(LzxCallTranslation, EncoderDirectionIsUndoneForEveryValue) {
  // Values around every boundary of the rule, at several positions and translation sizes.
  Random r(3);
  for (uint32_t size : {1u, 1000u, 12000000u, 0x40000000u}) {
    for (uint32_t position : {0u, 1u, 999u, 1000u, 5000000u, 0x3FFF0000u}) {
      std::vector<uint32_t> values = {0, 1, size - 1, size, size + 1, 0u - 1, 0u - position,
                                      0u - position - 1, size - position, size - position - 1,
                                      0x7FFFFFFF, 0x80000000};
      for (int i = 0; i < 50; ++i) values.push_back(r.Next());
      for (uint32_t v : values) {
        std::string frame(16, 'x');
        frame[0] = static_cast<char>(0xE8);
        WriteLe32(reinterpret_cast<uint8_t*>(&frame[1]), v);
        std::string stored = frame;
        LzxTranslateCalls(reinterpret_cast<uint8_t*>(&stored[0]), 16, position, size);
        LzxUntranslateCalls(reinterpret_cast<uint8_t*>(&stored[0]), 16, position, size);
        ASSERT_EQ(stored, frame) << "value " << v << " position " << position << " size " << size;
      }
    }
  }
}

TEST(LzxFolderEncoder, CompressionChoiceMakesAnLzxEncoder) {
  for (uint16_t bits : {14, 15, 21, 22}) {
    CompressionChoice choice;
    choice.kind = kDecoderLzx;
    choice.windowBits = bits;
    const bool valid = bits >= 15 && bits <= 21;
    EXPECT_EQ(MakeFolderEncoder(choice) != nullptr, valid) << bits;
  }
  CompressionChoice parsed;
  std::string error;
  ASSERT_TRUE(ParseCompressionChoice("lzx:21", &parsed, &error));
  EXPECT_EQ(parsed.CompressionType(), 0x1503);
  EXPECT_FALSE(ParseCompressionChoice("lzx:22", &parsed, &error));
  EXPECT_FALSE(ParseCompressionChoice("lzx:14", &parsed, &error));
}

}  // namespace
}  // namespace vorlax
