// The MSZIP decoder: its interface results, each kind of damaged block (built bit by bit with
// MszipBitWriter), the history window shared between blocks, stopping at the wanted length, and
// a comparison with zlib on real deflate streams.
#include "cabinet/mszip_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/mszip_tables.h"
#include "mszip_bit_writer.h"

namespace vorlax {
namespace {

using test::CanonicalCodes;
using test::MszipBitWriter;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kUntouched = 0xA5;  // fills the window, so that stray writes show

int allocations = 0;
void* CountingAlloc(uint32_t size) {
  ++allocations;
  return std::malloc(size);
}
void* FailingAlloc(uint32_t) { return nullptr; }
void Free(void* block) { std::free(block); }
void KeepFree(void*) {}  // leaves the memory readable, to look at a destroyed handle

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

class MszipDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uint32_t inputSize = 0;
    ASSERT_EQ(MszipQueryCreate(0, DecoderMemory{CountingAlloc, Free}, &inputSize, &decoder_), kDecoderOk);
    window_.assign(kMaxBlockOutput, kUntouched);
  }
  void TearDown() override {
    if (decoder_) {
      EXPECT_EQ(MszipDestroy(decoder_), kDecoderOk);
    }
  }

  // Decodes one block into the window; `produced_` holds the produced length on success.
  int Decode(const Bytes& block, uint32_t wanted = kMaxBlockOutput) {
    produced_ = wanted;
    return MszipDecompress(decoder_, block.data(), static_cast<uint32_t>(block.size()), window_.data(),
                           &produced_);
  }
  Bytes Output() const { return Bytes(window_.begin(), window_.begin() + produced_); }

  MszipDecoder* decoder_ = nullptr;
  Bytes window_;
  uint32_t produced_ = 0;
};

// ---- interface ----

TEST(MszipDecoderInterface, SizesQueryAllocatesNothing) {
  struct Case {
    uint32_t maxOutput;
    uint32_t inputSize;
  };
  const Case cases[] = {{0, 32780}, {32768, 32780}, {40000, 32780}, {1000, 1012}, {1, 13}};
  for (const Case& c : cases) {
    allocations = 0;
    uint32_t size = 0;
    EXPECT_EQ(MszipQueryCreate(c.maxOutput, DecoderMemory{CountingAlloc, Free}, &size, nullptr), kDecoderOk);
    EXPECT_EQ(size, c.inputSize) << c.maxOutput;
    EXPECT_EQ(allocations, 0);
  }
}

TEST(MszipDecoderInterface, CreationWithoutMemoryFails) {
  uint32_t size = 0;
  MszipDecoder* decoder = reinterpret_cast<MszipDecoder*>(&size);
  EXPECT_EQ(MszipQueryCreate(0, DecoderMemory{FailingAlloc, Free}, &size, &decoder), kDecoderNoMemory);
  EXPECT_EQ(decoder, nullptr);
  EXPECT_EQ(size, 32780u);
}

TEST(MszipDecoderInterface, BadHandlesAreRefused) {
  Bytes window(kMaxBlockOutput);
  uint8_t* out = window.data();
  uint32_t length = kMaxBlockOutput;
  const uint8_t block[] = {'C', 'K', 0x03, 0x00};
  EXPECT_EQ(MszipDecompress(nullptr, block, sizeof block, out, &length), kDecoderBadHandle);
  EXPECT_EQ(MszipReset(nullptr), kDecoderBadHandle);
  EXPECT_EQ(MszipDestroy(nullptr), kDecoderBadHandle);

  // A destroyed handle has its tag cleared (the free callback here keeps the memory readable).
  std::vector<uint8_t> memory;
  static std::vector<uint8_t>* backing = nullptr;
  backing = &memory;
  auto keepAlloc = [](uint32_t size) -> void* {
    backing->assign(size, 0);
    return backing->data();
  };
  uint32_t size = 0;
  MszipDecoder* decoder = nullptr;
  ASSERT_EQ(MszipQueryCreate(0, DecoderMemory{keepAlloc, KeepFree}, &size, &decoder), kDecoderOk);
  ASSERT_EQ(MszipDecompress(decoder, block, sizeof block, out, &length), kDecoderOk);
  EXPECT_EQ(ReadLe32(memory.data()), 0x4349444Du);  // "MDIC"
  ASSERT_EQ(MszipDestroy(decoder), kDecoderOk);
  EXPECT_EQ(MszipDecompress(decoder, block, sizeof block, out, &length), kDecoderBadHandle);
  EXPECT_EQ(MszipReset(decoder), kDecoderBadHandle);
  EXPECT_EQ(MszipDestroy(decoder), kDecoderBadHandle);
}

TEST_F(MszipDecoderTest, InputLongerThanMaximumOutputPlus12IsRefused) {
  Bytes tooLong = MszipBitWriter().Stored(true, Bytes(32774, 'x')).Finish();  // 2 + 5 + 32774 bytes
  ASSERT_EQ(tooLong.size(), 32781u);
  EXPECT_EQ(Decode(tooLong), kDecoderInputTooLong);
  // 32,780 bytes are accepted: here a non-final stored block of 32,768 bytes and a final empty one.
  Bytes limit = MszipBitWriter().Stored(false, Bytes(32768, 'y')).Stored(true, {}).Finish();
  ASSERT_EQ(limit.size(), 32780u);
  EXPECT_EQ(Decode(limit), kDecoderOk);
  EXPECT_EQ(produced_, 32768u);
}

