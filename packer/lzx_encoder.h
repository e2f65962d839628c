// The LZX encoder: one cabinet folder's data, one frame of up to 32,768 bytes per data block, into
// the bit stream that src/cabinet/lzx_decoder reads.
//
// Each frame is parsed (greedily, lazily or by cost, after the level) with repeated offsets.
// Frame by frame (EncodeBlock, or lookaheadFrames 0), each frame is then coded as the cheapest of
// a verbatim, an aligned-offset or an uncompressed block (or as the block kind the options force).
// Holding frames back (EncodeFrames with lookaheadFrames above 0), the encoder cuts the held
// frames into blocks that each run over one or more whole frames where one set of trees pays
// (lzx_block_splitter), parses each block again under its own codes at the smallest level, and
// codes each block as the cheapest kind. The output depends only on the data and the options.
// Every frame ends on a 16-bit boundary, as the decoder starts every frame afresh; no match
// crosses a frame's end.
// With call translation on, each frame's x86 CALL targets are made absolute before the frame is
// compressed, and the stream header announces the translation size.
//
// Options for tests can also force one block kind or cut the data into blocks of a given size,
// which then end inside frames or continue over several frames.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cabinet/lzx_format.h"
#include "packer/folder_encoder.h"
#include "packer/lzx_block_splitter.h"
#include "packer/lzx_block_writer.h"
#include "packer/lzx_match_finder.h"
#include "packer/lzx_optimal_parser.h"

namespace vorlax {

// The translation size that the Microsoft cabinet tools announce.
constexpr uint32_t kLzxDefaultTranslationSize = 12000000;

// How hard the encoder works: kFast searches short hash chains and takes the first good match;
// kNormal (the default) searches longer chains and looks one byte ahead before taking a match;
// kSmallest finds every match with binary trees and chooses the parse of least cost in bits.
enum class LzxLevel : uint8_t { kFast = 0, kNormal = 1, kSmallest = 2 };

struct LzxEncoderOptions {
  uint32_t windowBits = kLzxMinWindowBits;
  LzxLevel level = LzxLevel::kNormal;
  bool callTranslation = false;
  uint32_t translationSize = kLzxDefaultTranslationSize;
  // kLzxBlockNone: choose per block by cost; otherwise every block is of this kind.
  LzxBlockType forcedBlockType = kLzxBlockNone;
  // 0: one block per frame. Otherwise every block but the last declares this many bytes.
  uint32_t blockSize = 0;
  // false: matches may reach past one window's length of their source (LzxSearchLimits).
  bool fitWindowRing = true;
  // Frames held back before coding (EncodeFrames), so that a block may run over several; 0 codes
  // each frame as it comes. Ignored with a forced block kind or block size.
  uint32_t lookaheadFrames = 0;
};

// The frames each level holds back when the cabinet writer lets it.
uint32_t LzxLookaheadFrames(LzxLevel level);

// How many blocks of each kind were written (index = LzxBlockType), and how many length-2
// matches at a distance that is not a repeated offset (only the smallest level finds them).
struct LzxEncoderStats {
  uint32_t blocks[4] = {};
  uint64_t newDistancePairs = 0;
};

class LzxEncoder : public FolderEncoder {
 public:
  explicit LzxEncoder(const LzxEncoderOptions& options);

  // One frame: size 0..32,768. Fails (false) only for a frame above 32,768 bytes or a folder
  // past 4 GiB (a cabinet folder holds under 2 GiB).
  // Frame by frame: fails when the encoder holds frames back (lookaheadFrames above 0).
  bool EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock, std::string* out) override;
  bool EncodeFrames(const uint8_t* data, uint32_t size, bool lastBlock, std::vector<EncodedFrame>* ready) override;
  bool Finish(std::vector<EncodedFrame>* ready) override;

  const LzxEncoderStats& Stats() const { return stats_; }

 private:
  void Parse(uint64_t begin, uint64_t end, std::vector<LzxItem>* items);
  void ParseSmallest(uint64_t begin, uint64_t end, std::vector<LzxItem>* items);
  void EncodeSegment(uint64_t begin, uint64_t end, LzxBitWriter* writer, std::string* out);
  void StartBlock(uint64_t begin, uint64_t end, LzxBitWriter* writer, std::string* out);
  void WriteBlockHeader(LzxBlockType type, LzxBitWriter* writer);
  void WriteTrees(const LzxBlockCodes& codes, bool aligned, LzxBitWriter* writer);
  void WriteItems(const std::vector<LzxItem>& items, bool aligned, LzxBitWriter* writer);
  uint64_t TreeBits(const LzxBlockCodes& codes);
  void WriteRawHeader(LzxBitWriter* writer, std::string* out);
  void WriteRaw(uint64_t begin, uint64_t end, bool insert, std::string* out);
  LzxBlockType ChooseType(uint64_t bytes, uint64_t verbatimBits, uint64_t alignedBits) const;
  uint8_t* Append(const uint8_t* data, uint32_t size);
  // Held frames.
  struct HeldFrame {
    uint64_t begin;
    uint64_t end;
    std::vector<LzxItem> items;
    uint32_t repeatedAfter[kLzxRepeatedOffsets];
  };
  void ParseHeld(HeldFrame* frame, const LzxPrices* prices, uint32_t repeated[kLzxRepeatedOffsets]);
  void TallyHeld(const HeldFrame& frame, LzxFrameTally* tally) const;
  void CodeHeld(std::vector<EncodedFrame>* ready);
  void ReparseBlock(uint32_t first, uint32_t end);
  void WriteHeldBlock(uint32_t first, uint32_t end, std::vector<std::string>* outputs);

  LzxEncoderOptions options_;
  uint32_t mainSymbols_;
  LzxMatchFinder finder_;
  std::unique_ptr<LzxOptimalParser> optimal_;  // the smallest level only
  LzxEncoderStats stats_;

  // The decoder's view, mirrored.
  uint32_t repeated_[kLzxRepeatedOffsets] = {1, 1, 1};
  uint8_t mainLengths_[kLzxMainSymbolsMax] = {};
  uint8_t lengthLengths_[kLzxLengthSymbols] = {};
  bool streamHeaderDue_ = true;
  uint32_t framesEncoded_ = 0;
  uint32_t translationPosition_ = 0;

  // The block in progress.
  LzxBlockType blockType_ = kLzxBlockNone;
  uint32_t blockSize_ = 0;
  uint32_t blockLeft_ = 0;
  std::unique_ptr<LzxBlockCodes> codes_;
  bool rawMode_ = false;  // the frame's output is at raw bytes of an uncompressed block

  // Frames held back, parsed once; the parse's repeated offsets after them; the prices of the
  // next held frame's first parse (smallest level).
  std::vector<HeldFrame> held_;
  uint32_t parseRepeated_[kLzxRepeatedOffsets] = {1, 1, 1};
  std::unique_ptr<LzxPrices> heldPrices_;
};

}  // namespace vorlax
