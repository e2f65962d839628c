// LoadLicenseText: the whole file through the seam, then UTF-16LE to text.
#include "ui/licence_text.h"

#include <string>

#include "base/text.h"
#include "driver/installer_state.h"
#include "platform/system.h"

namespace vorlax {

namespace {

constexpr uint32_t kReadChunk = 64 * 1024;
constexpr unsigned char kMarkFirst = 0xFF;
constexpr unsigned char kMarkSecond = 0xFE;

bool ReadWholeFile(System& system, FileHandle file, std::string* bytes) {
  char chunk[kReadChunk];
  for (;;) {
    const int64_t got = system.ReadFile(file, chunk, kReadChunk);
    if (got < 0) return false;
    if (got == 0) return true;
    bytes->append(chunk, static_cast<std::size_t>(got));
  }
}

bool StartsWithMark(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kMarkFirst &&
         static_cast<unsigned char>(bytes[1]) == kMarkSecond;
}

}  // namespace

std::u16string LicenceFilePath() {
  const InstallerState& state = State();
  return state.tempDir + u"\\" + state.config.LicenseTitle;
}

bool LoadLicenseText(const std::u16string& path, std::u16string* text) {
  text->clear();
  System& system = *State().system;
  const FileHandle file = system.OpenFile(path, FileAccess::kRead);
  if (file == kNoFile) return false;
  std::string bytes;
  const bool read = ReadWholeFile(system, file, &bytes);
  system.CloseFile(file);
  if (!read) return false;
  const std::size_t skip = StartsWithMark(bytes) ? 2 : 0;
  std::u16string all = FromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()) + skip,
                                   bytes.size() - skip);
  *text = all.substr(0, all.find(u'\0'));
  return true;
}

}  // namespace vorlax
