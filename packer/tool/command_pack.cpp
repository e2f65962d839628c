// `vorlax pack OUT.exe --config DIR --files DIR [--compress METHOD] [--defines FILE]...
// [--signable] [--stub PATH | --arch x86|x64] [--threads N] [--uninstaller [NAME]]`: an installer
// from a configuration folder and a folder of product files. METHOD as for `vorlax cab`
// (lzx:N[:fast|:best], mszip, quantum:N, none); N threads compress the cabinet's folders (default:
// one per processor; the installer's bytes do not depend on it).
//
// `--uninstaller` adds vorlax's uninstaller to the product's files, as "uninst.exe" in the install
// folder or as NAME (a path relative to the install folder; a word after `--uninstaller` that is
// no option is always taken as NAME, so OUT.exe goes first). The uninstaller is the one for the
// stub's architecture: `--arch`, else the machine named in the `--stub` program's header, else
// x86; it is found like the stubs (stub_locator.h).
//
// The configuration folder becomes the cabinet's "cfg\" entries and the files folder its
// "files\" entries, each sorted by name. Everything is checked before the output is touched:
// the configuration as the installer reads it (pack_configuration.h), the product against the
// format's limits (product_files.h), the stub. The installer is written under a temporary name
// beside OUT and renamed at the end, so a refusal or a failure leaves no file behind. The cabinet
// is streamed into it (cabinet_stream_writer.h): the files are read a block at a time, and only
// the configuration texts, converted, are held in memory.
//
// The result depends only on the inputs (file bytes, dates as local time, attributes, options):
// the cabinet's set id is 0 and no time or path goes into it, so packing twice gives the same
// bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "packer/cabinet_stream_writer.h"
#include "packer/payload_writer.h"
#include "packer/tool/command.h"
#include "packer/tool/config_text.h"
#include "packer/tool/pack_configuration.h"
#include "packer/tool/product_files.h"
#include "packer/tool/stub_locator.h"

namespace vorlax {
namespace {

namespace fs = std::filesystem;

// LZX with a 512 KiB window: within 0.1% of the smallest installer measured (LZX with a 2 MiB
// window) at a quarter of its time (see the README's table).
const char kDefaultCompression[] = "lzx:19";
const char kDefaultArch[] = "x86";
// The product is cut into cabinet folders of about this many bytes (each closed after the file
// that reaches it), compressed in parallel. The cut follows from the file sizes alone, so the
// installer is the same on any machine; each folder starts with an empty history, which costs a
// little of the ratio (see the README).
constexpr uint64_t kParallelFolderBytes = 32ull << 20;
constexpr unsigned kMaxThreads = 64;
const char kFilesPrefix[] = "files\\";
const char kConfigPrefix[] = "cfg\\";
// A Windows program starts with the two bytes "MZ".
const char kProgramSignature[] = "MZ";
const char kDefaultUninstallerName[] = "uninst.exe";

struct PackArguments {
  std::string output;
  std::string configFolder;
  std::string filesFolder;
  std::string compression = kDefaultCompression;
  std::vector<std::string> definesFiles;
  bool signable = false;
  std::string stub;
  std::string arch;
  std::string threads;  // empty: one per processor
  bool uninstaller = false;
  std::string uninstallerName = kDefaultUninstallerName;
};

// "--threads N": 1 to kMaxThreads; 0 when absent or invalid.
unsigned ThreadCount(const std::string& text) {
  if (text.empty()) {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : std::min(processors, kMaxThreads);
  }
  if (text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const unsigned value = static_cast<unsigned>(std::stoul(text));
  return value <= kMaxThreads ? value : 0;
}

bool ParseArguments(const std::vector<std::string>& args, PackArguments* parsed) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--signable") {
      parsed->signable = true;
      continue;
    }
    if (word == "--uninstaller") {
      parsed->uninstaller = true;
      if (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) parsed->uninstallerName = args[++i];
      continue;
    }
    std::string* value = nullptr;
    std::string defines;
    if (word == "--config") value = &parsed->configFolder;
    if (word == "--files") value = &parsed->filesFolder;
    if (word == "--compress") value = &parsed->compression;
    if (word == "--stub") value = &parsed->stub;
    if (word == "--arch") value = &parsed->arch;
    if (word == "--threads") value = &parsed->threads;
    if (word == "--defines") value = &defines;
    if (value) {
      if (++i == args.size()) return false;
      *value = args[i];
      if (word == "--defines") parsed->definesFiles.push_back(defines);
    } else if (word.compare(0, 2, "--") == 0 || !parsed->output.empty()) {
      return false;
    } else {
      parsed->output = word;
    }
  }
  bool archKnown = parsed->arch.empty() || !StubFileName(parsed->arch).empty();
  bool oneStubChoice = parsed->stub.empty() || parsed->arch.empty();
  return !parsed->output.empty() && !parsed->configFolder.empty() && !parsed->filesFolder.empty() && archKnown &&
         oneStubChoice && ThreadCount(parsed->threads) != 0;
}

