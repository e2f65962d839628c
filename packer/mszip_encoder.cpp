// The MSZIP encoder on zlib's raw deflate.
#include "packer/mszip_encoder.h"

#include <zlib.h>

#include "base/little_endian.h"
#include "cabinet/decoder.h"
#include "cabinet/mszip_decoder.h"

namespace vorlax {

namespace {

constexpr char kMszipTag[2] = {'C', 'K'};
constexpr int kRawDeflateWindowBits = -15;  // negative: raw deflate, no zlib header
constexpr int kMemoryLevel = 8;
constexpr uint32_t kMaxEncodedBlock = kMaxBlockOutput + kMszipInputSlack;
constexpr uint8_t kFinalStoredBlockHeader = 0x01;  // BFINAL = 1, BTYPE = 00

}  // namespace

struct MszipEncoder::Stream {
  z_stream z{};
  bool ready = false;
};

MszipEncoder::MszipEncoder(int level) : stream_(new Stream) {
  stream_->ready = deflateInit2(&stream_->z, level, Z_DEFLATED, kRawDeflateWindowBits,
                                kMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
}

MszipEncoder::~MszipEncoder() {
  if (stream_->ready) deflateEnd(&stream_->z);
  delete stream_;
}

void AppendStoredMszipBlock(const uint8_t* data, uint32_t size, std::string* out) {
  uint8_t header[5];
  header[0] = kFinalStoredBlockHeader;
  WriteLe16(header + 1, static_cast<uint16_t>(size));
  WriteLe16(header + 3, static_cast<uint16_t>(~size));
  out->append(kMszipTag, sizeof kMszipTag);
  out->append(reinterpret_cast<const char*>(header), sizeof header);
  out->append(reinterpret_cast<const char*>(data), size);
}

bool MszipEncoder::EncodeBlock(const uint8_t* data, uint32_t size, bool lastBlock,
                               std::string* out) {
  (void)lastBlock;
  if (!stream_->ready || size > kMaxBlockOutput) return false;
  z_stream& z = stream_->z;
  if (deflateReset(&z) != Z_OK) return false;
  if (!history_.empty() &&
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(history_.data()),
                           static_cast<uInt>(history_.size())) != Z_OK) {
    return false;
  }
  scratch_.resize(deflateBound(&z, size) + 16);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = size;
  z.next_out = reinterpret_cast<Bytef*>(&scratch_[0]);
  z.avail_out = static_cast<uInt>(scratch_.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
  std::size_t produced = scratch_.size() - z.avail_out;
  if (produced + sizeof kMszipTag <= kMaxEncodedBlock) {
    out->append(kMszipTag, sizeof kMszipTag);
    out->append(scratch_.data(), produced);
  } else {
    AppendStoredMszipBlock(data, size, out);
  }
  history_.assign(reinterpret_cast<const char*>(data), size);
  return true;
}

}  // namespace vorlax
