// The deflate block loop of one MSZIP block (see mszip_stream.h), stored blocks, and the shared
// fixed-code tables.
#include "cabinet/mszip_stream.h"

#include <cstring>

#include "cabinet/mszip_dynamic_tables.h"
#include "cabinet/mszip_huffman_data.h"

namespace vorlax {
namespace {

enum DeflateBlockType : uint32_t {
  kBlockStored = 0,
  kBlockFixed = 1,
  kBlockDynamic = 2,
  kBlockReserved = 3,
};

enum BlockEnd : int {
  kBlockDone = 0,
  kBlockOutputFull = 1,
  kBlockFailed = 2,
};

constexpr unsigned kStoredHeaderBytes = 4;  // LEN and NLEN
constexpr uint32_t kStoredCheck = 0xFFFF;   // LEN + NLEN in 16 bits

MszipHuffmanTables BuildFixedTables() {
  MszipHuffmanTables t;
  uint8_t lengths[kMszipFixedLitLenCodes];
  unsigned s = 0;
  for (; s < 144; ++s) lengths[s] = 8;
  for (; s < 256; ++s) lengths[s] = 9;
  for (; s < 280; ++s) lengths[s] = 7;
  for (; s < kMszipFixedLitLenCodes; ++s) lengths[s] = 8;
  BuildFastTable(lengths, kMszipFixedLitLenCodes, kMszipLitLenSymbols, kMszipLitLenRootBits, t.litLen,
                 kMszipLitLenTableSize);
  uint8_t distances[kMszipFixedDistanceCodes];
  std::memset(distances, 5, sizeof distances);
  BuildFastTable(distances, kMszipFixedDistanceCodes, kMszipDistanceSymbols, kMszipDistanceRootBits,
                 t.distance, kMszipDistanceTableSize);
  return t;
}

// Byte offset in the block of the next unread bit, which must be on a byte boundary; past the end
// when zero bytes were read beyond it.
size_t BytePosition(const MszipBitReader* in) {
  return static_cast<size_t>(in->next - in->begin) + in->padding - in->count / 8;
}

// A stored block: LEN bytes after the byte boundary, LEN and NLEN, all of them inside the input.
BlockEnd CopyStoredBlock(MszipBitReader* in, MszipOutput* out) {
  DropBits(in, in->count % 8);
  NeedBits(in, 8 * kStoredHeaderBytes);
  uint32_t len = PeekBits(in, 16);
  uint32_t nlen = (in->bits >> 16) & 0xFFFF;
  DropBits(in, 8 * kStoredHeaderBytes);
  if (((len + nlen) & 0xFFFF) != kStoredCheck) return kBlockFailed;
  size_t position = BytePosition(in);
  size_t length = static_cast<size_t>(in->end - in->begin);
  size_t left = position < length ? length - position : 0;
  if (len > left) return kBlockFailed;
  size_t room = static_cast<size_t>(out->end - out->next);
  size_t n = len < room ? len : room;
  std::memcpy(out->next, in->begin + position, n);
  out->next += n;
  if (n < len) return kBlockOutputFull;
  in->next = in->begin + position + len;
  in->bits = 0;
  in->count = 0;
  in->padding = 0;
  return kBlockDone;
}

BlockEnd FromDataEnd(MszipDataEnd end) {
  if (end == kMszipDataEndOfBlock) return kBlockDone;
  return end == kMszipDataOutputFull ? kBlockOutputFull : kBlockFailed;
}

// Moves the output into the workspace, once per call, before the first block whose matches may
// read the previous block: this call's output so far goes to the output area, the previous
// block's output still ahead of the write position to the history area right before it.
void MoveToWorkspace(MszipOutput* out) {
  if (out->inWorkspace) return;
  size_t position = static_cast<size_t>(out->next - out->start);
  size_t wanted = static_cast<size_t>(out->end - out->start);
  uint8_t* output = out->workspace + out->window;
  std::memcpy(out->workspace + position, out->start + position, out->window - position);
  std::memcpy(output, out->start, position);
  out->start = output;
  out->next = output + position;
  out->end = output + wanted;
  out->inWorkspace = true;
}

BlockEnd DecodeBlock(MszipStreamState* state, uint32_t type, MszipBitReader* in, MszipOutput* out) {
  if (type == kBlockFixed || type == kBlockDynamic) MoveToWorkspace(out);
  switch (type) {
    case kBlockStored:
      return CopyStoredBlock(in, out);
    case kBlockFixed:
      return FromDataEnd(DecodeHuffmanData(MszipFixedTables(), in, out));
    case kBlockDynamic:
      if (!ReadDynamicTables(state, in)) return kBlockFailed;
      return FromDataEnd(DecodeHuffmanData(state->dynamic, in, out));
    default:
      return kBlockFailed;
  }
}

}  // namespace

const MszipHuffmanTables& MszipFixedTables() {
  static const MszipHuffmanTables tables = BuildFixedTables();  // thread-safe one-time build
  return tables;
}

bool DecodeMszipStream(MszipStreamState* state, MszipBitReader* in, MszipOutput* out) {
  bool final = false;
  while (!final && out->next < out->end) {
    final = ReadBits(in, 1) != 0;
    uint32_t type = ReadBits(in, 2);
    BlockEnd end = DecodeBlock(state, type, in, out);
    if (end == kBlockFailed) return false;
    if (end == kBlockOutputFull) return true;
  }
  return true;
}

}  // namespace vorlax
