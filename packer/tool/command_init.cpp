// `vorlax init DIR`: writes a starter configuration folder (UTF-8 texts, two placeholder
// bitmaps) that `vorlax pack` turns into a working installer for any folder of files.
//
// Trap: init never overwrites: when any of its files already exists in DIR, nothing is written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "packer/tool/command.h"
#include "packer/tool/starter_bitmap.h"
#include "packer/tool/starter_texts.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;

// Logo: the band at the top left of every page; product picture: the framed box beside it.
constexpr int kLogoWidth = 160;
constexpr int kLogoHeight = 48;
constexpr int kProductSide = 48;

std::vector<std::pair<std::string, std::string>> StarterFiles() {
  return {
      {"props.xml", StarterProps()},
      {"defines.xml", StarterDefines()},
      {"install.xml", StarterInstall()},
      {"licence.txt", StarterLicence()},
      {"readme.txt", StarterReadme()},
      {"logo.bmp", StarterBitmap(kLogoWidth, kLogoHeight, 0x1F3A73, 0x5FA8E0, 0x10204A)},
      {"product.bmp", StarterBitmap(kProductSide, kProductSide, 0xF0C040, 0xD04020, 0x602010)},
  };
}

int RunInit(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("init");
  fs::path folder = fs::u8path(args[0]);
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure || !fs::is_directory(folder, failure)) return Fail("cannot make the folder '" + args[0] + "'");
  std::vector<std::pair<std::string, std::string>> files = StarterFiles();
  for (const auto& file : files) {
    if (fs::exists(folder / file.first, failure)) {
      return Fail("'" + (folder / file.first).u8string() + "' already exists; nothing was written");
    }
  }
  for (const auto& file : files) {
    std::ofstream out(folder / file.first, std::ios::binary);
    out.write(file.second.data(), static_cast<std::streamsize>(file.second.size()));
    out.close();
    if (!out) return Fail("cannot write '" + (folder / file.first).u8string() + "'");
  }
  std::printf("%s: starter configuration written (%zu files); edit it, then run 'vorlax check %s'\n",
              args[0].c_str(), files.size(), args[0].c_str());
  return kExitOk;
}

const CommandRegistrar kRegistrar({"init", "init DIR", "write a starter configuration folder to edit", RunInit});

}  // namespace
}  // namespace vorlax