TEST(MszipDecoderInterface, SmallerMaximumOutputIsTheWindow) {
  // A decoder for at most 1,000 bytes per block: its buffer of 1,000 bytes is the whole history,
  // a wanted length above it is cut to it, and no distance may reach further back.
  uint32_t size = 0;
  MszipDecoder* decoder = nullptr;
  ASSERT_EQ(MszipQueryCreate(1000, DecoderMemory{CountingAlloc, Free}, &size, &decoder), kDecoderOk);
  Bytes window(1000);
  for (size_t i = 0; i < window.size(); ++i) window[i] = static_cast<uint8_t>(i);
  auto decode = [&](const Bytes& block, uint32_t wanted, uint32_t* produced) {
    *produced = wanted;
    return MszipDecompress(decoder, block.data(), static_cast<uint32_t>(block.size()), window.data(), produced);
  };
  uint32_t produced = 0;
  // Distance 1,000 at the first byte reads the window's first byte (length 3: bytes 0, 1, 2);
  // distance 1,001 reaches before the window. Without and with literals after the match, so that
  // both the careful and the fast loop decode it.
  for (int trailing : {0, 40}) {
    for (size_t i = 0; i < window.size(); ++i) window[i] = static_cast<uint8_t>(i);
    MszipBitWriter reach;
    reach.Header(true, 1).FixedLitLen(257).FixedDistance(19).Bits(1000 - 769, 8);
    for (int i = 0; i < trailing; ++i) reach.FixedLitLen('z');
    reach.FixedLitLen(256);
    ASSERT_EQ(decode(reach.Finish(), 32768, &produced), kDecoderOk) << trailing;
    Bytes expected = {0, 1, 2};
    expected.insert(expected.end(), trailing, 'z');
    EXPECT_EQ(Bytes(window.begin(), window.begin() + produced), expected) << trailing;
    MszipBitWriter tooFar;
    tooFar.Header(true, 1).FixedLitLen(257).FixedDistance(19).Bits(1001 - 769, 8);
    for (int i = 0; i < trailing; ++i) tooFar.FixedLitLen('z');
    tooFar.FixedLitLen(256);
    EXPECT_EQ(decode(tooFar.Finish(), 32768, &produced), kDecoderDataError) << trailing;
  }
  // Wanting 32,768 bytes of a longer block gives 1,000.
  MszipBitWriter run;
  run.Header(true, 1).FixedLitLen('x').FixedLitLen(285).FixedDistance(0).FixedLitLen(285).FixedDistance(0);
  for (int i = 0; i < 4; ++i) run.FixedLitLen(285).FixedDistance(0);
  run.FixedLitLen(256);
  ASSERT_EQ(decode(run.Finish(), 32768, &produced), kDecoderOk);
  EXPECT_EQ(produced, 1000u);
  EXPECT_EQ(Bytes(window.begin(), window.begin() + produced), Bytes(1000, 'x'));
  EXPECT_EQ(MszipDestroy(decoder), kDecoderOk);
}

// ---- block start ----

TEST_F(MszipDecoderTest, BlockWithoutCkTagFails) {
  const Bytes stored = MszipBitWriter(false).Stored(true, Text("abc")).Finish();
  const std::vector<Bytes> cases = {
      {}, {'C'}, {'C', 'X'}, {'c', 'k'}, {'K', 'C'}, [&] { Bytes b = {'C', 'C'}; b.insert(b.end(), stored.begin(), stored.end()); return b; }(),
      stored};
  for (const Bytes& block : cases) {
    EXPECT_EQ(Decode(block), kDecoderDataError) << std::string(block.begin(), block.end());
  }
}

// ---- stored blocks ----

TEST_F(MszipDecoderTest, StoredBlocks) {
  ASSERT_EQ(Decode(MszipBitWriter().Stored(true, Text("hello")).Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("hello"));

  // A stored block of length 0 is valid, final or followed by more blocks.
  ASSERT_EQ(Decode(MszipBitWriter().Stored(true, {}).Finish()), kDecoderOk);
  EXPECT_EQ(produced_, 0u);
  ASSERT_EQ(Decode(MszipBitWriter().Stored(false, {}).Stored(false, Text("ab")).Stored(true, Text("c")).Finish()),
            kDecoderOk);
  EXPECT_EQ(Output(), Text("abc"));
}

TEST_F(MszipDecoderTest, DamagedStoredBlocksFail) {
  struct Case {
    const char* name;
    Bytes block;
  };
  const Case cases[] = {
      {"NLEN not the complement of LEN",
       MszipBitWriter().Header(true, 0).Align().Bits(5, 16).Bits(0xFFFB, 16).Bytes(Text("hello")).Finish()},
      {"LEN and NLEN both zero", MszipBitWriter().Header(true, 0).Align().Bits(0, 16).Bits(0, 16).Finish()},
      {"LEN beyond the input",
       MszipBitWriter().Header(true, 0).Align().Bits(10, 16).Bits(0xFFF5, 16).Bytes(Text("hello")).Finish()},
      {"LEN and NLEN cut short", MszipBitWriter().Header(true, 0).Align().Bits(0, 16).Bits(0xFF, 8).Finish()},
      {"reserved block type 3", MszipBitWriter().Header(true, 3).Bits(0, 13).Finish()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.block), kDecoderDataError) << c.name;
  }
}

TEST_F(MszipDecoderTest, StoredBlockStopsAtTheWantedLength) {
  ASSERT_EQ(Decode(MszipBitWriter().Stored(true, Text("hello")).Finish(), 3), kDecoderOk);
  EXPECT_EQ(Output(), Text("hel"));
  EXPECT_EQ(window_[3], kUntouched);
}