bool ReadWhole(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool ReadStub(const PackArguments& parsed, std::string* stub, std::string* stubPath, std::string* error) {
  *stubPath = parsed.stub;
  if (stubPath->empty()) {
    std::string arch = parsed.arch.empty() ? kDefaultArch : parsed.arch;
    std::vector<std::string> searched;
    *stubPath = FindStub(arch, &searched);
    if (stubPath->empty()) {
      *error = "no " + arch + " installer stub found (looked for";
      for (const std::string& path : searched) *error += " '" + path + "'";
      *error += "); name one with --stub PATH";
      return false;
    }
  }
  if (!ReadWhole(fs::u8path(*stubPath), stub)) {
    *error = "cannot read the stub '" + *stubPath + "'";
    return false;
  }
  if (stub->compare(0, 2, kProgramSignature) != 0 || stub->size() > kMaxProductBytes) {
    *error = "the stub '" + *stubPath + "' is not a Windows program";
    return false;
  }
  return true;
}

bool ReadDefinesFiles(const std::vector<std::string>& paths, std::vector<std::u16string>* texts, std::string* error) {
  for (const std::string& path : paths) {
    std::string bytes;
    if (!ReadWhole(fs::u8path(path), &bytes)) {
      *error = "cannot read the defines file '" + path + "'";
      return false;
    }
    std::u16string text;
    std::string problem;
    if (!DecodeConfigText(bytes, &text, &problem)) {
      *error = "cannot pack '" + path + "': " + problem;
      return false;
    }
    if (text.empty()) {
      *error = "the defines file '" + path + "' is empty; the installer cannot read an empty record";
      return false;
    }
    texts->push_back(text);
  }
  return true;
}

// The uninstaller's name in the cabinet: "files\" + NAME with "/" as "\". Empty when NAME is no
// plain relative path (absolute, a drive, an empty part, "." or "..").
std::string UninstallerCabinetName(const std::string& name) {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '/', '\\');
  if (relative.empty() || relative.front() == '\\' || relative.back() == '\\' ||
      relative.find(":") != std::string::npos || relative.find("\\\\") != std::string::npos) {
    return "";
  }
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    std::string part = relative.substr(start, end - start);
    if (part == "." || part == "..") return "";
    start = end + 1;
  }
  return kFilesPrefix + relative;
}

// Names compared as Windows compares file names (ASCII letters without case).
bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// Adds the uninstaller for the stub's architecture to the product's files.
bool AddUninstaller(const PackArguments& parsed, const std::string& stub, std::vector<ProductFile>* listed,
                    std::string* error) {
  std::string cabinetName = UninstallerCabinetName(parsed.uninstallerName);
  if (cabinetName.empty()) {
    *error = "the uninstaller's name '" + parsed.uninstallerName + "' is not a path inside the install folder";
    return false;
  }
  std::string arch = parsed.arch;
  if (arch.empty()) arch = ProgramArch(stub);
  if (arch.empty()) arch = kDefaultArch;
  std::vector<std::string> searched;
  std::string path = FindUninstaller(arch, &searched);
  if (path.empty()) {
    *error = "no " + arch + " uninstaller found (looked for";
    for (const std::string& place : searched) *error += " '" + place + "'";
    *error += ")";
    return false;
  }
  for (const ProductFile& file : *listed) {
    if (SameNameIgnoringCase(file.cabinetName, cabinetName)) {
      *error = "the uninstaller's name '" + parsed.uninstallerName + "' is taken by '" + file.source.u8string() + "'";
      return false;
    }
  }
  return AddProductFile(fs::u8path(path), cabinetName, listed, error);
}

// Reads the product's files for the cabinet in order: configuration texts from their converted
// form, every other file from disk, one open file at a time.
class ProductReader {
 public:
  ProductReader(const std::vector<ProductFile>& listed, const PackConfiguration& configuration)
      : listed_(listed), configuration_(configuration) {}

