// Item coding: a literal is its main-tree code; a match is its main-tree code (slot and length
// header), a length-tree code when the length header is 7, then the slot's extra bits, of which
// an aligned-offset block codes the low 3 through the aligned tree when the slot has 3 or more.
#include "packer/lzx_block_writer.h"

#include "packer/huffman_code_builder.h"

namespace vorlax {

namespace {

constexpr uint32_t kMaxTreeCode = kLzxMaxCodeLength;
constexpr uint32_t kMaxAlignedCode = 7;  // an aligned length is a 3-bit field
constexpr uint32_t kAlignedMask = (1u << kLzxAlignedOffsetBits) - 1;

bool HasLengthSymbol(const LzxItem& item) {
  return item.length - kLzxMinMatch >= kLzxLengthHeaderEscape;
}

uint32_t LengthSymbol(const LzxItem& item) {
  return item.length - kLzxMinMatch - kLzxLengthHeaderEscape;
}

bool UsesAlignedTree(const LzxItem& item, bool aligned) {
  return aligned && item.slot >= kLzxRepeatedOffsets && LzxExtraBits(item.slot) >= kLzxAlignedOffsetBits;
}

void Smooth(uint32_t* counts, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) counts[i] += 1;
}

}  // namespace

void CountLzxItems(const std::vector<LzxItem>& items, LzxSymbolCounts* counts) {
  for (const LzxItem& item : items) {
    if (item.length == 0) {
      ++counts->main[item.value];
      continue;
    }
    ++counts->main[LzxMatchSymbol(item)];
    if (HasLengthSymbol(item)) ++counts->length[LengthSymbol(item)];
    if (UsesAlignedTree(item, true)) ++counts->aligned[item.value & kAlignedMask];
  }
}

void BuildLzxBlockCodes(const LzxSymbolCounts& input, uint32_t mainSymbols, bool everyCodable,
                        LzxBlockCodes* codes) {
  LzxSymbolCounts counts = input;
  if (everyCodable) {
    Smooth(counts.main, mainSymbols);
    Smooth(counts.length, kLzxLengthSymbols);
  }
  // The aligned tree is written complete even when few offsets use it.
  Smooth(counts.aligned, kLzxAlignedSymbols);
  BuildHuffmanLengths(counts.main, mainSymbols, kMaxTreeCode, codes->mainLengths);
  BuildCanonicalCodes(codes->mainLengths, mainSymbols, codes->mainCodes);
  BuildHuffmanLengths(counts.length, kLzxLengthSymbols, kMaxTreeCode, codes->lengthLengths);
  BuildCanonicalCodes(codes->lengthLengths, kLzxLengthSymbols, codes->lengthCodes);
  BuildHuffmanLengths(counts.aligned, kLzxAlignedSymbols, kMaxAlignedCode, codes->alignedLengths);
  BuildCanonicalCodes(codes->alignedLengths, kLzxAlignedSymbols, codes->alignedCodes);
}

uint64_t LzxItemBits(const std::vector<LzxItem>& items, const LzxBlockCodes& codes, bool aligned) {
  uint64_t bits = 0;
  for (const LzxItem& item : items) {
    if (item.length == 0) {
      bits += codes.mainLengths[item.value];
      continue;
    }
    bits += codes.mainLengths[LzxMatchSymbol(item)];
    if (HasLengthSymbol(item)) bits += codes.lengthLengths[LengthSymbol(item)];
    if (item.slot < kLzxRepeatedOffsets) continue;
    const uint32_t extra = LzxExtraBits(item.slot);
    if (UsesAlignedTree(item, aligned)) {
      bits += extra - kLzxAlignedOffsetBits + codes.alignedLengths[item.value & kAlignedMask];
    } else {
      bits += extra;
    }
  }
  return bits;
}

void WriteLzxItems(LzxBitWriter* writer, const std::vector<LzxItem>& items,
                   const LzxBlockCodes& codes, bool aligned) {
  for (const LzxItem& item : items) {
    if (item.length == 0) {
      writer->Write(codes.mainCodes[item.value], codes.mainLengths[item.value]);
      continue;
    }
    const uint32_t symbol = LzxMatchSymbol(item);
    writer->Write(codes.mainCodes[symbol], codes.mainLengths[symbol]);
    if (HasLengthSymbol(item)) {
      const uint32_t l = LengthSymbol(item);
      writer->Write(codes.lengthCodes[l], codes.lengthLengths[l]);
    }
    if (item.slot < kLzxRepeatedOffsets) continue;
    const uint32_t extra = LzxExtraBits(item.slot);
    if (UsesAlignedTree(item, aligned)) {
      writer->Write(item.value >> kLzxAlignedOffsetBits, extra - kLzxAlignedOffsetBits);
      const uint32_t low = item.value & kAlignedMask;
      writer->Write(codes.alignedCodes[low], codes.alignedLengths[low]);
    } else {
      writer->Write(item.value, extra);
    }
  }
}

}  // namespace vorlax
