// Reading and checking the configuration folder for `vorlax pack` (see pack_configuration.h).
#include "packer/tool/pack_configuration.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/tool/config_checker.h"
#include "packer/tool/config_folder.h"
#include "packer/tool/config_text.h"

namespace vorlax {
namespace fs = std::filesystem;

namespace {

const char kConfigPrefix[] = "cfg\\";
const char* const kBitmaps[] = {"logo.bmp", "product.bmp"};
// A Windows bitmap file starts with "BM" and has at least its file header and info header.
constexpr std::size_t kMinBitmapBytes = 14 + 40;

// A folder of its own under the system's temporary folder, removed with everything in it.
class StagingFolder {
 public:
  StagingFolder() {
    std::error_code failure;
    fs::path base = fs::temp_directory_path(failure);
    for (int attempt = 0; !failure && attempt < 1000; ++attempt) {
      fs::path candidate = base / ("vorlax-pack-" + std::to_string(attempt));
      if (fs::create_directory(candidate, failure)) {
        path_ = candidate;
        return;
      }
    }
  }
  ~StagingFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

bool ReadWhole(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (std::size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

class Reader {
 public:
  Reader(const std::string& folder, const std::string& staging, PackConfiguration* configuration)
      : folder_(folder), staging_(staging), configuration_(configuration),
        stagingPrefix_(ToUtf8(ConfigFilePath(staging, ""))), folderPrefix_(ToUtf8(ConfigFilePath(folder, ""))) {}

  // message with the staging folder's paths replaced by the configuration folder's.
  std::string InFolder(std::string message) const {
    ReplaceAll(&message, stagingPrefix_, folderPrefix_);
    return message;
  }

  void Error(const std::string& message) { std::fprintf(stderr, "vorlax: %s\n", InFolder(message).c_str()); }

  void Warn(const std::string& message) {
    std::fprintf(stderr, "vorlax: warning: %s\n", InFolder(message).c_str());
    ++configuration_->warnings;
  }

  // Converts the folder's text file name into the staging folder and the converted texts.
  // A missing file is left to the readers, which report it as the installer would.
  bool ConvertText(const std::string& name, bool stage) {
    fs::path source = fs::u8path(folder_) / fs::u8path(name);
    std::string bytes;
    std::error_code failure;
    if (!fs::is_regular_file(source, failure) || !ReadWhole(source, &bytes)) return true;
    std::string converted;
    std::string error;
    if (!ToInstallerText(bytes, &converted, &error)) {
      Error("cannot pack '" + source.u8string() + "': " + error);
      return false;
    }
    configuration_->convertedTexts[kConfigPrefix + CabinetName(name)] = converted;
    if (stage && !WriteWhole(fs::u8path(staging_) / fs::u8path(name), converted)) {
      Error("cannot write the staging copy of '" + source.u8string() + "'");
      return false;
    }
    return true;
  }

  void CheckNamedFile(const char* element, const std::u16string& name) {
    if (name.empty()) return;
    std::error_code failure;
    if (!fs::is_regular_file(fs::u8path(folder_) / fs::u8path(ToUtf8(name)), failure)) {
      Warn(std::string(kInstallFileName) + " " + element + " names '" + ToUtf8(name) + "', which is not in " +
           folder_);
    }
  }

  void CheckBitmaps() {
    for (const char* name : kBitmaps) {
      fs::path path = fs::u8path(folder_) / name;
      std::string bytes;
      std::error_code failure;
      if (!fs::is_regular_file(path, failure)) {
        Warn(path.u8string() + " is missing; the installer shows its pages without it");
      } else if (!ReadWhole(path, &bytes) || bytes.size() < kMinBitmapBytes || bytes.compare(0, 2, "BM") != 0) {
        Warn(path.u8string() + " is not a Windows bitmap; the installer cannot show it");
      }
    }
  }

 private:
  // "\" separators, as the cabinet names files.
  static std::string CabinetName(std::string name) {
    for (char& c : name) {
      if (c == '/') c = '\\';
    }
    return name;
  }

  const std::string& folder_;
  std::string staging_;
  PackConfiguration* configuration_;
  std::string stagingPrefix_;
  std::string folderPrefix_;
};

}  // namespace

namespace {

// Converts the three documents into the staging folder and loads them from there; the errors of
// the load come back with the configuration folder's paths. False when a text cannot be
// converted (the error is printed).
bool StageAndLoad(Reader* reader, const std::string& staging, ConfigFolderLoad* load) {
  for (const char* name : {kPropsFileName, kInstallFileName, kDefinesFileName}) {
    if (!reader->ConvertText(name, true)) return false;
  }
  *load = LoadConfigFolder(staging);
  for (std::string& error : load->errors) error = reader->InFolder(error);
  return true;
}

}  // namespace

bool LoadPackedConfigFolder(const std::string& folder, ConfigFolderLoad* load) {
  StagingFolder staging;
  if (staging.path().empty()) {
    std::fprintf(stderr, "vorlax: cannot make a staging folder in the temporary folder\n");
    return false;
  }
  PackConfiguration configuration;
  Reader reader(folder, staging.path().u8string(), &configuration);
  return StageAndLoad(&reader, staging.path().u8string(), load);
}

bool ReadPackConfiguration(const std::string& folder, const PackConfigurationOptions& options,
                           PackConfiguration* configuration) {
  const std::vector<std::u16string>& extraDefines = options.extraDefines;
  StagingFolder staging;
  if (staging.path().empty()) {
    std::fprintf(stderr, "vorlax: cannot make a staging folder in the temporary folder\n");
    return false;
  }
  Reader reader(folder, staging.path().u8string(), configuration);
  ConfigFolderLoad load;
  if (!StageAndLoad(&reader, staging.path().u8string(), &load)) return false;
  for (const std::string& error : load.errors) std::fprintf(stderr, "vorlax: %s\n", error.c_str());
  if (!load.AllLoaded()) return false;
  for (std::size_t i = 0; i < extraDefines.size(); ++i) {
    if (!State().defines.LoadText(extraDefines[i])) {
      reader.Error("Attached Defines: " + ToUtf8(State().defines.GetErrorText()) + " (in '" + options.definesNames[i] + "')");
      return false;
    }
  }
  const InstallConfig& config = State().config;
  if (!config.LicenseTitle.empty() && !reader.ConvertText(ToUtf8(config.LicenseTitle), false)) return false;
  ConfigChecker checker([&reader](const std::string& message) { reader.Warn(message); });
  checker.CheckAll(staging.path().u8string());
  if (options.checkFolderFiles) {
    reader.CheckNamedFile("LicenseTitle", config.LicenseTitle);
    reader.CheckNamedFile("ReadmeTitle", config.ReadmeTitle);
    reader.CheckBitmaps();
  }
  return true;
}

}  // namespace vorlax