  bool Read(std::size_t index, uint64_t offset, uint32_t count, char* out) {
    const std::string& cabinetName = listed_[index].cabinetName;
    auto converted = configuration_.convertedTexts.find(cabinetName);
    if (converted != configuration_.convertedTexts.end()) {
      if (offset + count > converted->second.size()) return false;
      std::memcpy(out, converted->second.data() + offset, count);
      return true;
    }
    if (index != openIndex_) {
      in_.close();
      in_.clear();
      in_.open(listed_[index].source, std::ios::binary);
      openIndex_ = index;
    }
    in_.read(out, count);
    if (static_cast<uint32_t>(in_.gcount()) != count) return false;
    // A file that grew since it was listed would lose its end silently: refuse it.
    return offset + count < listed_[index].size || in_.peek() == std::char_traits<char>::eof();
  }

  // The size the cabinet stores: the converted text's for a configuration text.
  uint64_t SizeOf(const ProductFile& file) const {
    auto converted = configuration_.convertedTexts.find(file.cabinetName);
    return converted == configuration_.convertedTexts.end() ? file.size : converted->second.size();
  }

 private:
  const std::vector<ProductFile>& listed_;
  const PackConfiguration& configuration_;
  std::ifstream in_;
  std::size_t openIndex_ = SIZE_MAX;
};

// The installer file being written: the cabinet's positions are relative to where it starts.
class InstallerSink : public CabinetSink {
 public:
  InstallerSink(std::fstream* out, uint64_t cabinetStart) : out_(out), cabinetStart_(cabinetStart) {}
  bool Write(const char* bytes, std::size_t count) override {
    out_->write(bytes, static_cast<std::streamsize>(count));
    return static_cast<bool>(*out_);
  }
  bool WriteAt(uint64_t position, const char* bytes, std::size_t count) override {
    std::streampos end = out_->tellp();
    out_->seekp(static_cast<std::streamoff>(cabinetStart_ + position));
    out_->write(bytes, static_cast<std::streamsize>(count));
    out_->seekp(end);
    return static_cast<bool>(*out_);
  }

 private:
  std::fstream* out_;
  uint64_t cabinetStart_;
};

