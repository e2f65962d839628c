// LZX decoder tests. Streams are built bit by bit with the encoder's bit writer, so that each
// case shows exactly the fault it is about; larger streams come from our LZX encoder.
#include "cabinet/lzx_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/little_endian.h"
#include "cabinet/folder_decoder.h"
#include "cabinet/lzx_format.h"
#include "cabinet/lzx_test_data.h"
#include "packer/huffman_code_builder.h"
#include "packer/lzx_bit_writer.h"

namespace vorlax {
namespace {

using lzx_test::Memory;

constexpr uint32_t kWindowBits = 16;

// Builds one frame's bytes.
class StreamBuilder {
 public:
  StreamBuilder() : bits_(&bytes_) {}
  LzxBitWriter& Bits() { return bits_; }

  // The stream header: translation off, or on with a size.
  StreamBuilder& NoTranslation() { bits_.Write(0, 1); return *this; }
  StreamBuilder& Translation(uint32_t size) {
    bits_.Write(1, 1);
    bits_.Write(size >> 16, 16);
    bits_.Write(size & 0xFFFF, 16);
    return *this;
  }
  StreamBuilder& BlockHeader(uint32_t type, uint32_t size) {
    bits_.Write(type, 3);
    bits_.Write(size, 24);
    return *this;
  }
  // After an uncompressed block's header: padding, R0..R2, then the bytes.
  StreamBuilder& RawBody(const std::string& data, uint32_t r0 = 1, uint32_t r1 = 1, uint32_t r2 = 1) {
    bits_.AlignForRawBytes();
    uint8_t r[12];
    WriteLe32(r, r0);
    WriteLe32(r + 4, r1);
    WriteLe32(r + 8, r2);
    bytes_.append(reinterpret_cast<const char*>(r), 12);
    bytes_ += data;
    return *this;
  }
  StreamBuilder& RawBytes(const std::string& data) { bytes_ += data; return *this; }
  // A pretree from its 20 lengths, then the given pretree symbols (with their extra bits).
  StreamBuilder& Pretree(const std::vector<uint8_t>& lengths,
                         const std::vector<std::pair<uint32_t, std::pair<uint32_t, uint32_t>>>& symbols) {
    uint16_t codes[kLzxPretreeSymbols];
    BuildCanonicalCodes(lengths.data(), kLzxPretreeSymbols, codes);
    for (uint8_t l : lengths) bits_.Write(l, 4);
    for (const auto& s : symbols) {
      bits_.Write(codes[s.first], lengths[s.first]);
      bits_.Write(s.second.first, s.second.second);
    }
    return *this;
  }
  // Codes of a tree from its lengths, for writing symbols.
  static std::vector<uint16_t> Codes(const std::vector<uint8_t>& lengths) {
    std::vector<uint16_t> c(lengths.size());
    BuildCanonicalCodes(lengths.data(), static_cast<uint32_t>(lengths.size()), c.data());
    return c;
  }
  std::string Finish() { bits_.FlushWord(); return bytes_; }
  std::string& Bytes() { return bytes_; }

