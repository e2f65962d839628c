// The frame and block driver of the LZX encoder. Each frame is appended to the match finder
// (after call translation), then cut into segments: the part of the frame that belongs to one
// block. A new block's segment is parsed before its header is written, so that its kind can be
// chosen by cost; a continuing block codes its segment with the codes it started with.
//
// Trap: an uncompressed block resets the decoder's repeated offsets to the values in its header,
// so the parse's changes to them are undone when a segment ends up uncompressed.
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

}  // namespace

LzxEncoder::LzxEncoder(const LzxEncoderOptions& options)
    : options_(options),
      mainSymbols_(LzxMainSymbols(LzxPositionSlots(options.windowBits))),
      finder_(WindowSize(options), WindowSize(options) - kWindowReserve, LimitsFor(options)),
      codes_(new LzxBlockCodes) {
  if (options.level == LzxLevel::kSmallest) {
    optimal_.reset(new LzxOptimalParser(&finder_, LimitsFor(options).niceLength));
  }
}

bool LzxEncoder::EncodeBlock(const uint8_t* data, uint32_t size, bool, std::string* out) {
  if (size > kLzxFrameSize || finder_.End() + size > kMaxFolderBytes) return false;
  const uint64_t begin = finder_.End();
  uint8_t* frame = finder_.AppendFrame(data, size);
  if (options_.callTranslation && framesEncoded_ < kLzxTranslationFrameLimit) {
    LzxTranslateCalls(frame, size, translationPosition_, options_.translationSize);
  }
  translationPosition_ += size;
  if (framesEncoded_ < kLzxTranslationFrameLimit) ++framesEncoded_;

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

uint64_t LzxEncoder::TreeBits(const LzxBlockCodes& codes) {
  std::string scratch;
  LzxBitWriter writer(&scratch);
  WriteLzxLengthRun(&writer, mainLengths_, codes.mainLengths, 0, kLzxLiteralCount);
  WriteLzxLengthRun(&writer, mainLengths_, codes.mainLengths, kLzxLiteralCount, mainSymbols_);
  WriteLzxLengthRun(&writer, lengthLengths_, codes.lengthLengths, 0, kLzxLengthSymbols);
  return writer.BitsWritten();
}

LzxBlockType LzxEncoder::ChooseType(uint64_t bytes, uint64_t verbatimBits,
                                    uint64_t alignedBits) const {
  // Padding to the word, the repeated offsets, the bytes and their padding byte.
  const uint64_t rawBits = kHalfWordBits + 8 * (kRepeatedOffsetsBytes + bytes + 1);
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
  WriteLzxItems(writer, items, *codes_, isAligned);
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
  optimal_->Collect(begin, end);
  std::unique_ptr<LzxPrices> prices(new LzxPrices);
  LzxPricesFromLengths(mainLengths_, lengthLengths_, prices.get());
  optimal_->Parse(0, *prices, repeated_, items);
  LzxSymbolCounts counts;
  CountLzxItems(*items, &counts);
  std::unique_ptr<LzxBlockCodes> trial(new LzxBlockCodes);
  BuildLzxBlockCodes(counts, mainSymbols_, false, trial.get());
  LzxPricesFromLengths(trial->mainLengths, trial->lengthLengths, prices.get());
  std::memcpy(repeated_, start, sizeof start);
  items->clear();
  optimal_->Parse(0, *prices, repeated_, items);
}

void LzxEncoder::EncodeSegment(uint64_t begin, uint64_t end, LzxBitWriter* writer,
                               std::string* out) {
  if (blockType_ == kLzxBlockUncompressed) {
    WriteRaw(begin, end, true, out);
    return;
  }
  std::vector<LzxItem> items;
  Parse(begin, end, &items);
  WriteLzxItems(writer, items, *codes_, blockType_ == kLzxBlockAligned);
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

}  // namespace vorlax