// ---- fixed blocks ----

TEST_F(MszipDecoderTest, FixedBlockWithLiteralsAndAnOverlappingMatch) {
  // "ab" then length 7 (symbol 261) at distance 2 (symbol 1): "ababababa".
  MszipBitWriter w;
  w.Header(true, 1).FixedLitLen('a').FixedLitLen('b').FixedLitLen(261).FixedDistance(1).FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("ababababa"));
  EXPECT_EQ(window_[9], kUntouched);
}

TEST_F(MszipDecoderTest, LengthAndDistanceExtraBits) {
  // 20 literals, then length 13 + 1 = 14 (symbol 266, 1 extra bit) at distance 13 + 3 = 16
  // (symbol 7, 2 extra bits).
  MszipBitWriter w;
  w.Header(true, 1);
  const char* text = "0123456789abcdefghij";
  for (const char* p = text; *p; ++p) w.FixedLitLen(static_cast<uint8_t>(*p));
  w.FixedLitLen(266).Bits(1, 1).FixedDistance(7).Bits(3, 2).FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("0123456789abcdefghij456789abcdefgh"));
}

TEST_F(MszipDecoderTest, InvalidFixedCodesFail) {
  struct Case {
    const char* name;
    Bytes block;
  };
  const Case cases[] = {
      {"literal/length symbol 286", MszipBitWriter().Header(true, 1).FixedLitLen('a').FixedLitLen(286).Finish()},
      {"literal/length symbol 287", MszipBitWriter().Header(true, 1).FixedLitLen('a').FixedLitLen(287).Finish()},
      {"distance symbol 30",
       MszipBitWriter().Header(true, 1).FixedLitLen('a').FixedLitLen(257).FixedDistance(30).Finish()},
      {"distance symbol 31",
       MszipBitWriter().Header(true, 1).FixedLitLen('a').FixedLitLen(257).FixedDistance(31).Finish()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.block), kDecoderDataError) << c.name;
  }
}

// ---- the window shared with the previous block ----

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 256);
  return b;
}

// A first block of 32,768 bytes fills the window; the second block's matches reach back into it.
class MszipWindowTest : public MszipDecoderTest {
 protected:
  void SetUp() override {
    MszipDecoderTest::SetUp();
    previous_ = Pattern(kMaxBlockOutput);
    // The last 8 bytes as fixed-code literals, so that the block stays within 32,780 bytes.
    MszipBitWriter w;
    w.Stored(false, Bytes(previous_.begin(), previous_.end() - 8)).Header(true, 1);
    for (size_t i = previous_.size() - 8; i < previous_.size(); ++i) w.FixedLitLen(previous_[i]);
    w.FixedLitLen(256);
    ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
    ASSERT_EQ(Output(), previous_);
  }
  Bytes previous_;
};

TEST_F(MszipWindowTest, Distance32768AtTheFirstByteReadsThePreviousBlocksFirstByte) {
  // Length 3 (symbol 257), distance 24577 + 8191 = 32768 (symbol 29, 13 extra bits).
  MszipBitWriter w;
  w.Header(true, 1).FixedLitLen(257).FixedDistance(29).Bits(8191, 13).FixedLitLen(256);
  ASSERT_EQ(MszipReset(decoder_), kDecoderOk);  // the history stays in the window
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Bytes(previous_.begin(), previous_.begin() + 3));
}

TEST_F(MszipWindowTest, MatchWrapsFromTheWindowsEndToItsStart) {
  // Distance 2, length 5 at the first byte: two bytes from the previous block's end, then the
  // three bytes this match has just written (the pattern repeats).
  MszipBitWriter w;
  w.Header(true, 1).FixedLitLen(259).FixedDistance(1).FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  uint8_t a = previous_[32766];
  uint8_t b = previous_[32767];
  EXPECT_EQ(Output(), (Bytes{a, b, a, b, a}));
}

TEST_F(MszipWindowTest, BytesStoredPastAMatchNeverReplaceThePreviousBlock) {
  // 20 literals; a match of 10 at distance 20 (positions 20-29); a match of 10 at distance 32,768
  // that reads positions 30-39, which must be the previous block's bytes although the first copy
  // may store past its end; then 40 literals, so that both matches are decoded with input to
  // spare.
  const char* text = "0123456789abcdefghij";
  MszipBitWriter w;
  w.Header(true, 1);
  for (const char* p = text; *p; ++p) w.FixedLitLen(static_cast<uint8_t>(*p));
  w.FixedLitLen(264).FixedDistance(8).Bits(3, 3);              // length 10, distance 17 + 3
  w.FixedLitLen(264).FixedDistance(29).Bits(8191, 13);         // length 10, distance 32,768
  for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
  w.FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  Bytes expected = Text(text);
  for (int i = 0; i < 10; ++i) expected.push_back(static_cast<uint8_t>(text[i]));
  for (int i = 30; i < 40; ++i) expected.push_back(previous_[i]);
  for (int i = 0; i < 40; ++i) expected.push_back('z');
  EXPECT_EQ(Output(), expected);
}

// A fixed-code length or distance with its extra bits.
void FixedLength(MszipBitWriter* w, unsigned length) {
  unsigned i = kMszipLengthSymbols - 1;
  while (kMszipLengthBase[i] > length) --i;
  w->FixedLitLen(kMszipPlainSymbols + i).Bits(length - kMszipLengthBase[i], kMszipLengthExtra[i]);
}
void FixedDistanceValue(MszipBitWriter* w, unsigned distance) {
  unsigned i = kMszipMaxDistanceCodes - 1;
  while (kMszipDistanceBase[i] > distance) --i;
  w->FixedDistance(i).Bits(distance - kMszipDistanceBase[i], kMszipDistanceExtra[i]);
}