 private:
  std::string bytes_;
  LzxBitWriter bits_;
};

// A pretree where every symbol has a code: 12 of 4 bits and 8 of 5 bits,
// 12 * 2^-4 + 8 * 2^-5 = 1, a complete code.
std::vector<uint8_t> FullPretree() {
  std::vector<uint8_t> l(kLzxPretreeSymbols, 5);
  for (int i = 0; i < 12; ++i) l[i] = 4;
  return l;
}

using PretreeSymbols = std::vector<std::pair<uint32_t, std::pair<uint32_t, uint32_t>>>;

// Pretree symbols that set a run of lengths from all-zero previous lengths: each wanted
// length v is the delta symbol (0 - v) mod 17.
PretreeSymbols LengthsFromZero(const std::vector<uint8_t>& wanted) {
  PretreeSymbols s;
  for (uint8_t v : wanted) s.push_back({static_cast<uint32_t>((17 - v) % 17), {0, 0}});
  return s;
}

PretreeSymbols Zeros(uint32_t n) {
  PretreeSymbols s;
  while (n >= 20) {
    const uint32_t k = n > 51 ? 51 : n;
    s.push_back({18, {k - 20, 5}});
    n -= k;
  }
  while (n >= 4) {
    const uint32_t k = n > 19 ? 19 : n;
    s.push_back({17, {k - 4, 4}});
    n -= k;
  }
  for (; n > 0; --n) s.push_back({0, {0, 0}});
  return s;
}

PretreeSymbols Concat(PretreeSymbols a, const PretreeSymbols& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Writes the three tree runs of a verbatim block whose main tree gives length 1 to exactly the
// two symbols `first` < `second` (so "0" codes first and "1" codes second) and whose length
// tree is empty. The decoder's previous lengths must all be 0 (the first block after a reset).
void WriteTwoSymbolTrees(StreamBuilder& b, uint32_t first, uint32_t second, uint32_t mainSymbols) {
  std::vector<uint8_t> main(mainSymbols, 0);
  main[first] = 1;
  main[second] = 1;
  auto run = [&](uint32_t from, uint32_t to) {
    PretreeSymbols s;
    uint32_t zeros = 0;
    for (uint32_t i = from; i < to; ++i) {
      if (main[i] == 0) { ++zeros; continue; }
      s = Concat(s, Zeros(zeros));
      zeros = 0;
      s = Concat(s, LengthsFromZero({main[i]}));
    }
    return Concat(s, Zeros(zeros));
  };
  b.Pretree(FullPretree(), run(0, 256));
  b.Pretree(FullPretree(), run(256, mainSymbols));
  b.Pretree(FullPretree(), Zeros(kLzxLengthSymbols));
}

uint32_t MatchSymbol(uint32_t slot, uint32_t length) {
  return 256 + slot * 8 + (length - 2);
}

class Decoder {
 public:
  explicit Decoder(uint32_t windowBits = kWindowBits) {
    uint32_t size = 0;
    result_ = LzxQueryCreate(kLzxFrameSize, windowBits, 0, Memory(), &size, &d_);
  }
  ~Decoder() { if (d_) LzxDestroy(d_); }
  int created() const { return result_; }
  LzxDecoder* get() { return d_; }
  // Decodes one frame; returns the result, and the output in *out.
  int Frame(const std::string& input, uint32_t wanted, std::string* out) {
    std::vector<uint8_t> buffer(kLzxFrameSize + 1, 0);
    uint32_t length = wanted;
    const int r = LzxDecompress(d_, reinterpret_cast<const uint8_t*>(input.data()),
                                static_cast<uint32_t>(input.size()), buffer.data(), &length);
    out->assign(reinterpret_cast<const char*>(buffer.data()), length);
    return r;
  }

 private:
  LzxDecoder* d_ = nullptr;
  int result_ = -1;
};

TEST(LzxFormat, PositionSlotsPerWindowSize) {
  const struct { uint32_t bits, slots; } cases[] = {
      {15, 30}, {16, 32}, {17, 34}, {18, 36}, {19, 38}, {20, 42}, {21, 50}, {14, 0}, {22, 0}};
  for (const auto& c : cases) EXPECT_EQ(LzxPositionSlots(c.bits), c.slots) << c.bits;
}

TEST(LzxFormat, SlotTablesStartAtDistanceOne) {
  EXPECT_EQ(LzxPositionBase(3), 1u);
  EXPECT_EQ(LzxExtraBits(3), 0u);
  EXPECT_EQ(LzxPositionBase(4), 2u);
  EXPECT_EQ(LzxExtraBits(4), 1u);
  EXPECT_EQ(LzxExtraBits(36), 17u);
  EXPECT_EQ(LzxExtraBits(49), 17u);
  // Each slot starts where the previous one's range ends.
  for (uint32_t s = 4; s < kLzxMaxPositionSlots; ++s) {
    EXPECT_EQ(LzxPositionBase(s), LzxPositionBase(s - 1) + (1u << LzxExtraBits(s - 1))) << s;
  }
}

TEST(LzxDecoderCreate, WindowExponentsOutside15To21AreRefused) {
  for (uint32_t bits : {0u, 10u, 14u, 22u, 25u, 31u}) {
    LzxDecoder* d = reinterpret_cast<LzxDecoder*>(1);
    uint32_t size = 0;
    EXPECT_EQ(LzxQueryCreate(kLzxFrameSize, bits, 0, Memory(), &size, &d), kDecoderBadWindow) << bits;
    EXPECT_EQ(d, nullptr);
  }
  for (uint32_t bits = 15; bits <= 21; ++bits) {
    Decoder d(bits);
    EXPECT_EQ(d.created(), kDecoderOk) << bits;
  }
}

TEST(LzxDecoderCreate, QueryReportsInputBufferSizeAndRefusesBadMaximum) {
  uint32_t size = 0;
  EXPECT_EQ(LzxQueryCreate(kLzxFrameSize, 15, 0, Memory(), &size, nullptr), kDecoderOk);
  EXPECT_EQ(size, 32768u + 6144u);
  EXPECT_EQ(LzxQueryCreate(0, 15, 0, Memory(), &size, nullptr), kDecoderInputTooLong);
  EXPECT_EQ(LzxQueryCreate(kLzxFrameSize + 1, 15, 0, Memory(), &size, nullptr), kDecoderInputTooLong);
}

void* FailingAlloc(uint32_t) { return nullptr; }

TEST(LzxDecoderCreate, AllocationFailureReportsNoMemory) {
  LzxDecoder* d = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(LzxQueryCreate(kLzxFrameSize, 15, 0, DecoderMemory{FailingAlloc, lzx_test::Free}, &size, &d),
            kDecoderNoMemory);
  EXPECT_EQ(d, nullptr);
}

// Through the reader's decoder switch: an LZX folder with a window exponent outside 15..21 is a
// decoding failure (the reader's code 7), not a memory failure (code 5).
TEST(LzxFolderDecoder, WindowExponentsMapToTheReadersCodes) {
  const struct { uint16_t type; FolderDecoderStatus status; } cases[] = {
      {0x0F03, kFolderDecoderOk}, {0x1503, kFolderDecoderOk},
      {0x0E03, kFolderDecoderFailed}, {0x1603, kFolderDecoderFailed}, {0x1F03, kFolderDecoderFailed}};
  for (const auto& c : cases) {
    void* handle = nullptr;
    uint32_t inputSize = 0;
    EXPECT_EQ(FolderDecoderQueryCreate(c.type, 0, Memory(), &inputSize, &handle), c.status) << c.type;
    if (c.status == kFolderDecoderOk) {
      EXPECT_EQ(inputSize, kLzxFrameSize + kLzxInputSlack);
      ASSERT_NE(handle, nullptr);
      EXPECT_EQ(FolderDecoderReset(kDecoderLzx, handle), kFolderDecoderOk);
      EXPECT_EQ(FolderDecoderDestroy(kDecoderLzx, handle), kFolderDecoderOk);
    } else {
      EXPECT_EQ(handle, nullptr);
    }
  }
}

TEST(LzxDecoderHandle, BadHandlesAndLengthsAreRefused) {
  uint32_t length = 10;
  uint8_t out[16] = {};
  EXPECT_EQ(LzxDecompress(nullptr, out, 0, out, &length), kDecoderBadHandle);
  EXPECT_EQ(LzxReset(nullptr), kDecoderBadHandle);
  EXPECT_EQ(LzxDestroy(nullptr), kDecoderBadHandle);
  std::vector<uint32_t> notADecoder(64, 0);
  EXPECT_EQ(LzxReset(reinterpret_cast<LzxDecoder*>(notADecoder.data())), kDecoderBadHandle);
  Decoder d;
  std::string result;
  EXPECT_EQ(d.Frame("", kLzxFrameSize + 1, &result), kDecoderInputTooLong);
}

TEST(LzxDecoderUncompressed, OddBlockIsFollowedByOnePaddingByte) {
  // Two uncompressed blocks in one frame; the pad byte's value does not matter.
  for (char pad : {'\0', '\xFF'}) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockUncompressed, 5).RawBody("hello");
    b.RawBytes(std::string(1, pad));
    b.BlockHeader(kLzxBlockUncompressed, 3).RawBody("abc");
    Decoder d;
    std::string out;
    ASSERT_EQ(d.Frame(b.Finish(), 8, &out), kDecoderOk);
    EXPECT_EQ(out, "helloabc");
  }
}

TEST(LzxDecoderUncompressed, EvenBlockHasNoPaddingByte) {
  StreamBuilder b;
  b.NoTranslation().BlockHeader(kLzxBlockUncompressed, 4).RawBody("even");
  b.BlockHeader(kLzxBlockUncompressed, 2).RawBody("ok");
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(b.Finish(), 6, &out), kDecoderOk);
  EXPECT_EQ(out, "evenok");
}

