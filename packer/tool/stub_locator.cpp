// Finding the installer stubs beside the tool or in share/vorlax.
#include "packer/tool/stub_locator.h"

#include <filesystem>

#include "base/text.h"
#include "driver/installer_state.h"

namespace vorlax {
namespace fs = std::filesystem;

std::string StubFileName(const std::string& arch) {
  if (arch == "x86" || arch == "x64") return "vorlax-setup-" + arch + ".exe";
  return "";
}

std::vector<std::string> StubSearchFolders(const std::string& toolPath) {
  fs::path folder = fs::u8path(toolPath).parent_path();
  return {folder.u8string(), (folder.parent_path() / "share" / "vorlax").u8string()};
}

std::string ToolProgramPath() {
#ifdef _WIN32
  return ToUtf8(State().system->ModuleFileName());
#else
  std::error_code failure;
  fs::path self = fs::read_symlink("/proc/self/exe", failure);
  return failure ? std::string() : self.u8string();
#endif
}

std::string FindStub(const std::string& arch, std::vector<std::string>* searched) {
  std::string name = StubFileName(arch);
  std::string tool = ToolProgramPath();
  if (name.empty() || tool.empty()) return "";
  for (const std::string& folder : StubSearchFolders(tool)) {
    fs::path candidate = fs::u8path(folder) / name;
    searched->push_back(candidate.u8string());
    std::error_code failure;
    if (fs::is_regular_file(candidate, failure)) return candidate.u8string();
  }
  return "";
}

}  // namespace vorlax