TEST_F(MszipWindowTest, MatchesAheadOfTheWritePositionCopyThePreviousBlock) {
  // A match at the first byte whose source lies `gap` bytes ahead, in the previous block's
  // output; then literals, so that it is decoded with input to spare. Gaps below 8 and below 16
  // are copied differently from larger ones.
  const unsigned gaps[] = {0, 1, 5, 8, 12, 16, 100};
  const unsigned lengths[] = {3, 9, 20, 258};
  for (unsigned gap : gaps) {
    for (unsigned length : lengths) {
      window_ = previous_;
      MszipBitWriter w;
      w.Header(true, 1);
      FixedLength(&w, length);
      FixedDistanceValue(&w, kMaxBlockOutput - gap);
      for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
      w.FixedLitLen(256);
      ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
      Bytes expected(previous_.begin() + gap, previous_.begin() + gap + length);
      expected.insert(expected.end(), 40, 'z');
      EXPECT_EQ(Output(), expected) << "gap " << gap << " length " << length;
      EXPECT_EQ(window_[produced_], previous_[produced_]) << "gap " << gap << " length " << length;
    }
  }
}

TEST_F(MszipWindowTest, MatchesEndingAtTheWindowsEndReadNothingPastIt) {
  // Five literals, then a match whose source ends exactly at the previous block's last byte;
  // then literals, so that it is decoded with input to spare.
  for (unsigned length : {3u, 15u, 16u, 17u, 100u, 258u}) {
    window_ = previous_;
    MszipBitWriter w;
    w.Header(true, 1);
    for (int i = 0; i < 5; ++i) w.FixedLitLen('a');
    FixedLength(&w, length);
    FixedDistanceValue(&w, 5 + length);
    for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
    w.FixedLitLen(256);
    ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
    Bytes expected(5, 'a');
    expected.insert(expected.end(), previous_.end() - length, previous_.end());
    expected.insert(expected.end(), 40, 'z');
    EXPECT_EQ(Output(), expected) << "length " << length;
  }
}

TEST_F(MszipWindowTest, HuffmanBlockAfterAStoredBlockReadsThePreviousBlockPastIt) {
  // One MSZIP block: a stored block of 300 bytes, then a fixed block whose two matches reach
  // into the previous block's output beyond the bytes the stored block replaced: at position
  // 300 a match at distance 32,768 (the previous block's positions 300-319), at position 320 one
  // at distance 32,668 (positions 420-449).
  Bytes stored(300, 's');
  MszipBitWriter w;
  w.Stored(false, stored).Header(true, 1);
  FixedLength(&w, 20);
  FixedDistanceValue(&w, kMaxBlockOutput);  // positions 300-319 of the previous block
  FixedLength(&w, 30);
  FixedDistanceValue(&w, kMaxBlockOutput - 100);  // at 320: positions 420-449
  for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
  w.FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  Bytes expected = stored;
  expected.insert(expected.end(), previous_.begin() + 300, previous_.begin() + 320);
  expected.insert(expected.end(), previous_.begin() + 420, previous_.begin() + 450);
  expected.insert(expected.end(), 40, 'z');
  EXPECT_EQ(Output(), expected);
}

TEST_F(MszipWindowTest, StoredBlockBetweenHuffmanBlocksOfOneCall) {
  // A fixed block (5 literals, a match of 10 at distance 32,768: the previous block's positions
  // 5-14), a stored block of 100 bytes, and a fixed block whose matches read the stored bytes
  // (distance 50 at position 115: stored bytes 50-59) and the previous block past them (distance
  // 32,000 at position 125: positions 893-912), then literals, so that the matches are decoded
  // with input to spare.
  Bytes stored = Pattern(100);
  MszipBitWriter w;
  w.Header(false, 1);
  for (int i = 0; i < 5; ++i) w.FixedLitLen('a');
  FixedLength(&w, 10);
  FixedDistanceValue(&w, kMaxBlockOutput);
  w.FixedLitLen(256).Stored(false, stored).Header(true, 1);
  FixedLength(&w, 10);
  FixedDistanceValue(&w, 50);
  FixedLength(&w, 20);
  FixedDistanceValue(&w, 32000);
  for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
  w.FixedLitLen(256);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  Bytes expected(5, 'a');
  expected.insert(expected.end(), previous_.begin() + 5, previous_.begin() + 15);
  expected.insert(expected.end(), stored.begin(), stored.end());
  expected.insert(expected.end(), stored.begin() + 50, stored.begin() + 60);
  expected.insert(expected.end(), previous_.begin() + 893, previous_.begin() + 913);
  expected.insert(expected.end(), 40, 'z');
  EXPECT_EQ(Output(), expected);
  EXPECT_TRUE(std::equal(window_.begin() + produced_, window_.end(), previous_.begin() + produced_));
}