TEST(LzxDecoderUncompressed, OddBlockEndingAtFrameEndLeavesItsPadInThatFrame) {
  StreamBuilder first;
  first.NoTranslation().BlockHeader(kLzxBlockUncompressed, 5).RawBody("hello").RawBytes("P");
  StreamBuilder second;
  second.BlockHeader(kLzxBlockUncompressed, 2).RawBody("xy");
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(first.Finish(), 5, &out), kDecoderOk);
  EXPECT_EQ(out, "hello");
  ASSERT_EQ(d.Frame(second.Finish(), 2, &out), kDecoderOk);
  EXPECT_EQ(out, "xy");
}

TEST(LzxDecoderUncompressed, BlockContinuesAtTheNextFramesFirstByte) {
  StreamBuilder first;
  first.NoTranslation().BlockHeader(kLzxBlockUncompressed, 10).RawBody("0123");
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(first.Finish(), 4, &out), kDecoderOk);
  EXPECT_EQ(out, "0123");
  ASSERT_EQ(d.Frame("456789", 6, &out), kDecoderOk);
  EXPECT_EQ(out, "456789");
}

TEST(LzxDecoderUncompressed, RepeatedOffsetsComeFromTheHeader) {
  // R0 = 3 from the header; then a verbatim block whose only match uses R0.
  StreamBuilder b;
  b.NoTranslation().BlockHeader(kLzxBlockUncompressed, 4).RawBody("abcd", 3, 1, 1);
  b.BlockHeader(kLzxBlockVerbatim, 5);
  WriteTwoSymbolTrees(b, 'z', MatchSymbol(0, 5), LzxMainSymbols(32));
  b.Bits().Write(1, 1);  // the match: R0 = 3, length 5
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(b.Finish(), 9, &out), kDecoderOk);
  EXPECT_EQ(out, "abcdbcdbc");
}

