// Writes small seed cabinets for cabinet_fuzz into the folder given: stored and MSZIP folders,
// several folders, reserve areas, empty files, the parts of a small set, and LZX and Quantum
// folders.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "packer/cabinet_writer.h"

namespace {

using namespace vorlax;

CabinetInputFile File(const std::string& name, std::string data, uint16_t folder) {
  CabinetInputFile file;
  file.name = name;
  file.data = std::move(data);
  file.folder = folder;
  return file;
}

std::string Text(std::size_t size) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) text += "seed line " + std::to_string(i % 37) + "\n";
  text.resize(size);
  return text;
}

bool Save(const std::string& folder, const std::string& name, const std::vector<CabinetInputFile>& files,
          CabinetWriterOptions options) {
  std::vector<CabinetPart> parts;
  std::string error;
  if (!WriteCabinets(files, options, &parts, &error)) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    return false;
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::ofstream out(folder + "/" + name + "_" + std::to_string(i) + ".cab", std::ios::binary);
    out.write(parts[i].bytes.data(), static_cast<std::streamsize>(parts[i].bytes.size()));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cabinet_seeds DIR\n");
    return 2;
  }
  std::string folder = argv[1];
  CompressionChoice stored;
  stored.kind = 0;
  CompressionChoice mszip;
  std::vector<CabinetInputFile> files = {File("a.txt", Text(3000), 0), File("empty", "", 0),
                                         File("dir\\b.bin", Text(40000), 1)};
  CabinetWriterOptions two;
  two.folders = {stored, mszip};
  CabinetWriterOptions reserve = two;
  reserve.headerReserve = 6;
  reserve.folderReserve = 2;
  reserve.dataReserve = 3;
  CabinetWriterOptions set;
  set.folders = {stored};
  set.splitSize = 64 * 1024;
  std::vector<CabinetInputFile> big = {File("big.bin", Text(150000), 0)};
  // The other two decoders: an LZX folder (with call translation) and a Quantum one.
  CabinetWriterOptions lzxQuantum;
  lzxQuantum.folders.assign(2, CompressionChoice());
  std::string error;
  if (!ParseCompressionChoice("lzx:15", &lzxQuantum.folders[0], &error) ||
      !ParseCompressionChoice("quantum:12", &lzxQuantum.folders[1], &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  lzxQuantum.folders[0].callTranslation = true;
  bool ok = Save(folder, "two_folders", files, two) && Save(folder, "reserve", files, reserve) &&
            Save(folder, "set", big, set) && Save(folder, "lzx_quantum", files, lzxQuantum);
  return ok ? 0 : 1;
}
