// The sample product's cabinet (see sample_product.h).
#include "sample_product.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "packer/cabinet_writer.h"

namespace scenarios {

namespace {

constexpr uint16_t kReadOnly = 0x01;
constexpr uint16_t kArchive = 0x20;
constexpr uint16_t kConfigFolder = 0;
constexpr uint16_t kProductFolder = 1;
constexpr uint16_t kLzxWindowBits = 16;

// The page bitmaps: one colour each, with a marker colour in the top-left pixel so the scenarios
// see that the picture stands the right way up at the right place.
constexpr uint32_t kLogoColour = 0x1E5AA0;     // RGB(30, 90, 160)
constexpr uint32_t kProductColour = 0x148C3C;  // RGB(20, 140, 60)
constexpr uint32_t kCornerColour = 0xFAC800;   // RGB(250, 200, 0)
constexpr int kLogoWidth = 60, kLogoHeight = 40;
constexpr int kProductWidth = 100, kProductHeight = 50;  // the size the page layout is drawn for
constexpr size_t kMusicSize = 192 * 1024;

constexpr uint16_t DosDate(int year, int month, int day) {
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

enum class Source { kChecked, kLaunchMarker, kMusic, kTestFunctions, kUninstaller };

struct ProductFile {
  const char* cabinetName;
  Source source;
  const char* checkedPath;  // under the product folder, for Source::kChecked
  uint16_t date;
  uint16_t time;
  uint16_t attributes;
};

// In cabinet order, which is the order of the install log's File lines.
const ProductFile kProductFiles[] = {
    {"files\\readme.txt", Source::kChecked, "files/readme.txt", DosDate(2019, 6, 30), DosTime(13, 45, 10), kArchive},
    {"files\\bin\\vorlax-launch-marker.exe", Source::kLaunchMarker, nullptr, DosDate(2020, 2, 29), DosTime(23, 59, 58), kArchive},
    {"files\\data\\empty.dat", Source::kChecked, "files/data/empty.dat", DosDate(1999, 12, 31), DosTime(0, 0, 0), kArchive},
    {"files\\data\\levels\\level1.dat", Source::kChecked, "files/data/levels/level1.dat", DosDate(2001, 9, 9), DosTime(1, 46, 40), kReadOnly | kArchive},
    {"files\\data\\music.bin", Source::kMusic, nullptr, DosDate(2010, 10, 10), DosTime(10, 10, 10), kArchive},
    {"files\\docs\\manual.txt", Source::kChecked, "files/docs/manual.txt", DosDate(1985, 3, 4), DosTime(5, 6, 8), kArchive},
    // Only in the "actions" variants: the library whose function a PostExec entry calls.
    {"files\\bin\\vorlax-test-functions.dll", Source::kTestFunctions, nullptr, DosDate(2021, 1, 2), DosTime(3, 4, 6), kArchive},
    // Only in the "actions" variants: the uninstaller its uninstall entry names.
    {"files\\uninst.exe", Source::kUninstaller, nullptr, DosDate(2021, 1, 2), DosTime(3, 4, 8), kArchive},
};

// The "actions" variants replace these configuration files with the ones under actions/.
const char* const kActionsConfigFiles[] = {"install.xml", "defines.xml"};
constexpr char kTestFunctionsName[] = "vorlax-test-functions.dll";
// The uninstaller of the Windows build, relative to its launch marker (tests/robot/...).
constexpr char kUninstallerFromRobotFolder[] = "../../src/uninstall/win32/vorlax-uninstall.exe";

const char* const kConfigFiles[] = {"install.xml", "defines.xml", "props.xml", "licence.txt", "readme.txt"};

// The "damaged" variants: one configuration file replaced by a damaged one (UTF-16LE with its
// byte-order mark), or left out (null text), one variant per kind of damage the readers tell.
struct DamagedFile {
  const char* variant;
  const char* configFile;
  const char* text;
};
const DamagedFile kDamagedFiles[] = {
    // The root element is not Properties: the section reader stops on line 2.
    {"bad-props", "props.xml", "<?xml version=\"1.0\" ?>\r\n<Props>\r\n</Props>\r\n"},
    // An end tag that closes another element than the open one (the XML reader).
    {"bad-install-end", "install.xml",
     "<?xml version=\"1.0\" ?>\r\n<InstallConfig>\r\n\t<RunExe>x</InstallLog>\r\n</InstallConfig>\r\n"},
    // An element the install configuration does not know (the section reader).
    {"bad-install-element", "install.xml",
     "<?xml version=\"1.0\" ?>\r\n<InstallConfig>\r\n\t<Bogus>x</Bogus>\r\n</InstallConfig>\r\n"},
    // A file that ends inside an element.
    {"bad-defines-cut", "defines.xml", "<?xml version=\"1.0\" ?>\r\n<Defines>\r\n\t<Define><Name>Ver"},
    // A file missing from the cabinet.
    {"bad-defines-missing", "defines.xml", nullptr},
};

const DamagedFile* FindDamage(const std::string& variant) {
  for (const DamagedFile& damage : kDamagedFiles) {
    if (variant == damage.variant) return &damage;
  }
  return nullptr;
}

// The "escaping-name" variant's extra product entry, whose name leaves the install folder.
constexpr char kEscapingName[] = "files\\..\\escaped.txt";

bool ReadFile(const std::string& path, std::string* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  char buffer[65536];
  size_t got;
  bytes->clear();
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

void PutLe(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

// The "large" variant: extra files that keep each progress page on screen for seconds under Wine,
// where every file the extraction makes costs several round trips to the server (folders made
// along its path, the file, its time and attributes), far more than its bytes. The configuration
// stage unpacks kLargePadFiles small files besides the configuration (nothing reads them); the
// product gains kLargePieceFiles files after its own, which the install log lists; their
// kLargePieceSize bytes each outweigh the other product files, so the overall bar climbs over most
// of its range while they are written.
constexpr char kLargeVariant[] = "large";
constexpr int kLargePadFiles = 300;
constexpr int kLargePieceFiles = 1000;
constexpr size_t kLargePieceSize = 4096;
constexpr uint16_t kLargeDate = DosDate(2024, 5, 6);
constexpr uint16_t kLargeTime = DosTime(7, 8, 10);

std::string FourDigits(int number) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return digits;
}

void AddLargeFiles(std::vector<vorlax::CabinetInputFile>* files) {
  for (int i = 0; i < kLargePadFiles; ++i) {
    vorlax::CabinetInputFile pad;
    pad.name = "cfg\\pad\\" + FourDigits(i) + ".txt";
    pad.data = "pad " + FourDigits(i) + "\r\n";
    pad.folder = kConfigFolder;
    files->push_back(pad);
  }
  for (int i = 0; i < kLargePieceFiles; ++i) {
    vorlax::CabinetInputFile piece;
    piece.name = "files\\data\\pieces\\" + FourDigits(i) + ".dat";
    const std::string line = "piece " + FourDigits(i) + "\r\n";
    while (piece.data.size() < kLargePieceSize) piece.data += line;
    piece.data.resize(kLargePieceSize);
    piece.dosDate = kLargeDate;
    piece.dosTime = kLargeTime;
    piece.folder = kProductFolder;
    files->push_back(piece);
  }
}

// A 24-bit bottom-up BMP of one colour with the corner colour in its top-left pixel.
std::string MakeBitmap(int width, int height, uint32_t colour) {
  const int rowSize = (width * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(rowSize * height);
  std::string bmp = "BM";
  PutLe(&bmp, 14 + 40 + dataSize, 4);
  PutLe(&bmp, 0, 4);
  PutLe(&bmp, 14 + 40, 4);
  PutLe(&bmp, 40, 4);
  PutLe(&bmp, static_cast<uint32_t>(width), 4);
  PutLe(&bmp, static_cast<uint32_t>(height), 4);
  PutLe(&bmp, 1, 2);
  PutLe(&bmp, 24, 2);
  for (int i = 0; i < 6; ++i) PutLe(&bmp, 0, 4);  // compression, size, resolution, colours
  for (int row = height - 1; row >= 0; --row) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      uint32_t pixel = row == 0 && x == 0 ? kCornerColour : colour;
      PutLe(&line, pixel, 3);  // blue, green, red
    }
    line.resize(static_cast<size_t>(rowSize), '\0');
    bmp += line;
  }
  return bmp;
}

// Text-like data that compresses, but not to nothing: numbered lines from a small generator.
std::string MakeMusic() {
  std::string data;
  uint32_t state = 12345;
  while (data.size() < kMusicSize) {
    state = state * 1103515245u + 12345u;
    data += "note " + std::to_string(state >> 20) + " length " + std::to_string((state >> 8) & 15) + "\r\n";
  }
  data.resize(kMusicSize);
  return data;
}

// A file of the Windows build folder that lies beside the launch marker program.
std::string BesideLaunchMarker(const std::string& launchMarker, const char* name) {
  size_t slash = launchMarker.find_last_of('/');
  return slash == std::string::npos ? std::string(name) : launchMarker.substr(0, slash + 1) + name;
}

std::string Utf16LeWithMark(const std::string& ascii) {
  std::string out("\xFF\xFE", 2);
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

}  // namespace

bool BuildProductCabinet(const std::string& productDir, const std::string& launchMarker,
                         const std::string& variant, std::string* cabinet, std::string* error) {
  const DamagedFile* damage = FindDamage(variant);
  if (!variant.empty() && !damage && variant != "win98" && variant != "actions" &&
      variant != "actions-win98" && variant != "escaping-name" && variant != kLargeVariant) {
    *error = "unknown product variant " + variant;
    return false;
  }
  const bool actions = variant.rfind("actions", 0) == 0;
  std::vector<vorlax::CabinetInputFile> files;
  for (const char* name : kConfigFiles) {
    vorlax::CabinetInputFile file;
    file.name = std::string("cfg\\") + name;
    file.folder = kConfigFolder;
    if (damage && std::string(damage->configFile) == name) {
      if (!damage->text) continue;
      file.data = Utf16LeWithMark(damage->text);
    } else {
      std::string folder = "/cfg/";
      for (const char* replaced : kActionsConfigFiles) {
        if (actions && file.name == std::string("cfg\\") + replaced) folder = "/actions/";
      }
      if (!ReadFile(productDir + folder + name, &file.data)) {
        *error = "cannot read " + productDir + folder + name;
        return false;
      }
    }
    files.push_back(file);
  }
  files.push_back({"cfg\\logo.bmp", MakeBitmap(kLogoWidth, kLogoHeight, kLogoColour)});
  files.push_back({"cfg\\product.bmp", MakeBitmap(kProductWidth, kProductHeight, kProductColour)});
  for (const ProductFile& product : kProductFiles) {
    bool actionsOnly = product.source == Source::kTestFunctions || product.source == Source::kUninstaller;
    if (actionsOnly && !actions) continue;
    vorlax::CabinetInputFile file;
    file.name = product.cabinetName;
    file.dosDate = product.date;
    file.dosTime = product.time;
    file.attributes = product.attributes;
    file.folder = kProductFolder;
    bool read = true;
    switch (product.source) {
      case Source::kChecked: read = ReadFile(productDir + "/" + product.checkedPath, &file.data); break;
      case Source::kLaunchMarker: read = ReadFile(launchMarker, &file.data) && !file.data.empty(); break;
      case Source::kMusic: file.data = MakeMusic(); break;
      case Source::kTestFunctions: read = ReadFile(BesideLaunchMarker(launchMarker, kTestFunctionsName), &file.data); break;
      case Source::kUninstaller:
        read = ReadFile(BesideLaunchMarker(launchMarker, kUninstallerFromRobotFolder), &file.data);
        break;
    }
    if (!read) {
      *error = std::string("cannot read the source of ") + product.cabinetName +
               (product.source == Source::kLaunchMarker ? " (" + launchMarker + ": build vorlax-launch-marker)" : "");
      return false;
    }
    files.push_back(file);
  }
  if (variant == "escaping-name") {
    vorlax::CabinetInputFile escaping;
    escaping.name = kEscapingName;
    escaping.data = "outside the install folder\r\n";
    escaping.folder = kProductFolder;
    files.push_back(escaping);
  }
  if (variant == kLargeVariant) AddLargeFiles(&files);
  vorlax::CabinetWriterOptions options;
  vorlax::CompressionChoice lzx;
  lzx.kind = 3;
  lzx.windowBits = kLzxWindowBits;
  options.folders = {vorlax::CompressionChoice(), lzx};
  std::vector<vorlax::CabinetPart> parts;
  if (!vorlax::WriteCabinets(files, options, &parts, error)) return false;
  *cabinet = parts.front().bytes;
  return true;
}

}  // namespace scenarios