TEST(LzxDecoderFrame, FrameThatEndsEarlyFails) {
  // The block promises 10 bytes, the frame's data holds 6 of them.
  StreamBuilder b;
  b.NoTranslation().BlockHeader(kLzxBlockUncompressed, 10).RawBody("012345");
  Decoder d;
  std::string out;
  EXPECT_EQ(d.Frame(b.Finish(), 10, &out), kDecoderDataError);
  EXPECT_EQ(out, "");
}

TEST(LzxDecoderFrame, TruncatedCompressedFramesFailAtEveryCut) {
  LzxEncoderOptions options;
  options.windowBits = kWindowBits;
  const std::string data = lzx_test::Text(kLzxFrameSize, 7);
  const lzx_test::Frames frames = lzx_test::Encode(data, options);
  const std::string& whole = frames.compressed[0];
  for (std::size_t cut : {std::size_t{0}, std::size_t{3}, whole.size() / 3, whole.size() / 2,
                          whole.size() - 8}) {
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(whole.substr(0, cut), kLzxFrameSize, &out), kDecoderDataError) << cut;
  }
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(whole, kLzxFrameSize, &out), kDecoderOk);
  EXPECT_EQ(out, data);
}

TEST(LzxDecoderFrame, AfterAFailureFramesAreRefusedUntilReset) {
  StreamBuilder bad;
  bad.NoTranslation().BlockHeader(0, 4);  // block type 0 does not exist
  StreamBuilder good;
  good.NoTranslation().BlockHeader(kLzxBlockUncompressed, 2).RawBody("ok");
  Decoder d;
  std::string out;
  EXPECT_EQ(d.Frame(bad.Finish(), 4, &out), kDecoderDataError);
  EXPECT_EQ(d.Frame(good.Finish(), 2, &out), kDecoderDataError);
  ASSERT_EQ(LzxReset(d.get()), kDecoderOk);
  ASSERT_EQ(d.Frame(good.Finish(), 2, &out), kDecoderOk);
  EXPECT_EQ(out, "ok");
}

TEST(LzxDecoderFrame, UnknownBlockTypesFail) {
  for (uint32_t type : {0u, 4u, 5u, 6u, 7u}) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(type, 4).RawBody("data");
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), 4, &out), kDecoderDataError) << type;
  }
}

TEST(LzxDecoderMatch, DistanceWithinHistoryDecodesAndBeyondItFails) {
  // "aaa" then a match of length 2: distance 3 reaches the first byte, distance 4 before it.
  // Slot 4 covers distances 2 and 3 (1 extra bit), slot 5 distances 4 and 5.
  const struct { uint32_t slot, extra; int result; const char* out; } cases[] = {
      {4, 1, kDecoderOk, "aaaaa"},
      {5, 0, kDecoderDataError, ""},
  };
  for (const auto& c : cases) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 5);
    WriteTwoSymbolTrees(b, 'a', MatchSymbol(c.slot, 2), LzxMainSymbols(32));
    b.Bits().Write(0b000, 3);  // three literals
    b.Bits().Write(1, 1);      // the match
    b.Bits().Write(c.extra, 1);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), 5, &out), c.result) << c.slot;
    EXPECT_EQ(out, c.out);
  }
}

