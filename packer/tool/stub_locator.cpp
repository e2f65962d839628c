// Finding the installer stubs beside the tool or in share/vorlax.
#include "packer/tool/stub_locator.h"

#include <cstddef>
#include <cstdint>
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

namespace {

// Offsets of a Windows program's header: the DOS header's pointer to the PE header, the PE
// signature, and the machine field right after it.
constexpr std::size_t kPeHeaderPointerOffset = 0x3C;
constexpr char kPeSignature[] = {'P', 'E', 0, 0};
constexpr std::size_t kPeSignatureSize = sizeof(kPeSignature);
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

std::string FindBesideTool(const std::string& name, std::vector<std::string>* searched) {
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

uint32_t LittleEndianAt(const std::string& bytes, std::size_t offset, std::size_t size) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

}  // namespace

std::string FindStub(const std::string& arch, std::vector<std::string>* searched) {
  return FindBesideTool(StubFileName(arch), searched);
}

std::string UninstallerFileName(const std::string& arch) {
  if (arch == "x86" || arch == "x64") return "vorlax-uninstall-" + arch + ".exe";
  return "";
}

std::string FindUninstaller(const std::string& arch, std::vector<std::string>* searched) {
  return FindBesideTool(UninstallerFileName(arch), searched);
}

std::string ProgramArch(const std::string& programBytes) {
  if (programBytes.size() < kPeHeaderPointerOffset + 4) return "";
  std::size_t header = LittleEndianAt(programBytes, kPeHeaderPointerOffset, 4);
  if (header > programBytes.size() || programBytes.size() - header < kPeSignatureSize + 2) return "";
  if (programBytes.compare(header, kPeSignatureSize, kPeSignature, kPeSignatureSize) != 0) return "";
  uint32_t machine = LittleEndianAt(programBytes, header + kPeSignatureSize, 2);
  if (machine == kMachineI386) return "x86";
  if (machine == kMachineAmd64) return "x64";
  return "";
}

}  // namespace vorlax
