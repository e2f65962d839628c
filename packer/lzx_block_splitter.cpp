// Block prices from merged symbol counts. The greedy cut keeps the running block's counts and
// prices it with and without the next frame; the exhaustive cut prices every run of frames
// i..j-1 and keeps the cheapest sum, a shortest path over the frame boundaries.
// Trees are priced against the lengths before the first held frame: the later blocks' trees
// are coded against their predecessors', which the estimate does not follow.
#include "packer/lzx_block_splitter.h"

#include <memory>
#include <string>

#include "cabinet/lzx_format.h"
#include "packer/lzx_tree_writer.h"

namespace vorlax {

namespace {

constexpr uint32_t kHalfWordBits = 16;
constexpr uint64_t kRepeatedOffsetsBytes = 4 * kLzxRepeatedOffsets;
constexpr uint64_t kBlockHeaderBits = kLzxBlockTypeBits + kLzxBlockSizeBits;

void Add(const LzxFrameTally& from, LzxFrameTally* to) {
  for (uint32_t s = 0; s < kLzxMainSymbolsMax; ++s) to->counts.main[s] += from.counts.main[s];
  for (uint32_t s = 0; s < kLzxLengthSymbols; ++s) to->counts.length[s] += from.counts.length[s];
  to->extraBits += from.extraBits;
  to->bytes += from.bytes;
}

class BlockPricer {
 public:
  BlockPricer(const uint8_t* previousMain, const uint8_t* previousLength, uint32_t mainSymbols)
      : previousMain_(previousMain), previousLength_(previousLength), mainSymbols_(mainSymbols),
        codes_(new LzxBlockCodes) {}

  uint64_t Price(const LzxFrameTally& block) {
    if (block.bytes == 0) return 0;
    BuildLzxBlockCodes(block.counts, mainSymbols_, false, codes_.get());
    uint64_t bits = kBlockHeaderBits + block.extraBits +
                    LzxTreeBits(previousMain_, previousLength_, *codes_, mainSymbols_);
    for (uint32_t s = 0; s < mainSymbols_; ++s) bits += uint64_t{block.counts.main[s]} * codes_->mainLengths[s];
    for (uint32_t s = 0; s < kLzxLengthSymbols; ++s) {
      bits += uint64_t{block.counts.length[s]} * codes_->lengthLengths[s];
    }
    const uint64_t raw = kBlockHeaderBits + LzxRawBlockBits(block.bytes);
    return raw < bits ? raw : bits;
  }

 private:
  const uint8_t* previousMain_;
  const uint8_t* previousLength_;
  uint32_t mainSymbols_;
  std::unique_ptr<LzxBlockCodes> codes_;
};

}  // namespace

uint64_t LzxTreeBits(const uint8_t* previousMain, const uint8_t* previousLength, const LzxBlockCodes& codes,
                     uint32_t mainSymbols) {
  std::string scratch;
  LzxBitWriter writer(&scratch);
  WriteLzxLengthRun(&writer, previousMain, codes.mainLengths, 0, kLzxLiteralCount);
  WriteLzxLengthRun(&writer, previousMain, codes.mainLengths, kLzxLiteralCount, mainSymbols);
  WriteLzxLengthRun(&writer, previousLength, codes.lengthLengths, 0, kLzxLengthSymbols);
  return writer.BitsWritten();
}

uint64_t LzxRawBlockBits(uint64_t bytes) { return kHalfWordBits + 8 * (kRepeatedOffsetsBytes + bytes + 1); }

std::vector<uint32_t> LzxSplitBlocks(const std::vector<LzxFrameTally>& frames, const uint8_t* previousMain,
                                     const uint8_t* previousLength, uint32_t mainSymbols, bool exhaustive) {
  const uint32_t n = static_cast<uint32_t>(frames.size());
  BlockPricer pricer(previousMain, previousLength, mainSymbols);
  std::vector<uint32_t> starts;
  if (n == 0) return starts;
  if (!exhaustive) {
    std::unique_ptr<LzxFrameTally> block(new LzxFrameTally(frames[0]));
    std::unique_ptr<LzxFrameTally> joined(new LzxFrameTally);
    uint64_t blockPrice = pricer.Price(*block);
    starts.push_back(0);
    for (uint32_t j = 1; j < n; ++j) {
      *joined = *block;
      Add(frames[j], joined.get());
      const uint64_t alone = pricer.Price(frames[j]);
      const uint64_t together = pricer.Price(*joined);
      if (together <= blockPrice + alone) {
        std::swap(block, joined);
        blockPrice = together;
      } else {
        *block = frames[j];
        blockPrice = alone;
        starts.push_back(j);
      }
    }
    return starts;
  }
  // best[j]: the least price of frames 0..j-1; from[j]: where its last block starts.
  std::vector<uint64_t> best(n + 1, UINT64_MAX);
  std::vector<uint32_t> from(n + 1, 0);
  best[0] = 0;
  std::unique_ptr<LzxFrameTally> block(new LzxFrameTally);
  for (uint32_t i = 0; i < n; ++i) {
    *block = LzxFrameTally();
    for (uint32_t j = i + 1; j <= n; ++j) {
      Add(frames[j - 1], block.get());
      const uint64_t price = best[i] + pricer.Price(*block);
      if (price < best[j]) {
        best[j] = price;
        from[j] = i;
      }
    }
  }
  for (uint32_t j = n; j > 0; j = from[j]) starts.push_back(from[j]);
  return std::vector<uint32_t>(starts.rbegin(), starts.rend());
}

}  // namespace vorlax