TEST(LzxDecoderMatch, RepeatedOffsetBeforeAnyHistoryFails) {
  // A match with R0 = 1 after the reset: as the first symbol nothing is there to copy from;
  // after one literal it repeats that literal.
  const struct { uint32_t literals; int result; const char* out; } cases[] = {
      {0, kDecoderDataError, ""}, {1, kDecoderOk, "aaa"}};
  for (const auto& c : cases) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, c.literals + 2);
    WriteTwoSymbolTrees(b, 'a', MatchSymbol(0, 2), LzxMainSymbols(32));
    b.Bits().Write(0, c.literals);
    b.Bits().Write(1, 1);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), c.literals + 2, &out), c.result) << c.literals;
    EXPECT_EQ(out, c.out);
  }
}

TEST(LzxDecoderMatch, HistoryDoesNotSurviveAReset) {
  // Folder 1 is "abcd"; folder 2's first symbol is a match with R0 = 1. Without the reset in
  // between (one folder) that match copies the "d".
  for (bool reset : {false, true}) {
    StreamBuilder fill;
    fill.NoTranslation().BlockHeader(kLzxBlockUncompressed, 4).RawBody("abcd");
    StreamBuilder reuse;
    if (reset) reuse.NoTranslation();
    reuse.BlockHeader(kLzxBlockVerbatim, 2);
    WriteTwoSymbolTrees(reuse, 'a', MatchSymbol(0, 2), LzxMainSymbols(32));
    reuse.Bits().Write(1, 1);
    Decoder d;
    std::string out;
    ASSERT_EQ(d.Frame(fill.Finish(), 4, &out), kDecoderOk);
    if (reset) {
      ASSERT_EQ(LzxReset(d.get()), kDecoderOk);
    }
    EXPECT_EQ(d.Frame(reuse.Finish(), 2, &out), reset ? kDecoderDataError : kDecoderOk);
    EXPECT_EQ(out, reset ? "" : "dd");
  }
}

TEST(LzxDecoderMatch, MatchCrossingTheFrameEndFails) {
  // The block holds "aaa" and a match of 2 (slot 3: distance 1). A frame of 5 takes it all; a
  // frame of 4 ends inside the match.
  for (uint32_t wanted : {5u, 4u}) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 5);
    WriteTwoSymbolTrees(b, 'a', MatchSymbol(3, 2), LzxMainSymbols(32));
    b.Bits().Write(0b000, 3);
    b.Bits().Write(1, 1);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), wanted, &out), wanted == 5 ? kDecoderOk : kDecoderDataError);
    EXPECT_EQ(out, wanted == 5 ? "aaaaa" : "");
  }
}

TEST(LzxDecoderMatch, LongLengthWithEmptyLengthTreeFails) {
  // Length header 7 needs the length tree: with one code (symbol 0 and 1, length 1 each) the
  // match is 9 long; with the length tree left empty the frame fails.
  for (bool withLengthTree : {true, false}) {
    const uint32_t mainSymbols = LzxMainSymbols(32);
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 10);
    const uint32_t match = MatchSymbol(3, 9);  // header 7: 9 = 2 + 7 + length symbol 0
    b.Pretree(FullPretree(), Concat(Concat(Zeros('a'), LengthsFromZero({1})), Zeros(255 - 'a')));
    b.Pretree(FullPretree(), Concat(Concat(Zeros(match - 256), LengthsFromZero({1})),
                                    Zeros(mainSymbols - match - 1)));
    b.Pretree(FullPretree(), withLengthTree ? Concat(LengthsFromZero({1, 1}), Zeros(kLzxLengthSymbols - 2))
                                            : Zeros(kLzxLengthSymbols));
    b.Bits().Write(0b01, 2);  // 'a', the match
    if (withLengthTree) b.Bits().Write(0, 1);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), 10, &out), withLengthTree ? kDecoderOk : kDecoderDataError);
    EXPECT_EQ(out, withLengthTree ? std::string(10, 'a') : "");
  }
}