void WriteBytes(std::fstream* out, const std::string& bytes) {
  out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct PackResult {
  uint64_t bytes = 0;  // the files' bytes as stored
  uint64_t cabinetSize = 0;
  uint64_t installerSize = 0;
};

// Writes the installer's records to path: stub, cabinet (streamed from the files), defines
// texts, marker.
bool WriteInstaller(const fs::path& path, const std::string& stub, const std::vector<ProductFile>& listed,
                    const PackConfiguration& configuration, const CompressionChoice& compression,
                    const std::vector<std::u16string>& definesTexts, bool signable, unsigned threads,
                    PackResult* result, std::string* error) {
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  if (!out) {
    *error = "cannot write '" + path.u8string() + "'";
    return false;
  }
  WriteBytes(&out, stub);
  WriteBytes(&out, PayloadRecordTrailer(static_cast<uint32_t>(stub.size()), kRecordSkipped));
  ProductReader reader(listed, configuration);
  std::vector<StreamedCabinetFile> files;
  uint64_t total = 0;
  for (const ProductFile& file : listed) {
    files.push_back({Narrow(FromUtf8(file.cabinetName)), reader.SizeOf(file), file.dosDate, file.dosTime,
                     file.attributes});
    total += files.back().size;
  }
  result->bytes = total;
  InstallerSink sink(&out, stub.size() + kRecordTrailerSize);
  TerminalProgress progress("packing");
  auto read = [&reader](std::size_t index, uint64_t offset, uint32_t count, char* bytes) {
    return reader.Read(index, offset, count, bytes);
  };
  auto shown = [&progress, total](uint64_t done) {
    progress.Update(total == 0 ? 100 : static_cast<int>(done * 100 / total));
  };
  CabinetStreamOptions parallel;
  parallel.folderBytes = kParallelFolderBytes;
  parallel.threads = threads;
  parallel.makeReader = [&listed, &configuration]() -> CabinetFileReader {
    std::shared_ptr<ProductReader> own = std::make_shared<ProductReader>(listed, configuration);
    return [own](std::size_t index, uint64_t offset, uint32_t count, char* bytes) {
      return own->Read(index, offset, count, bytes);
    };
  };
  if (!StreamCabinet(files, compression, read, &sink, &result->cabinetSize, error, shown, parallel)) {
    *error = "cannot make the cabinet: " + *error;
    return false;
  }
  progress.Done();
  WriteBytes(&out, PayloadRecordTrailer(static_cast<uint32_t>(result->cabinetSize), kRecordCabinet));
  std::string tail;
  for (const std::u16string& text : definesTexts) AppendPayloadRecord(&tail, kRecordDefines, ToUtf16Le(text));
  if (signable) AppendPayloadMarker(&tail);
  WriteBytes(&out, tail);
  result->installerSize = static_cast<uint64_t>(out.tellp());
  out.close();
  if (!out) *error = "cannot write '" + path.u8string() + "'";
  return static_cast<bool>(out);
}

// The output's temporary name, in the output's folder so the final rename stays on one volume.
fs::path TemporaryName(const fs::path& output) {
  fs::path temporary = output;
  temporary += ".partial";
  return temporary;
}

// The summary's second line: whether the installer may be signed. An Authenticode signature is
// appended at the end of the file, where the installer reads its last record: only the payload
// marker of --signable lets it find its records before the signature.
void PrintSigning(const fs::path& output, bool signable) {
  if (signable) {
    std::printf("%s: signable: sign it with osslsigncode or signtool; the installer reads past the signature\n",
                output.u8string().c_str());
  } else {
    std::printf("%s: not signable: a signature added to it hides its payload from the installer, which then "
                "stops with \"Unable to Read Installer Data\"; pack with --signable to sign it\n",
                output.u8string().c_str());
  }
}

void PrintSummary(const std::vector<ProductFile>& listed, const PackResult& result, const fs::path& output,
                  int warnings) {
  uint64_t bytes = result.bytes;
  double ratio = bytes == 0 ? 0.0 : 100.0 * static_cast<double>(result.cabinetSize) / static_cast<double>(bytes);
  std::printf("%s: %zu files, %llu bytes; cabinet %llu bytes (%.1f%%); installer %llu bytes; %d warning%s\n",
              output.u8string().c_str(), listed.size(), static_cast<unsigned long long>(bytes),
              static_cast<unsigned long long>(result.cabinetSize), ratio,
              static_cast<unsigned long long>(result.installerSize), warnings, warnings == 1 ? "" : "s");
}

int RunPack(const std::vector<std::string>& args) {
  PackArguments parsed;
  if (!ParseArguments(args, &parsed)) return UsageError("pack");
  CompressionChoice compression;
  std::string error;
  if (!ParseCompressionChoice(parsed.compression, &compression, &error)) return Fail(error);
  std::string stub;
  std::string stubPath;
  if (!ReadStub(parsed, &stub, &stubPath, &error)) return Fail(error);
  std::vector<std::u16string> definesTexts;
  if (!ReadDefinesFiles(parsed.definesFiles, &definesTexts, &error)) return Fail(error);

  std::vector<ProductFile> listed;
  if (!ListProductFiles(parsed.configFolder, kConfigPrefix, &listed, &error) ||
      !ListProductFiles(parsed.filesFolder, kFilesPrefix, &listed, &error) ||
      (parsed.uninstaller && !AddUninstaller(parsed, stub, &listed, &error)) || !CheckProductLimits(listed, &error)) {
    return Fail(error);
  }
  PackConfiguration configuration;
  PackConfigurationOptions configurationOptions;
  configurationOptions.extraDefines = definesTexts;
  configurationOptions.definesNames = parsed.definesFiles;
  if (!ReadPackConfiguration(parsed.configFolder, configurationOptions, &configuration)) {
    return Fail("the installer would stop on this configuration; nothing was written");
  }

  fs::path output = fs::u8path(parsed.output);
  fs::path temporary = TemporaryName(output);
  std::error_code failure;
  PackResult result;
  if (!WriteInstaller(temporary, stub, listed, configuration, compression, definesTexts, parsed.signable,
                      ThreadCount(parsed.threads), &result, &error)) {
    fs::remove(temporary, failure);
    return Fail(error);
  }
  fs::rename(temporary, output, failure);
  if (failure) {
    fs::remove(temporary, failure);
    return Fail("cannot write '" + parsed.output + "'");
  }
  PrintSummary(listed, result, output, configuration.warnings);
  PrintSigning(output, parsed.signable);
  return kExitOk;
}

const CommandRegistrar kRegistrar(
    {"pack", "pack OUT.exe --config DIR --files DIR [--compress METHOD] [--defines FILE]... [--signable] "
             "[--stub PATH | --arch x86|x64] [--threads N] [--uninstaller [NAME]]",
     "make an installer from a configuration folder and a folder of product files (METHOD as for cab; "
     "default lzx:19)", RunPack});

}  // namespace
}  // namespace vorlax