TEST_F(MszipWindowTest, AFailedBlockKeepsWhatItProducedAndNothingPast) {
  // 100 literals, a match of 258 at distance 100 (copied in 16-byte pieces, the last of which
  // reaches 14 bytes past it), then the invalid fixed symbol 286: the 358 bytes decoded before it
  // are in the buffer, and the previous block's bytes after them are untouched.
  MszipBitWriter w;
  w.Header(true, 1);
  for (int i = 0; i < 100; ++i) w.FixedLitLen('q');
  FixedLength(&w, 258);
  FixedDistanceValue(&w, 100);
  w.FixedLitLen(286);
  for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
  ASSERT_EQ(Decode(w.Finish()), kDecoderDataError);
  EXPECT_EQ(Bytes(window_.begin(), window_.begin() + 358), Bytes(358, 'q'));
  EXPECT_TRUE(std::equal(window_.begin() + 358, window_.end(), previous_.begin() + 358));
}

TEST_F(MszipDecoderTest, MatchesAtEveryShortDistanceRepeatTheirPattern) {
  // 40 different literals, one match, then 40 literals so that the match is decoded by the fast
  // loop with input to spare: distances below 8, from 8 to 15 and from 16 on are copied in
  // different pieces, lengths up to 16 and beyond take different paths; each must give what a
  // byte-by-byte copy gives, and the literals after it must overwrite whatever the wide copy
  // stored past its end.
  const unsigned lengths[] = {3, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 100, 258};
  for (unsigned distance = 1; distance <= 33; ++distance) {
    for (unsigned length : lengths) {
      MszipBitWriter w;
      w.Header(true, 1);
      Bytes expected;
      for (int i = 0; i < 40; ++i) {
        expected.push_back(static_cast<uint8_t>('A' + i));
        w.FixedLitLen(expected.back());
      }
      FixedLength(&w, length);
      FixedDistanceValue(&w, distance);
      for (unsigned i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
      for (int i = 0; i < 40; ++i) {
        expected.push_back(static_cast<uint8_t>('a' + i % 26));
        w.FixedLitLen(expected.back());
      }
      w.FixedLitLen(256);
      window_.assign(kMaxBlockOutput, kUntouched);
      ASSERT_EQ(Decode(w.Finish()), kDecoderOk) << "distance " << distance << " length " << length;
      EXPECT_EQ(Output(), expected) << "distance " << distance << " length " << length;
      EXPECT_EQ(window_[produced_], kUntouched) << "distance " << distance << " length " << length;
    }
  }
}

TEST_F(MszipDecoderTest, DecodingStopsExactlyInsideAMatch) {
  // "ab" and a match of 20 bytes at distance 2; wanting 10 bytes ends inside the match, and the
  // bytes after them are left alone.
  MszipBitWriter w;
  w.Header(true, 1).FixedLitLen('a').FixedLitLen('b').FixedLitLen(269).Bits(1, 2).FixedDistance(1).FixedLitLen(256);
  Bytes block = w.Finish();
  for (uint32_t wanted : {1u, 2u, 3u, 10u, 21u}) {
    window_.assign(kMaxBlockOutput, kUntouched);
    ASSERT_EQ(Decode(block, wanted), kDecoderOk) << wanted;
    EXPECT_EQ(produced_, wanted);
    for (uint32_t i = 0; i < wanted; ++i) EXPECT_EQ(window_[i], i % 2 ? 'b' : 'a') << i;
    EXPECT_EQ(window_[wanted], kUntouched) << wanted;
  }
  // Wanting more than the block holds gives the 22 bytes it has.
  ASSERT_EQ(Decode(block, 100), kDecoderOk);
  EXPECT_EQ(produced_, 22u);
}

TEST_F(MszipDecoderTest, WantedEndInsideAMatchWithInputToSpare) {
  // 100 literals, a match of 258 bytes at distance 1, the invalid fixed symbol 286, and 40 literals
  // after it, so that the match is decoded by the fast loop with input to spare: a wanted end
  // inside the literals or the match gives exactly the wanted bytes and leaves the rest of the
  // buffer alone (the loop's last round runs past the wanted end only inside the decoder); the
  // invalid symbol after the wanted end is never decoded, and one before it fails the block.
  MszipBitWriter w;
  w.Header(true, 1);
  for (int i = 0; i < 100; ++i) w.FixedLitLen('q');
  FixedLength(&w, 258);
  FixedDistanceValue(&w, 1);
  w.FixedLitLen(286);
  for (int i = 0; i < 40; ++i) w.FixedLitLen('z');
  Bytes block = w.Finish();
  for (uint32_t wanted : {1u, 50u, 99u, 100u, 101u, 102u, 200u, 356u, 357u, 358u}) {
    window_.assign(kMaxBlockOutput, kUntouched);
    ASSERT_EQ(Decode(block, wanted), kDecoderOk) << wanted;
    EXPECT_EQ(produced_, wanted);
    EXPECT_EQ(Output(), Bytes(wanted, 'q')) << wanted;
    EXPECT_TRUE(std::all_of(window_.begin() + wanted, window_.end(), [](uint8_t b) { return b == kUntouched; }))
        << wanted;
  }
  window_.assign(kMaxBlockOutput, kUntouched);
  EXPECT_EQ(Decode(block, 359), kDecoderDataError);
  EXPECT_EQ(Bytes(window_.begin(), window_.begin() + 358), Bytes(358, 'q'));
  EXPECT_TRUE(std::all_of(window_.begin() + 358, window_.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_F(MszipDecoderTest, NonFinalBlockEndsTheCallOnceTheWantedBytesAreThere) {
  // No final block at all: after the 3 wanted bytes nothing more is read.
  Bytes block = MszipBitWriter().Stored(false, Text("xyz")).Finish();
  ASSERT_EQ(Decode(block, 3), kDecoderOk);
  EXPECT_EQ(Output(), Text("xyz"));
}

// ---- truncated input reads as zero bits ----

TEST_F(MszipDecoderTest, TruncatedInputReadsAsZeroBits) {
  // A final fixed block cut after two literals: the zero bits that follow are code 0000000, the
  // end of block, so the block decodes to the two literals.
  MszipBitWriter cut;
  cut.Header(true, 1).FixedLitLen('o').FixedLitLen('k');
  ASSERT_EQ(Decode(cut.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("ok"));

  // The same block not final: after the end of block, a header of zero bits is a stored block
  // whose LEN and NLEN (zero bits again) do not match.
  MszipBitWriter notFinal;
  notFinal.Header(false, 1).FixedLitLen('o').FixedLitLen('k');
  EXPECT_EQ(Decode(notFinal.Finish()), kDecoderDataError);

  // Only the tag: a non-final stored block header of zero bits.
  EXPECT_EQ(Decode(Bytes{'C', 'K'}), kDecoderDataError);
}

// ---- dynamic blocks ----

// A code-length code for all 19 symbols: 0-12 four bits, 13-18 five bits (complete).
std::vector<uint8_t> PlainCodeLengthCode() {
  std::vector<uint8_t> l(kMszipCodeLengthCodes, 4);
  for (unsigned s = 13; s < kMszipCodeLengthCodes; ++s) l[s] = 5;
  return l;
}

// Writes HLIT, HDIST, HCLEN = 19 and the code-length code, then the code lengths plainly.
void WriteDynamicHeader(MszipBitWriter* w, const std::vector<uint8_t>& litLen, const std::vector<uint8_t>& distance,
                        const std::vector<uint8_t>& codeLengthCode = PlainCodeLengthCode()) {
  w->Bits(static_cast<uint32_t>(litLen.size() - 257), 5).Bits(static_cast<uint32_t>(distance.size() - 1), 5);
  w->Bits(kMszipCodeLengthCodes - 4, 4);
  for (unsigned i = 0; i < kMszipCodeLengthCodes; ++i) w->Bits(codeLengthCode[kMszipCodeLengthOrder[i]], 3);
  std::vector<uint32_t> codes = CanonicalCodes(codeLengthCode);
  for (uint8_t l : litLen) w->Code(codes[l], codeLengthCode[l]);
  for (uint8_t l : distance) w->Code(codes[l], codeLengthCode[l]);
}

// Literal/length code: 'a', 'b', end of block and length 3 (symbol 257), two bits each.
std::vector<uint8_t> SmallLitLen(size_t symbols = 258) {
  std::vector<uint8_t> l(symbols, 0);
  l['a'] = l['b'] = l[256] = l[257] = 2;
  return l;
}

// Writes "ab" + a length-3 match at distance 2 + end of block with SmallLitLen and a distance code
// where symbol 1 (distance 2) has the code `distanceCode` of `distanceBits` bits.
void WriteSmallData(MszipBitWriter* w, uint32_t distanceCode, unsigned distanceBits) {
  std::vector<uint32_t> codes = CanonicalCodes(SmallLitLen());
  w->Code(codes['a'], 2).Code(codes['b'], 2).Code(codes[257], 2).Code(distanceCode, distanceBits);
  w->Code(codes[256], 2);
}

TEST_F(MszipDecoderTest, DynamicBlockDecodes) {
  MszipBitWriter w;
  w.Header(true, 2);
  WriteDynamicHeader(&w, SmallLitLen(), {1, 1});  // distances 1 and 2, one bit each
  WriteSmallData(&w, 1, 1);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("ababa"));
}

TEST_F(MszipDecoderTest, DynamicBlockAtTheCodeCountLimits) {
  // 286 literal/length and 30 distance codes are the most allowed.
  std::vector<uint8_t> distance(30, 0);
  distance[0] = distance[1] = 1;
  MszipBitWriter w;
  w.Header(true, 2);
  WriteDynamicHeader(&w, SmallLitLen(286), distance);
  WriteSmallData(&w, 1, 1);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("ababa"));
}

TEST_F(MszipDecoderTest, SingleDistanceCodeOfOneBitIsAccepted) {
  // One distance code of length 1 is incomplete but accepted; its code 0 is distance 2 here.
  std::vector<uint8_t> distance = {0, 1};
  MszipBitWriter w;
  w.Header(true, 2);
  WriteDynamicHeader(&w, SmallLitLen(), distance);
  WriteSmallData(&w, 0, 1);
  ASSERT_EQ(Decode(w.Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("ababa"));

  // Its unused code 1 is invalid.
  MszipBitWriter bad;
  bad.Header(true, 2);
  WriteDynamicHeader(&bad, SmallLitLen(), distance);
  WriteSmallData(&bad, 1, 1);
  EXPECT_EQ(Decode(bad.Finish()), kDecoderDataError);
}

TEST_F(MszipDecoderTest, DamagedDynamicHeadersFail) {
  std::vector<uint8_t> overSubscribedLitLen = SmallLitLen();
  overSubscribedLitLen['c'] = 2;  // five codes of two bits
  std::vector<uint8_t> incompleteLitLen = SmallLitLen();
  incompleteLitLen['b'] = 0;  // three codes of two bits
  std::vector<uint8_t> overSubscribedCodeLengths = PlainCodeLengthCode();
  overSubscribedCodeLengths[18] = 4;
  std::vector<uint8_t> incompleteCodeLengths = PlainCodeLengthCode();
  incompleteCodeLengths[0] = 5;

  struct Case {
    const char* name;
    Bytes block;
  };
  auto dynamic = [](const std::vector<uint8_t>& litLen, const std::vector<uint8_t>& distance,
                    const std::vector<uint8_t>& codeLengthCode) {
    MszipBitWriter w;
    w.Header(true, 2);
    WriteDynamicHeader(&w, litLen, distance, codeLengthCode);
    WriteSmallData(&w, 1, 1);
    return w.Finish();
  };
  const Case cases[] = {
      {"HLIT 30: 287 literal/length codes",
       MszipBitWriter().Header(true, 2).Bits(30, 5).Bits(0, 5).Bits(15, 4).Bits(0, 30).Finish()},
      {"HLIT 31: 288 literal/length codes",
       MszipBitWriter().Header(true, 2).Bits(31, 5).Bits(0, 5).Bits(15, 4).Bits(0, 30).Finish()},
      {"HDIST 30: 31 distance codes",
       MszipBitWriter().Header(true, 2).Bits(0, 5).Bits(30, 5).Bits(15, 4).Bits(0, 30).Finish()},
      {"HDIST 31: 32 distance codes",
       MszipBitWriter().Header(true, 2).Bits(0, 5).Bits(31, 5).Bits(15, 4).Bits(0, 30).Finish()},
      {"over-subscribed code-length code", dynamic(SmallLitLen(), {1, 1}, overSubscribedCodeLengths)},
      {"incomplete code-length code", dynamic(SmallLitLen(), {1, 1}, incompleteCodeLengths)},
      {"empty code-length code (all 19 lengths 0)",
       MszipBitWriter().Header(true, 2).Bits(1, 5).Bits(1, 5).Bits(15, 4).Bits(0, 30).Bits(0, 27).Bits(0, 32).Finish()},
      {"over-subscribed literal/length code", dynamic(overSubscribedLitLen, {1, 1}, PlainCodeLengthCode())},
      {"incomplete literal/length code", dynamic(incompleteLitLen, {1, 1}, PlainCodeLengthCode())},
      {"over-subscribed distance code", dynamic(SmallLitLen(), {1, 1, 1}, PlainCodeLengthCode())},
      {"incomplete distance code", dynamic(SmallLitLen(), {1, 2}, PlainCodeLengthCode())},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.block), kDecoderDataError) << c.name;
  }
}

// Code lengths sent with the repeat codes 16, 17 and 18.
class MszipRepeatTest : public MszipDecoderTest {
 public:
  // Sends HLIT = 258 and `distances` distance codes, then `send` writes the code lengths; the data
  // is WriteSmallData's with the given code of distance symbol 1.
  template <typename Send>
  int DecodeWithLengths(unsigned distances, Send send, uint32_t distanceCode, unsigned distanceBits) {
    MszipBitWriter w;
    w.Header(true, 2).Bits(1, 5).Bits(distances - 1, 5).Bits(kMszipCodeLengthCodes - 4, 4);
    lengths_ = PlainCodeLengthCode();
    for (unsigned i = 0; i < kMszipCodeLengthCodes; ++i) w.Bits(lengths_[kMszipCodeLengthOrder[i]], 3);
    codes_ = CanonicalCodes(lengths_);
    send(this, &w);
    WriteSmallData(&w, distanceCode, distanceBits);
    return Decode(w.Finish());
  }
  // Code-length symbol `symbol`, then `extraBits` bits of `extra`.
  void Send(MszipBitWriter* w, unsigned symbol, uint32_t extra = 0, unsigned extraBits = 0) {
    w->Code(codes_[symbol], lengths_[symbol]).Bits(extra, extraBits);
  }
  std::vector<uint32_t> codes_;
  std::vector<uint8_t> lengths_;
};

TEST_F(MszipRepeatTest, RepeatCodesFillTheLengths) {
  // 258 + 4 lengths: 16 first (repeats 0) for 0-5; 18 for 6-96; 'a' and 'b' = 2; 18 and 17 for
  // 99-255, the 17 followed by 16, which must repeat 0 (the 17's), not 2; 256 and 257 = 2; the
  // four distances = 2, the last three by 16 repeating the 2.
  int r = DecodeWithLengths(4, [](MszipRepeatTest* t, MszipBitWriter* w) {
    t->Send(w, 16, 3, 2);     // 6 x 0: symbols 0-5
    t->Send(w, 18, 80, 7);    // 91 x 0: 6-96
    t->Send(w, 2);            // 97 'a'
    t->Send(w, 2);            // 98 'b'
    t->Send(w, 18, 127, 7);   // 138 x 0: 99-236
    t->Send(w, 17, 7, 3);     // 10 x 0: 237-246
    t->Send(w, 17, 3, 3);     // 6 x 0: 247-252
    t->Send(w, 16, 0, 2);     // 3 x previous (0): 253-255
    t->Send(w, 2);            // 256
    t->Send(w, 2);            // 257
    t->Send(w, 2);            // distance 0
    t->Send(w, 16, 0, 2);     // 3 x 2: distances 1-3
  }, 1, 2);
  ASSERT_EQ(r, kDecoderOk);
  EXPECT_EQ(Output(), Text("ababa"));
}

TEST_F(MszipRepeatTest, RepeatRunningPastTheLastLengthFails) {
  struct Case {
    const char* name;
    unsigned symbol;
    uint32_t extra;
    unsigned extraBits;
  };
  // 257 lengths of 0 sent one by one leave 3 of the 260; each repeat asks for more than that.
  const Case cases[] = {{"16 repeating 4 times", 16, 1, 2}, {"17 with 4 zeros", 17, 1, 3}, {"18 with 11 zeros", 18, 0, 7}};
  for (const Case& c : cases) {
    int r = DecodeWithLengths(2, [&](MszipRepeatTest* t, MszipBitWriter* w) {
      for (int i = 0; i < 257; ++i) t->Send(w, 0);
      t->Send(w, c.symbol, c.extra, c.extraBits);
    }, 1, 1);
    EXPECT_EQ(r, kDecoderDataError) << c.name;
  }
}

// ---- against zlib ----

struct Compressed {
  std::vector<Bytes> blocks;
  std::vector<size_t> sizes;
};

// Each 32 KiB block a raw deflate stream with the previous block as dictionary, after "CK"; a
// block that zlib makes longer than 32,780 bytes is sent as one stored block instead.
Compressed CompressMszip(const Bytes& data, int level, int strategy) {
  Compressed c;
  for (size_t offset = 0; offset < data.size(); offset += kMaxBlockOutput) {
    size_t n = std::min<size_t>(kMaxBlockOutput, data.size() - offset);
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    if (offset) deflateSetDictionary(&z, &data[offset - kMaxBlockOutput], kMaxBlockOutput);
    Bytes block(2 + deflateBound(&z, n));
    block[0] = 'C';
    block[1] = 'K';
    z.next_in = const_cast<uint8_t*>(&data[offset]);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = &block[2];
    z.avail_out = static_cast<uInt>(block.size() - 2);
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    block.resize(2 + z.total_out);
    deflateEnd(&z);
    if (block.size() > kMaxBlockOutput + kMszipInputSlack) {
      block = MszipBitWriter().Stored(true, Bytes(data.begin() + offset, data.begin() + offset + n)).Finish();
    }
    c.blocks.push_back(block);
    c.sizes.push_back(n);
  }
  return c;
}

Bytes MixedData(uint32_t seed, size_t size) {
  std::mt19937 rng(seed);
  Bytes data;
  const char* words[] = {"setup ", "install ", "the ", "game ", "folder ", "a ", "of ", "\r\n"};
  while (data.size() < size) {
    size_t n = 1 + rng() % 3000;
    switch (rng() % 4) {
      case 0:  // text
        while (n-- > 0) {
          const char* w = words[rng() % 8];
          data.insert(data.end(), w, w + std::strlen(w));
        }
        break;
      case 1:  // random bytes
        while (n-- > 0) data.push_back(static_cast<uint8_t>(rng()));
        break;
      case 2:  // runs
        data.insert(data.end(), n, static_cast<uint8_t>(rng()));
        break;
      default:  // copies from far back, up to the window's size
        for (size_t i = 0; i < n; ++i) {
          size_t back = 1 + rng() % 32768;
          data.push_back(data.size() >= back ? data[data.size() - back] : static_cast<uint8_t>(i));
        }
    }
  }
  data.resize(size);
  return data;
}

TEST_F(MszipDecoderTest, DecodesWhatZlibCompressesByteForByte) {
  const int levels[] = {1, 6, 9};
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  uint32_t seed = 1;
  for (int level : levels) {
    for (int strategy : strategies) {
      Bytes data = MixedData(seed++, 5 * kMaxBlockOutput + 1234);
      Compressed c = CompressMszip(data, level, strategy);
      for (size_t i = 0; i < c.blocks.size(); ++i) {
        ASSERT_EQ(Decode(c.blocks[i]), kDecoderOk) << "level " << level << " strategy " << strategy << " block " << i;
        ASSERT_EQ(produced_, c.sizes[i]);
        ASSERT_TRUE(std::equal(window_.begin(), window_.begin() + produced_, data.begin() + i * kMaxBlockOutput))
            << "level " << level << " strategy " << strategy << " block " << i;
      }
    }
  }
}

TEST_F(MszipDecoderTest, AnyWantedLengthGivesThePrefixAndLeavesTheRestAlone) {
  // Two zlib blocks; the second is decoded again and again with a smaller wanted length, after
  // restoring the window to the first block's output each time.
  Bytes data = MixedData(99, 2 * kMaxBlockOutput);
  Compressed c = CompressMszip(data, 6, Z_DEFAULT_STRATEGY);
  ASSERT_EQ(Decode(c.blocks[0]), kDecoderOk);
  const Bytes firstBlock = window_;
  std::mt19937 rng(5);
  std::vector<uint32_t> wanted = {0, 1, 2, 3, 257, 258, 259, 260, 261, 32767, 32768};
  for (int i = 0; i < 40; ++i) wanted.push_back(1 + rng() % 32768);
  for (uint32_t n : wanted) {
    window_ = firstBlock;
    ASSERT_EQ(Decode(c.blocks[1], n), kDecoderOk) << n;
    ASSERT_EQ(produced_, n);
    ASSERT_TRUE(std::equal(window_.begin(), window_.begin() + n, data.begin() + kMaxBlockOutput)) << n;
    ASSERT_TRUE(std::equal(window_.begin() + n, window_.end(), firstBlock.begin() + n)) << n;
  }
}

TEST_F(MszipDecoderTest, AFailedBlockLeavesTheDecoderUsable) {
  EXPECT_EQ(Decode(MszipBitWriter().Header(true, 3).Finish()), kDecoderDataError);
  ASSERT_EQ(Decode(MszipBitWriter().Stored(true, Text("again")).Finish()), kDecoderOk);
  EXPECT_EQ(Output(), Text("again"));
}

}  // namespace
}  // namespace vorlax