TEST(LzxDecoderMatch, LengthCodesOfEveryLengthDecode) {
  // Length-tree lengths 1, 2, ..., 11, 11 (a complete code): symbols 10 and 11 have codes longer
  // than the length table's first-level lookup and walk its tree. Each case is 'a', a match of
  // 9 + symbol from distance 1, and 'b' (main codes: the match 0, 'a' 10, 'b' 11), so a length
  // decoded wrong shows in the output.
  std::vector<uint8_t> lengthTree(kLzxLengthSymbols, 0);
  for (uint8_t i = 0; i < 11; ++i) lengthTree[i] = static_cast<uint8_t>(i + 1);
  lengthTree[11] = 11;
  const std::vector<uint16_t> codes = StreamBuilder::Codes(lengthTree);
  const uint32_t mainSymbols = LzxMainSymbols(32);
  const uint32_t match = MatchSymbol(3, 9);
  for (uint32_t symbol : {0u, 1u, 9u, 10u, 11u}) {
    const uint32_t total = 1 + 9 + symbol + 1;
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, total);
    b.Pretree(FullPretree(), Concat(Concat(Zeros('a'), LengthsFromZero({2, 2})), Zeros(254 - 'a')));
    b.Pretree(FullPretree(), Concat(Concat(Zeros(match - 256), LengthsFromZero({1})),
                                    Zeros(mainSymbols - match - 1)));
    b.Pretree(FullPretree(), Concat(LengthsFromZero(std::vector<uint8_t>(lengthTree.begin(), lengthTree.begin() + 12)),
                                    Zeros(kLzxLengthSymbols - 12)));
    b.Bits().Write(0b10, 2);  // 'a'
    b.Bits().Write(0, 1);     // the match
    b.Bits().Write(codes[symbol], lengthTree[symbol]);
    b.Bits().Write(0b11, 2);  // 'b'
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), total, &out), kDecoderOk) << "length symbol " << symbol;
    EXPECT_EQ(out, std::string(total - 1, 'a') + "b") << "length symbol " << symbol;
  }
}

TEST(LzxDecoderMatch, MatchesAcrossTheWindowsEndDecode) {
  // Four windows of 2^15 bytes of short repeats (text, verbatim blocks) and far ones (records,
  // aligned-offset blocks): after every wrap, matches whose sources lie at the window's end, ahead
  // of the destination. Frames of other sizes than the window put the wrap inside a frame, so
  // that matches also run across the window's end.
  LzxEncoderOptions options;
  options.windowBits = 15;
  const std::string data = lzx_test::Text(2 * kLzxFrameSize + 77, 21) + lzx_test::Records(2 * kLzxFrameSize, 22);
  for (uint32_t frameSize : {kLzxFrameSize, 30001u, 4099u}) {
    const lzx_test::Frames frames = lzx_test::Encode(data, options, frameSize);
    std::string out;
    ASSERT_EQ(lzx_test::Decode(frames, 15, &out), kDecoderOk) << "frames of " << frameSize;
    EXPECT_TRUE(out == data) << "frames of " << frameSize;
  }
}

// Trees whose lengths neither fill the code space nor are all zero, and other bad tree runs.
TEST(LzxDecoderTrees, IncompleteOrOverfullTreesFail) {
  const uint32_t mainSymbols = LzxMainSymbols(32);
  struct Case {
    const char* name;
    std::vector<uint8_t> pretree;
    PretreeSymbols literals;
  };
  std::vector<uint8_t> underfull(kLzxPretreeSymbols, 0);
  underfull[0] = 1;  // half the code space
  std::vector<uint8_t> overfull(kLzxPretreeSymbols, 0);
  overfull[0] = overfull[1] = overfull[2] = 1;
  const std::vector<Case> cases = {
      {"complete (the control case)", FullPretree(), Concat(LengthsFromZero({1, 1}), Zeros(254))},
      {"pretree under-full", underfull, {}},
      {"pretree over-full", overfull, {}},
      // Main tree: one literal of length 1, the rest 0: half the code space.
      {"main under-full", FullPretree(), Concat(LengthsFromZero({1}), Zeros(255))},
      // Three literals of length 1.
      {"main over-full", FullPretree(), Concat(LengthsFromZero({1, 1, 1}), Zeros(253))},
  };
  for (const Case& c : cases) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 4);
    b.Pretree(c.pretree, c.literals);
    b.Pretree(FullPretree(), Zeros(mainSymbols - 256));
    b.Pretree(FullPretree(), Zeros(kLzxLengthSymbols));
    b.Bits().Write(0, 16);
    Decoder d;
    std::string out;
    const bool control = c.name[0] == 'c';
    EXPECT_EQ(d.Frame(b.Finish(), 4, &out), control ? kDecoderOk : kDecoderDataError) << c.name;
  }
}

