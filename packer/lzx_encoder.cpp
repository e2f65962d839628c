// The frame and block driver of the LZX encoder. Each frame is appended to the match finder
// (after call translation).
// Frame by frame, a frame is cut into segments: the part of the frame that belongs to one block.
// A new block's segment is parsed before its header is written, so that its kind can be chosen
// by cost; a continuing block codes its segment with the codes it started with.
// Held frames are parsed as they come (the smallest level also keeps their matches), then cut
// into blocks of whole frames, each block coded frame after frame under its header and trees.
//
// Trap: an uncompressed block resets the decoder's repeated offsets to the values in its header.
// Frame by frame, the parse's changes to them are undone when a segment ends up uncompressed;
// held blocks instead carry in the header the offsets the parse had after the block's last
// frame, which the following frames were parsed from.
#include "packer/lzx_encoder.h"

#include <cstring>

#include "base/little_endian.h"
#include "cabinet/lzx_call_translation.h"
#include "packer/lzx_tree_writer.h"

namespace vorlax {

namespace {

// The farthest back a match may reach: the format keeps three bytes of the window unused.
constexpr uint32_t kWindowReserve = 3;
constexpr uint32_t kHalfWordBits = 16;
constexpr uint32_t kRepeatedOffsetsBytes = 4 * kLzxRepeatedOffsets;
constexpr uint32_t kAlignedTreeBits = kLzxAlignedSymbols * kLzxAlignedLengthBits;

uint32_t WindowSize(const LzxEncoderOptions& o) { return 1u << o.windowBits; }

// Prices from codes built on a parse's counts; the low offset bits priced by the aligned tree
// when an aligned-offset block would pay for its tree with them.
void PricesFromCodes(const LzxSymbolCounts& counts, const LzxBlockCodes& codes, LzxPrices* prices) {
  LzxPricesFromLengths(codes.mainLengths, codes.lengthLengths, prices);
  uint64_t verbatim = 0;
  uint64_t aligned = kAlignedTreeBits;
  for (uint32_t s = 0; s < kLzxAlignedSymbols; ++s) {
    verbatim += uint64_t{counts.aligned[s]} * kLzxAlignedOffsetBits;
    aligned += uint64_t{counts.aligned[s]} * codes.alignedLengths[s];
  }
  if (aligned < verbatim) LzxPriceAlignedBits(codes.alignedLengths, prices);
}

// The match finder keeps positions in 32 bits (a cabinet folder holds under 2^31 bytes).
constexpr uint64_t kMaxFolderBytes = 0xFFFFFFF0u;

// Search limits per level, tuned on mixed product data (text, programs, compressed bytes).
LzxSearchLimits LevelLimits(LzxLevel level) {
  switch (level) {
    case LzxLevel::kFast: return LzxSearchLimits{4, 24, false};
    case LzxLevel::kSmallest: return LzxSearchLimits{96, kLzxMaxMatch, true};
    default: return LzxSearchLimits{16, 64, false};
  }
}

LzxSearchLimits LimitsFor(const LzxEncoderOptions& options) {
  LzxSearchLimits limits = LevelLimits(options.level);
  limits.fitWindowRing = options.fitWindowRing;
  return limits;
}

// Held frames are coded by the options' block kind and size when those are forced.
LzxEncoderOptions Effective(LzxEncoderOptions options) {
  if (options.forcedBlockType != kLzxBlockNone || options.blockSize != 0) options.lookaheadFrames = 0;
  return options;
}

// Frames held back at every level: 512 KiB, enough for trees to be shared by several frames
// (32 frames measured no smaller on mixed product data).
constexpr uint32_t kHeldFrames = 16;
// Re-parses of each held block under its own codes at the smallest level (a second one gains
// 0.2% on text and programs with two ways kept per position, for about a fifth more time; a
// third, 0.07%).
constexpr uint32_t kSmallestReparses = 2;
// The smallest level's parse takes a match of this length whole (257, the longest, gave 0.1%
// more bytes on text and programs and about a fifth more time: programs lost more than text
// gained).
constexpr uint32_t kSmallestWholeMatch = 128;
// The smallest level keeps every match of the held frames (a few per position on product data);
// past this many (32 MB) the held frames are coded at once, whatever the data.
constexpr std::size_t kMaxHeldMatches = std::size_t{1} << 22;

}  // namespace

uint32_t LzxLookaheadFrames(LzxLevel) { return kHeldFrames; }

LzxEncoder::LzxEncoder(const LzxEncoderOptions& options)
    : options_(Effective(options)),
      mainSymbols_(LzxMainSymbols(LzxPositionSlots(options.windowBits))),
      finder_(WindowSize(options), WindowSize(options) - kWindowReserve, LimitsFor(options),
              options_.lookaheadFrames * kLzxFrameSize),
      codes_(new LzxBlockCodes) {
  if (options.level == LzxLevel::kSmallest) {
    optimal_.reset(new LzxOptimalParser(&finder_, kSmallestWholeMatch));
    heldPrices_.reset(new LzxPrices);
    LzxPricesFromLengths(mainLengths_, lengthLengths_, heldPrices_.get());
  }
}

uint8_t* LzxEncoder::Append(const uint8_t* data, uint32_t size) {
  uint8_t* frame = finder_.AppendFrame(data, size);
  if (options_.callTranslation && framesEncoded_ < kLzxTranslationFrameLimit) {
    LzxTranslateCalls(frame, size, translationPosition_, options_.translationSize);
  }
  translationPosition_ += size;
  if (framesEncoded_ < kLzxTranslationFrameLimit) ++framesEncoded_;
  return frame;
}

bool LzxEncoder::EncodeBlock(const uint8_t* data, uint32_t size, bool, std::string* out) {
  if (options_.lookaheadFrames != 0) return false;
  if (size > kLzxFrameSize || finder_.End() + size > kMaxFolderBytes) return false;
  const uint64_t begin = finder_.End();
  Append(data, size);

  LzxBitWriter writer(out);
  rawMode_ = blockLeft_ > 0 && blockType_ == kLzxBlockUncompressed;
  const uint64_t end = begin + size;
  uint64_t p = begin;
  while (p < end) {
    if (blockLeft_ == 0) {
      const uint64_t declared = options_.blockSize != 0 ? options_.blockSize : end - p;
      const uint64_t segmentEnd = p + declared < end ? p + declared : end;
      blockSize_ = static_cast<uint32_t>(declared);
      blockLeft_ = blockSize_;
      StartBlock(p, segmentEnd, &writer, out);
      p = segmentEnd;
    } else {
      const uint64_t segmentEnd = p + blockLeft_ < end ? p + blockLeft_ : end;
      EncodeSegment(p, segmentEnd, &writer, out);
      p = segmentEnd;
    }
  }
  if (!rawMode_) writer.FlushWord();
  return true;
}

void LzxEncoder::WriteBlockHeader(LzxBlockType type, LzxBitWriter* writer) {
  if (streamHeaderDue_) {
    writer->Write(options_.callTranslation ? 1 : 0, 1);
    if (options_.callTranslation) {
      writer->Write(options_.translationSize >> kHalfWordBits, kHalfWordBits);
      writer->Write(options_.translationSize & 0xFFFF, kHalfWordBits);
    }
    streamHeaderDue_ = false;
  }
  writer->Write(type, kLzxBlockTypeBits);
  writer->Write(blockSize_, kLzxBlockSizeBits);
  ++stats_.blocks[type];
}

void LzxEncoder::WriteTrees(const LzxBlockCodes& codes, bool aligned, LzxBitWriter* writer) {
  if (aligned) {
    for (uint32_t i = 0; i < kLzxAlignedSymbols; ++i) {
      writer->Write(codes.alignedLengths[i], kLzxAlignedLengthBits);
    }
  }
  WriteLzxLengthRun(writer, mainLengths_, codes.mainLengths, 0, kLzxLiteralCount);
  WriteLzxLengthRun(writer, mainLengths_, codes.mainLengths, kLzxLiteralCount, mainSymbols_);
  WriteLzxLengthRun(writer, lengthLengths_, codes.lengthLengths, 0, kLzxLengthSymbols);
  std::memcpy(mainLengths_, codes.mainLengths, sizeof mainLengths_);
  std::memcpy(lengthLengths_, codes.lengthLengths, sizeof lengthLengths_);
}

void LzxEncoder::WriteItems(const std::vector<LzxItem>& items, bool aligned, LzxBitWriter* writer) {
  for (const LzxItem& item : items) {
    if (item.length == kLzxMinMatch && item.slot >= kLzxRepeatedOffsets) ++stats_.newDistancePairs;
  }
  WriteLzxItems(writer, items, *codes_, aligned);
}

uint64_t LzxEncoder::TreeBits(const LzxBlockCodes& codes) {
  return LzxTreeBits(mainLengths_, lengthLengths_, codes, mainSymbols_);
}

LzxBlockType LzxEncoder::ChooseType(uint64_t bytes, uint64_t verbatimBits,
                                    uint64_t alignedBits) const {
  const uint64_t rawBits = LzxRawBlockBits(bytes);
  if (rawBits < verbatimBits && rawBits < alignedBits) return kLzxBlockUncompressed;
  return alignedBits < verbatimBits ? kLzxBlockAligned : kLzxBlockVerbatim;
}

void LzxEncoder::StartBlock(uint64_t begin, uint64_t end, LzxBitWriter* writer, std::string* out) {
  if (options_.forcedBlockType == kLzxBlockUncompressed) {
    blockType_ = kLzxBlockUncompressed;
    WriteBlockHeader(blockType_, writer);
    WriteRawHeader(writer, out);
    WriteRaw(begin, end, true, out);
    return;
  }
  uint32_t saved[kLzxRepeatedOffsets];
  std::memcpy(saved, repeated_, sizeof saved);
  std::vector<LzxItem> items;
  if (optimal_) {
    ParseSmallest(begin, end, &items);
  } else {
    Parse(begin, end, &items);
  }
  LzxSymbolCounts counts;
  CountLzxItems(items, &counts);
  const bool continues = blockSize_ > end - begin;
  BuildLzxBlockCodes(counts, mainSymbols_, continues, codes_.get());
  if (options_.forcedBlockType != kLzxBlockNone) {
    blockType_ = options_.forcedBlockType;
  } else {
    const uint64_t trees = TreeBits(*codes_);
    const uint64_t verbatim = trees + LzxItemBits(items, *codes_, false);
    const uint64_t aligned = trees + kAlignedTreeBits + LzxItemBits(items, *codes_, true);
    blockType_ = ChooseType(end - begin, verbatim, aligned);
  }
  WriteBlockHeader(blockType_, writer);
  if (blockType_ == kLzxBlockUncompressed) {
    std::memcpy(repeated_, saved, sizeof saved);
    WriteRawHeader(writer, out);
    WriteRaw(begin, end, false, out);  // the parse has already inserted every position
    return;
  }
  const bool isAligned = blockType_ == kLzxBlockAligned;
  WriteTrees(*codes_, isAligned, writer);
  WriteItems(items, isAligned, writer);
  blockLeft_ -= static_cast<uint32_t>(end - begin);
}

void LzxEncoder::Parse(uint64_t begin, uint64_t end, std::vector<LzxItem>* items) {
  LzxParse(&finder_, 0, begin, end, options_.level != LzxLevel::kFast, repeated_, items);
}

// Two cost-based parses: the first under the previous block's codes, the second under the codes
// the first one gives.
void LzxEncoder::ParseSmallest(uint64_t begin, uint64_t end, std::vector<LzxItem>* items) {
  uint32_t start[kLzxRepeatedOffsets];
  std::memcpy(start, repeated_, sizeof start);
  optimal_->Clear();
  optimal_->Collect(begin, end);
  std::unique_ptr<LzxPrices> prices(new LzxPrices);
  LzxPricesFromLengths(mainLengths_, lengthLengths_, prices.get());
  optimal_->Parse(begin, end, 0, *prices, repeated_, items);
  LzxSymbolCounts counts;
  CountLzxItems(*items, &counts);
  std::unique_ptr<LzxBlockCodes> trial(new LzxBlockCodes);
  BuildLzxBlockCodes(counts, mainSymbols_, false, trial.get());
  LzxPricesFromLengths(trial->mainLengths, trial->lengthLengths, prices.get());
  std::memcpy(repeated_, start, sizeof start);
  items->clear();
  optimal_->Parse(begin, end, 0, *prices, repeated_, items);
}

void LzxEncoder::EncodeSegment(uint64_t begin, uint64_t end, LzxBitWriter* writer,
                               std::string* out) {
  if (blockType_ == kLzxBlockUncompressed) {
    WriteRaw(begin, end, true, out);
    return;
  }
  std::vector<LzxItem> items;
  Parse(begin, end, &items);
  WriteItems(items, blockType_ == kLzxBlockAligned, writer);
  blockLeft_ -= static_cast<uint32_t>(end - begin);
}

// The start of an uncompressed block after its type and size: padding to the word, then the
// repeated offsets the decoder takes over.
void LzxEncoder::WriteRawHeader(LzxBitWriter* writer, std::string* out) {
  writer->AlignForRawBytes();
  uint8_t offsets[kRepeatedOffsetsBytes];
  for (uint32_t i = 0; i < kLzxRepeatedOffsets; ++i) WriteLe32(offsets + 4 * i, repeated_[i]);
  out->append(reinterpret_cast<const char*>(offsets), sizeof offsets);
  rawMode_ = true;
}

// Raw bytes of an uncompressed block, with the padding byte after an odd-sized block's last.
void LzxEncoder::WriteRaw(uint64_t begin, uint64_t end, bool insert, std::string* out) {
  if (insert) {
    for (uint64_t q = begin; q < end; ++q) finder_.Insert(q);
  }
  out->append(reinterpret_cast<const char*>(finder_.At(begin)), static_cast<std::size_t>(end - begin));
  blockLeft_ -= static_cast<uint32_t>(end - begin);
  if (blockLeft_ == 0) {
    if (blockSize_ & 1) out->push_back('\0');
    rawMode_ = false;
  }
}

// ---- Held frames ------------------------------------------------------------------------------

bool LzxEncoder::EncodeFrames(const uint8_t* data, uint32_t size, bool lastBlock, std::vector<EncodedFrame>* ready) {
  if (options_.lookaheadFrames == 0) return FolderEncoder::EncodeFrames(data, size, lastBlock, ready);
  if (size > kLzxFrameSize || finder_.End() + size > kMaxFolderBytes) return false;
  HeldFrame frame;
  frame.begin = finder_.End();
  frame.end = frame.begin + size;
  Append(data, size);
  if (optimal_) optimal_->Collect(frame.begin, frame.end);
  ParseHeld(&frame, heldPrices_.get(), parseRepeated_);
  if (optimal_) {
    // The next frame's first parse is priced by this frame's symbols.
    LzxFrameTally tally;
    TallyHeld(frame, &tally);
    std::unique_ptr<LzxBlockCodes> codes(new LzxBlockCodes);
    BuildLzxBlockCodes(tally.counts, mainSymbols_, false, codes.get());
    LzxPricesFromLengths(codes->mainLengths, codes->lengthLengths, heldPrices_.get());
  }
  held_.push_back(std::move(frame));
  if (lastBlock || held_.size() >= options_.lookaheadFrames || (optimal_ && optimal_->MatchCount() >= kMaxHeldMatches)) {
    CodeHeld(ready);
  }
  return true;
}

bool LzxEncoder::Finish(std::vector<EncodedFrame>* ready) {
  if (!held_.empty()) CodeHeld(ready);
  return true;
}

void LzxEncoder::ParseHeld(HeldFrame* frame, const LzxPrices* prices, uint32_t repeated[kLzxRepeatedOffsets]) {
  frame->items.clear();
  if (optimal_) {
    optimal_->Parse(frame->begin, frame->end, 0, *prices, repeated, &frame->items);
  } else {
    LzxParse(&finder_, 0, frame->begin, frame->end, options_.level != LzxLevel::kFast, repeated, &frame->items);
  }
  std::memcpy(frame->repeatedAfter, repeated, sizeof frame->repeatedAfter);
}

void LzxEncoder::TallyHeld(const HeldFrame& frame, LzxFrameTally* tally) const {
  CountLzxItems(frame.items, &tally->counts);
  for (const LzxItem& item : frame.items) {
    if (item.length != 0 && item.slot >= kLzxRepeatedOffsets) tally->extraBits += LzxExtraBits(item.slot);
  }
  tally->bytes += frame.end - frame.begin;
}

void LzxEncoder::CodeHeld(std::vector<EncodedFrame>* ready) {
  const uint32_t n = static_cast<uint32_t>(held_.size());
  std::vector<LzxFrameTally> tallies(n);
  for (uint32_t i = 0; i < n; ++i) TallyHeld(held_[i], &tallies[i]);
  std::vector<uint32_t> starts = LzxSplitBlocks(tallies, mainLengths_, lengthLengths_, mainSymbols_, optimal_ != nullptr);
  starts.push_back(n);
  std::vector<std::string> outputs(n);
  for (std::size_t b = 0; b + 1 < starts.size(); ++b) {
    if (optimal_) ReparseBlock(starts[b], starts[b + 1]);
    WriteHeldBlock(starts[b], starts[b + 1], &outputs);
  }
  for (uint32_t i = 0; i < n; ++i) {
    EncodedFrame frame;
    frame.bytes = std::move(outputs[i]);
    frame.size = static_cast<uint32_t>(held_[i].end - held_[i].begin);
    ready->push_back(std::move(frame));
  }
  std::memcpy(parseRepeated_, repeated_, sizeof parseRepeated_);
  held_.clear();
  if (optimal_) optimal_->Clear();
}

// The block's frames parsed again from the decoder's offsets, priced by the codes their last
// parse gives.
void LzxEncoder::ReparseBlock(uint32_t first, uint32_t end) {
  std::unique_ptr<LzxPrices> prices(new LzxPrices);
  std::unique_ptr<LzxBlockCodes> codes(new LzxBlockCodes);
  for (uint32_t pass = 0; pass < kSmallestReparses; ++pass) {
    std::unique_ptr<LzxFrameTally> tally(new LzxFrameTally);
    for (uint32_t i = first; i < end; ++i) TallyHeld(held_[i], tally.get());
    BuildLzxBlockCodes(tally->counts, mainSymbols_, false, codes.get());
    PricesFromCodes(tally->counts, *codes, prices.get());
    uint32_t repeated[kLzxRepeatedOffsets];
    std::memcpy(repeated, repeated_, sizeof repeated);
    for (uint32_t i = first; i < end; ++i) ParseHeld(&held_[i], prices.get(), repeated);
  }
}

// One block over held frames [first, end): its header (and trees or offsets) in the first frame
// with bytes, then each frame's items or bytes, each frame ending on a word.
void LzxEncoder::WriteHeldBlock(uint32_t first, uint32_t end, std::vector<std::string>* outputs) {
  const uint64_t bytes = held_[end - 1].end - held_[first].begin;
  if (bytes == 0) return;
  LzxSymbolCounts counts;
  for (uint32_t i = first; i < end; ++i) CountLzxItems(held_[i].items, &counts);
  BuildLzxBlockCodes(counts, mainSymbols_, false, codes_.get());
  const uint64_t trees = TreeBits(*codes_);
  uint64_t verbatim = trees;
  uint64_t aligned = trees + kAlignedTreeBits;
  for (uint32_t i = first; i < end; ++i) {
    verbatim += LzxItemBits(held_[i].items, *codes_, false);
    aligned += LzxItemBits(held_[i].items, *codes_, true);
  }
  blockType_ = ChooseType(bytes, verbatim, aligned);
  blockSize_ = static_cast<uint32_t>(bytes);
  blockLeft_ = blockSize_;
  std::memcpy(repeated_, held_[end - 1].repeatedAfter, sizeof repeated_);
  const bool raw = blockType_ == kLzxBlockUncompressed;
  const bool isAligned = blockType_ == kLzxBlockAligned;
  bool started = false;
  for (uint32_t i = first; i < end; ++i) {
    const HeldFrame& frame = held_[i];
    if (frame.end == frame.begin) continue;
    std::string* out = &(*outputs)[i];
    LzxBitWriter writer(out);
    if (!started) {
      WriteBlockHeader(blockType_, &writer);
      if (raw) {
        WriteRawHeader(&writer, out);
      } else {
        WriteTrees(*codes_, isAligned, &writer);
      }
      started = true;
    }
    if (raw) {
      WriteRaw(frame.begin, frame.end, false, out);
    } else {
      WriteItems(frame.items, isAligned, &writer);
      blockLeft_ -= static_cast<uint32_t>(frame.end - frame.begin);
    }
    if (!rawMode_) writer.FlushWord();
  }
}

}  // namespace vorlax
