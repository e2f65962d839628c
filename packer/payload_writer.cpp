// The payload writer: record chain and marker for installers built by the tools and the tests.
#include "packer/payload_writer.h"

#include "base/little_endian.h"
#include "base/text.h"
#include "driver/payload.h"

namespace vorlax {

namespace {

void AppendLe32(std::string* out, uint32_t value) {
  uint8_t bytes[4];
  WriteLe32(bytes, value);
  out->append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace

std::string PayloadRecordTrailer(uint32_t size, uint32_t type) {
  std::string trailer;
  AppendLe32(&trailer, size);
  AppendLe32(&trailer, type);
  return trailer;
}

void AppendPayloadRecord(std::string* out, uint32_t type, const std::string& payload) {
  out->append(payload);
  out->append(PayloadRecordTrailer(static_cast<uint32_t>(payload.size()), type));
}

void AppendPayloadMarker(std::string* out) { out->append(PayloadMarker()); }

std::string BuildInstaller(const std::string& stubImage, const std::string& cabinet,
                           const std::vector<std::u16string>& definesTexts, bool withMarker) {
  std::string out;
  AppendPayloadRecord(&out, kRecordSkipped, stubImage);
  AppendPayloadRecord(&out, kRecordCabinet, cabinet);
  for (const std::u16string& text : definesTexts) {
    AppendPayloadRecord(&out, kRecordDefines, ToUtf16Le(text));
  }
  if (withMarker) AppendPayloadMarker(&out);
  return out;
}

}  // namespace vorlax
