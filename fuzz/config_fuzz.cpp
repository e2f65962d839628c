// libFuzzer target for the configuration readers: the XML reader (from a text and from a file),
// the three document readers and ExpandDefines.
//
// Input: the first byte picks the reader; the rest is UTF-16LE text (an odd last byte is
// dropped). For the expansion, the text is a defines document, a U+0000, and a text to expand;
// every define value is expanded too. The readers must end every input with a result or an
// error: no crash, no hang, no unbounded memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "base/text.h"
#include "config/define_table.h"
#include "config/install_config.h"
#include "config/property_table.h"
#include "config/xml_reader.h"
#include "driver/installer_state.h"
#include "platform/posix/posix_system.h"

namespace vorlax {
namespace {

// The POSIX seam without message output (invalid define commands show fatal messages).
class QuietSystem : public PosixSystem {
 public:
  int ShowMessage(const std::u16string&, const std::u16string&, uint32_t) override { return kIdOk; }
};

enum class FuzzMode : uint8_t {
  kXmlText = 0,
  kXmlFile = 1,
  kDefines = 2,
  kProperties = 3,
  kInstallConfig = 4,
  kExpand = 5,
};
constexpr uint8_t kModeCount = 6;

void ReadAllNodes(XmlReader* reader) {
  XmlNode node;
  while (reader->Next(&node)) {
  }
}

void FuzzXmlFile(const uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/vorlax_config_fuzz_" + std::to_string(getpid()) + ".xml";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  XmlReader reader;
  if (reader.OpenFile(FromUtf8(path))) ReadAllNodes(&reader);
}

void FuzzExpand(const std::u16string& text) {
  std::size_t split = text.find(u'\0');
  DefineTable& defines = State().defines;
  defines.LoadText(text.substr(0, split));
  if (split != std::u16string::npos) ExpandDefines(defines, text.substr(split + 1));
  for (const auto& define : DefineTable::Map(defines.All())) ExpandDefines(defines, define.second);
}

void RunOne(const uint8_t* data, std::size_t size) {
  static QuietSystem system;
  ResetInstallerState();
  State().system = &system;
  FuzzMode mode = static_cast<FuzzMode>(data[0] % kModeCount);
  std::u16string text = FromUtf16Le(data + 1, size - 1);
  switch (mode) {
    case FuzzMode::kXmlText: {
      XmlReader reader;
      reader.OpenText(text);
      ReadAllNodes(&reader);
      break;
    }
    case FuzzMode::kXmlFile: FuzzXmlFile(data + 1, size - 1); break;
    case FuzzMode::kDefines: State().defines.LoadText(text); break;
    case FuzzMode::kProperties: State().properties.LoadText(text); break;
    case FuzzMode::kInstallConfig: State().config.LoadText(text); break;
    case FuzzMode::kExpand: FuzzExpand(text); break;
  }
}

}  // namespace
}  // namespace vorlax

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  vorlax::RunOne(data, size);
  return 0;
}
