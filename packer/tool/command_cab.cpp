// `vorlax cab OUT.cab [--split SIZE] [--compress METHOD] PATH...`: a bare cabinet (or a set of
// them) from files and folders. A file is stored under its own name; a folder's files under the
// folder's name and their path inside it ("files\Data\level1.dat"), or under the path alone for
// ".". METHOD is none, mszip (the default), lzx:N (N = 15..21, optionally followed by :fast or
// :best for a faster or a smaller result than the default balance) or quantum:N;
// SIZE is a byte count with an optional K, M or G suffix (1024-based). Each cabinet of a set is
// at most SIZE bytes; the later ones are named OUT2.cab, OUT3.cab, ... beside OUT.cab.
//
// Trap: the cabinet holds 8-bit names; a path with a character above U+00FF is refused rather
// than stored under a changed name.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "packer/cabinet_writer.h"
#include "packer/tool/command.h"
#include "packer/tool/product_files.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;

struct CabArguments {
  std::string output;
  uint64_t split = 0;
  CompressionChoice compression;
  std::vector<std::string> paths;
};

constexpr std::size_t kMaxSizeDigits = 12;  // below 10^12: no overflow with a G suffix

bool ParseSize(const std::string& text, uint64_t* size) {
  std::size_t digits = text.find_first_not_of("0123456789");
  if (digits == std::string::npos) digits = text.size();
  if (digits == 0 || digits > kMaxSizeDigits) return false;
  uint64_t value = std::stoull(text.substr(0, digits));
  std::string suffix = text.substr(digits);
  uint64_t unit = 1;
  if (suffix == "K" || suffix == "k") {
    unit = 1024;
  } else if (suffix == "M" || suffix == "m") {
    unit = 1024 * 1024;
  } else if (suffix == "G" || suffix == "g") {
    unit = 1024ull * 1024 * 1024;
  } else if (!suffix.empty()) {
    return false;
  }
  *size = value * unit;
  return true;
}

// Parses the command line; false with *error set (empty for a plain usage error).
bool ParseArguments(const std::vector<std::string>& args, CabArguments* parsed, std::string* error) {
  parsed->compression.kind = 1;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--split" || word == "--compress") {
      if (++i == args.size()) return false;
      if (word == "--split" && !ParseSize(args[i], &parsed->split)) {
        *error = "split size must be a number of bytes, with K, M or G: '" + args[i] + "'";
        return false;
      }
      if (word == "--compress" && !ParseCompressionChoice(args[i], &parsed->compression, error)) return false;
    } else if (parsed->output.empty()) {
      parsed->output = word;
    } else {
      parsed->paths.push_back(word);
    }
  }
  return !parsed->output.empty() && !parsed->paths.empty();
}

// Date, time and attributes of a file as the cabinet stores them (local time, 2-second steps),
// read the way `vorlax pack` reads them.
void StampFile(const fs::path& path, CabinetInputFile* file) {
  ProductFile stamped;
  StampProductFile(path, &stamped);
  file->dosDate = stamped.dosDate;
  file->dosTime = stamped.dosTime;
  file->attributes = stamped.attributes;
}

bool AddFile(const fs::path& path, const std::string& utf8Name, std::vector<CabinetInputFile>* files,
             std::string* error) {
  CabinetInputFile file;
  std::u16string wide = FromUtf8(utf8Name);
  if (wide.size() > kCabMaxNameLength || !NarrowText(wide, &file.name)) {
    *error = "name not storable in a cabinet (at most 255 characters up to U+00FF): '" + utf8Name + "'";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  file.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    *error = "cannot read '" + path.u8string() + "'";
    return false;
  }
  StampFile(path, &file);
  files->push_back(std::move(file));
  return true;
}

std::string CabinetName(const fs::path& relative) {
  std::string name;
  for (const fs::path& part : relative) {
    if (!name.empty()) name += '\\';
    name += part.u8string();
  }
  return name;
}

bool AddPath(const std::string& argument, std::vector<CabinetInputFile>* files, std::string* error) {
  fs::path path = fs::u8path(argument);
  std::error_code failure;
  if (fs::is_regular_file(path, failure)) return AddFile(path, path.filename().u8string(), files, error);
  if (!fs::is_directory(path, failure)) {
    *error = "no such file or folder: '" + argument + "'";
    return false;
  }
  fs::path base = path.lexically_normal();
  if (!base.has_filename()) base = base.parent_path();
  std::string folderName = base.filename().u8string();
  if (folderName == "." || folderName.empty()) folderName.clear();
  std::vector<fs::path> found;
  for (fs::recursive_directory_iterator it(path, failure), end; !failure && it != end; it.increment(failure)) {
    if (it->is_regular_file()) found.push_back(it->path());
  }
  if (failure) {
    *error = "cannot list '" + argument + "': " + failure.message();
    return false;
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& file : found) {
    std::string relative = CabinetName(file.lexically_relative(path));
    if (!AddFile(file, folderName.empty() ? relative : folderName + "\\" + relative, files, error)) return false;
  }
  return true;
}

bool CheckUniqueNames(const std::vector<CabinetInputFile>& files, std::string* error) {
  std::set<std::string> seen;
  for (const CabinetInputFile& file : files) {
    if (!seen.insert(file.name).second) {
      *error = "two files would have the name '" + ToUtf8(Widen(file.name)) + "'";
      return false;
    }
  }
  return true;
}

bool WriteParts(const fs::path& output, const std::vector<CabinetPart>& parts, std::string* error) {
  for (const CabinetPart& part : parts) {
    fs::path target = output.parent_path() / fs::u8path(part.name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(part.bytes.data(), static_cast<std::streamsize>(part.bytes.size()));
    out.close();
    if (!out) {
      *error = "cannot write '" + target.u8string() + "'";
      return false;
    }
  }
  return true;
}

int RunCab(const std::vector<std::string>& args) {
  CabArguments parsed;
  std::string error;
  if (!ParseArguments(args, &parsed, &error)) return error.empty() ? UsageError("cab") : Fail(error);
  std::vector<CabinetInputFile> files;
  TerminalProgress progress("reading files");
  for (std::size_t i = 0; i < parsed.paths.size(); ++i) {
    if (!AddPath(parsed.paths[i], &files, &error)) return Fail(error);
    progress.Update(static_cast<int>((i + 1) * 100 / parsed.paths.size()));
  }
  progress.Done();
  if (!CheckUniqueNames(files, &error)) return Fail(error);

  fs::path output = fs::u8path(parsed.output);
  CabinetWriterOptions options;
  options.folders = {parsed.compression};
  options.splitSize = parsed.split;
  options.cabinetName = output.filename().u8string();
  std::vector<CabinetPart> parts;
  if (!WriteCabinets(files, options, &parts, &error)) return Fail(error);
  if (!WriteParts(output, parts, &error)) return Fail(error);
  uint64_t bytes = 0;
  for (const CabinetPart& part : parts) bytes += part.bytes.size();
  std::printf("wrote %zu cabinet%s (%zu files, %llu bytes)\n", parts.size(), parts.size() == 1 ? "" : "s",
              files.size(), static_cast<unsigned long long>(bytes));
  return kExitOk;
}

const CommandRegistrar kRegistrar({"cab", "cab OUT.cab [--split SIZE] [--compress none|mszip|lzx:N[:fast|:best]|quantum:N] PATH...",
                                   "make a cabinet (or a set) from files and folders", RunCab});

}  // namespace
}  // namespace vorlax