TEST(LzxDecoderTrees, LengthTreeUnderfullFails) {
  // The length tree with one code of length 2 leaves 3/4 of its code space empty; with two codes
  // of length 1 it is complete.
  const struct { std::vector<uint8_t> lengths; int result; } cases[] = {
      {{2}, kDecoderDataError}, {{1, 1}, kDecoderOk}};
  for (const auto& c : cases) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 4);
    b.Pretree(FullPretree(), Concat(LengthsFromZero({1, 1}), Zeros(254)));
    b.Pretree(FullPretree(), Zeros(LzxMainSymbols(32) - 256));
    b.Pretree(FullPretree(), Concat(LengthsFromZero(c.lengths),
                                    Zeros(kLzxLengthSymbols - static_cast<uint32_t>(c.lengths.size()))));
    b.Bits().Write(0, 16);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), 4, &out), c.result) << c.lengths.size();
  }
}

TEST(LzxDecoderTrees, SameRunFollowedByARunSymbolFails) {
  // Symbol 19 must be followed by a delta (0..16); 17 there has no meaning.
  StreamBuilder b;
  b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 4);
  b.Pretree(FullPretree(), {{19, {0, 1}}, {17, {0, 0}}});
  b.Bits().Write(0, 16);
  Decoder d;
  std::string out;
  EXPECT_EQ(d.Frame(b.Finish(), 4, &out), kDecoderDataError);
}

TEST(LzxDecoderTrees, RunsAreCutAtTheEndOfTheirTree) {
  // 256 literal lengths: 'a' and 'b' at 1, then a zero run of 51 starting at 250 would pass 256.
  StreamBuilder b;
  b.NoTranslation().BlockHeader(kLzxBlockVerbatim, 3);
  PretreeSymbols lit = Concat(Zeros('a'), LengthsFromZero({1, 1}));
  lit = Concat(lit, Zeros(250 - 'c'));
  lit.push_back({18, {31, 5}});  // 51 zeros from 250: cut at 256
  b.Pretree(FullPretree(), lit);
  b.Pretree(FullPretree(), Zeros(LzxMainSymbols(32) - 256));
  b.Pretree(FullPretree(), Zeros(kLzxLengthSymbols));
  b.Bits().Write(0b101, 3);  // "bab"
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(b.Finish(), 3, &out), kDecoderOk);
  EXPECT_EQ(out, "bab");
}

// An aligned-offset block: the aligned tree may leave code space unused, but a code in the
// unused part fails the frame instead of standing for symbol 0.
TEST(LzxDecoderAligned, IncompleteAlignedTreeDecodesItsCodesAndRefusesTheRest) {
  // 8 literals 'a' then a match from slot 8 (3 extra bits, all from the aligned tree).
  // Slot 8 covers distances 14..21; the aligned tree holds only symbol 2 (code "0").
  const struct { uint32_t alignedBit; int result; } cases[] = {{0, kDecoderOk}, {1, kDecoderDataError}};
  for (const auto& c : cases) {
    StreamBuilder b;
    b.NoTranslation().BlockHeader(kLzxBlockAligned, 18);
    for (uint32_t i = 0; i < 8; ++i) b.Bits().Write(i == 2 ? 1 : 0, 3);
    WriteTwoSymbolTrees(b, 'a', MatchSymbol(8, 2), LzxMainSymbols(32));
    // 16 literals, then the match at distance 14 + 2 = 16.
    for (int i = 0; i < 16; ++i) b.Bits().Write(0, 1);
    b.Bits().Write(1, 1);
    b.Bits().Write(c.alignedBit, 1);
    Decoder d;
    std::string out;
    EXPECT_EQ(d.Frame(b.Finish(), 18, &out), c.result) << c.alignedBit;
    if (c.result == kDecoderOk) {
      EXPECT_EQ(out, std::string(18, 'a'));
    }
  }
}

// Call translation on decoded frames, checked value by value. The frame is one uncompressed
// block of 32 bytes with an 0xE8 at offset `at` and the stored value after it.
struct TranslationCase {
  const char* name;
  uint32_t translationSize;  // 0: stream header says no translation
  uint32_t position;         // frame offset of the 0xE8
  uint32_t stored;
  uint32_t expected;
};

std::string CallFrame(uint32_t at, uint32_t value, uint32_t size = 32) {
  std::string f(size, 'x');
  f[at] = static_cast<char>(0xE8);
  uint8_t v[4];
  WriteLe32(v, value);
  for (uint32_t i = 0; i < 4 && at + 1 + i < size; ++i) f[at + 1 + i] = static_cast<char>(v[i]);
  return f;
}

