// Listing, checking and reading the product's files for `vorlax pack`.
#include "packer/tool/product_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/decoder.h"

namespace vorlax {
namespace fs = std::filesystem;

namespace {

// Characters Windows refuses in a file name (besides control characters).
const char16_t kForbiddenInNames[] = u"<>:\"|?*";
constexpr char16_t kFirstPrintable = 0x20;
constexpr uint64_t kMaxFolderBlocks = 0xFFFF;

std::string CabinetPath(const fs::path& relative) {
  std::string name;
  for (const fs::path& part : relative) {
    if (!name.empty()) name += '\\';
    name += part.u8string();
  }
  return name;
}

// Empty when the name can be stored and written by the installer, else why not.
std::string NameProblem(const std::string& utf8Name) {
  std::u16string wide = FromUtf8(utf8Name);
  if (wide.size() > kCabMaxNameLength) {
    return "its name in the installer has " + std::to_string(wide.size()) + " characters (at most " +
           std::to_string(kCabMaxNameLength) + ")";
  }
  std::string narrow;
  if (!NarrowText(wide, &narrow)) return "its name has a character above U+00FF, which a cabinet cannot store";
  std::size_t partStart = 0;
  for (std::size_t i = 0; i <= wide.size(); ++i) {
    if (i < wide.size() && wide[i] != u'\\') {
      char16_t c = wide[i];
      if (c < kFirstPrintable || std::u16string(kForbiddenInNames).find(c) != std::u16string::npos) {
        return "its name has the character '" + ToUtf8(std::u16string(1, c)) + "', which Windows does not allow in file names";
      }
      continue;
    }
    if (i > partStart && (wide[i - 1] == u'.' || wide[i - 1] == u' ')) {
      return "a part of its name ends with a dot or a space, which Windows drops";
    }
    partStart = i + 1;
  }
  return "";
}

}  // namespace

uint64_t MaxCabinetFileBytes() { return (kMaxFolderBlocks - 1) * kMaxBlockOutput; }

void StampProductFile(const fs::path& path, ProductFile* file) {
#ifdef _WIN32
  struct _stat64 info;
  if (_wstat64(path.c_str(), &info) != 0) return;
  std::time_t when = static_cast<std::time_t>(info.st_mtime);
  std::tm local;
  if (localtime_s(&local, &when) != 0) return;
  bool writable = (info.st_mode & _S_IWRITE) != 0;
#else
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return;
  std::time_t when = info.st_mtime;
  std::tm local;
  if (!localtime_r(&when, &local)) return;
  bool writable = (info.st_mode & S_IWUSR) != 0;
#endif
  if (local.tm_year >= 80 && local.tm_year < 80 + 128) {
    file->dosDate = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    file->dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  }
  file->attributes = static_cast<uint16_t>(kCabAttributeArchive | (writable ? 0 : kCabAttributeReadOnly));
}

bool ListProductFiles(const std::string& folder, const std::string& prefix, std::vector<ProductFile>* files,
                      std::string* error) {
  fs::path root = fs::u8path(folder);
  std::error_code failure;
  if (!fs::is_directory(root, failure)) {
    *error = "no such folder: '" + folder + "'";
    return false;
  }
  std::vector<fs::path> found;
  for (fs::recursive_directory_iterator it(root, failure), end; !failure && it != end; it.increment(failure)) {
    if (it->is_regular_file(failure)) found.push_back(it->path());
  }
  if (failure) {
    *error = "cannot list '" + folder + "': " + failure.message();
    return false;
  }
  std::vector<ProductFile> listed;
  for (const fs::path& path : found) {
    ProductFile file;
    file.source = path;
    file.cabinetName = prefix + CabinetPath(path.lexically_relative(root));
    std::string problem = NameProblem(file.cabinetName);
    if (!problem.empty()) {
      *error = "cannot pack '" + path.u8string() + "': " + problem;
      return false;
    }
    file.size = fs::file_size(path, failure);
    if (failure) {
      *error = "cannot read the size of '" + path.u8string() + "': " + failure.message();
      return false;
    }
    StampProductFile(path, &file);
    listed.push_back(std::move(file));
  }
  std::sort(listed.begin(), listed.end(),
            [](const ProductFile& a, const ProductFile& b) { return a.cabinetName < b.cabinetName; });
  files->insert(files->end(), listed.begin(), listed.end());
  return true;
}

bool AddProductFile(const fs::path& source, const std::string& cabinetName, std::vector<ProductFile>* files,
                    std::string* error) {
  std::string problem = NameProblem(cabinetName);
  if (!problem.empty()) {
    *error = "cannot pack '" + source.u8string() + "' as '" + cabinetName + "': " + problem;
    return false;
  }
  std::error_code failure;
  ProductFile file;
  file.source = source;
  file.cabinetName = cabinetName;
  file.size = fs::file_size(source, failure);
  if (failure) {
    *error = "cannot read the size of '" + source.u8string() + "': " + failure.message();
    return false;
  }
  StampProductFile(source, &file);
  auto place = std::lower_bound(files->begin(), files->end(), file,
                                [](const ProductFile& a, const ProductFile& b) { return a.cabinetName < b.cabinetName; });
  files->insert(place, std::move(file));
  return true;
}

bool CheckProductLimits(const std::vector<ProductFile>& files, std::string* error) {
  if (files.size() > kMaxProductFiles) {
    *error = "the product has " + std::to_string(files.size()) + " files; an installer holds at most " +
             std::to_string(kMaxProductFiles);
    return false;
  }
  uint64_t total = 0;
  std::set<std::string> seen;
  for (const ProductFile& file : files) {
    if (file.size > MaxCabinetFileBytes()) {
      *error = "cannot pack '" + file.source.u8string() + "': it has " + std::to_string(file.size) +
               " bytes; a cabinet holds files of at most " + std::to_string(MaxCabinetFileBytes()) + " bytes";
      return false;
    }
    total += file.size;
    if (total > kMaxProductBytes) {
      *error = "cannot pack '" + file.source.u8string() + "': the files up to it add up to " + std::to_string(total) +
               " bytes; an installer holds at most " + std::to_string(kMaxProductBytes) + " bytes of files";
      return false;
    }
    std::string narrow = Narrow(FromUtf8(file.cabinetName));
    std::string folded = narrow;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    if (!seen.insert(folded).second) {
      *error = "cannot pack '" + file.source.u8string() + "': another file has the name '" + file.cabinetName +
               "' when letter case is ignored, as Windows does";
      return false;
    }
  }
  return true;
}

}  // namespace vorlax