TEST(LzxDecoderCalls, TargetsAreTranslatedByTheRule) {
  const TranslationCase cases[] = {
      {"below size: absolute to relative", 1000, 4, 500, 500 - 4},
      {"zero target", 1000, 4, 0, 0u - 4},
      {"negative, not below -position", 1000, 8, 0u - 8, 0u - 8 + 1000},
      {"negative, below -position", 1000, 8, 0u - 9, 0u - 9},
      {"at size: unchanged", 1000, 4, 1000, 1000},
      {"large positive: unchanged", 1000, 4, 0x7FFFFFFF, 0x7FFFFFFF},
      {"offset 21 (n - 11) is still translated", 1000, 21, 600, 600 - 21},
      {"offset 22 (n - 10) is not", 1000, 22, 600, 600},
      {"no translation in the header", 0, 4, 500, 500},
  };
  for (const auto& c : cases) {
    StreamBuilder b;
    if (c.translationSize) b.Translation(c.translationSize); else b.NoTranslation();
    b.BlockHeader(kLzxBlockUncompressed, 32).RawBody(CallFrame(c.position, c.stored));
    Decoder d;
    std::string out;
    ASSERT_EQ(d.Frame(b.Finish(), 32, &out), kDecoderOk) << c.name;
    EXPECT_EQ(out, CallFrame(c.position, c.expected)) << c.name;
  }
}

TEST(LzxDecoderCalls, TranslationPositionCountsEarlierFrames) {
  // Frame 1: 7 bytes (too short to translate, but they count); frame 2: a call at offset 0.
  StreamBuilder b;
  b.Translation(1000).BlockHeader(kLzxBlockUncompressed, 7 + 32).RawBody(std::string(7, '\xE8'));
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(b.Finish(), 7, &out), kDecoderOk);
  EXPECT_EQ(out, std::string(7, '\xE8'));
  ASSERT_EQ(d.Frame(CallFrame(0, 100), 32, &out), kDecoderOk);
  EXPECT_EQ(out, CallFrame(0, 100 - 7));
}

TEST(LzxDecoderCalls, FramesFrom32768OnAreNotTranslated) {
  // One uncompressed block over 32,770 frames of 16 bytes, each with a call at offset 0.
  constexpr uint32_t kFrame = 16;
  constexpr uint32_t kFrames = kLzxTranslationFrameLimit + 2;
  StreamBuilder b;
  b.Translation(1u << 30).BlockHeader(kLzxBlockUncompressed, kFrame * kFrames).RawBody(CallFrame(0, 5, kFrame));
  Decoder d;
  std::string out;
  ASSERT_EQ(d.Frame(b.Finish(), kFrame, &out), kDecoderOk);
  EXPECT_EQ(out, CallFrame(0, 5, kFrame));  // 5 - position 0
  for (uint32_t i = 1; i < kFrames; ++i) {
    const uint32_t position = i * kFrame;
    ASSERT_EQ(d.Frame(CallFrame(0, position + 5, kFrame), kFrame, &out), kDecoderOk) << i;
    const uint32_t expected = i < kLzxTranslationFrameLimit ? 5 : position + 5;
    ASSERT_EQ(out, CallFrame(0, expected, kFrame)) << "frame " << i;
  }
}

TEST(LzxDecoderInput, FuzzedFramesNeverReadOutsideTheirInput) {
  // Frames of encoded data with bytes flipped: each must decode or fail cleanly. Run under the
  // sanitizer build, an out-of-bounds access would be reported here.
  LzxEncoderOptions options;
  options.windowBits = 15;
  const std::string data = lzx_test::Text(3 * kLzxFrameSize, 9) + lzx_test::Records(kLzxFrameSize, 3);
  const lzx_test::Frames frames = lzx_test::Encode(data, options);
  lzx_test::Random r(77);
  int failures = 0;
  for (int round = 0; round < 200; ++round) {
    lzx_test::Frames damaged = frames;
    std::string& f = damaged.compressed[r.Next() % damaged.compressed.size()];
    for (int k = 0; k < 3; ++k) f[r.Next() % f.size()] ^= static_cast<char>(1 + r.Next() % 255);
    // Each frame copied into a buffer of exactly its size.
    std::string out;
    if (lzx_test::Decode(damaged, 15, &out) != kDecoderOk) ++failures;
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace vorlax
