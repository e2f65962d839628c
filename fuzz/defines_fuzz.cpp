// Fuzz target: ExpandDefines with every define command, on the fake system. The fake holds a
// registry key with a text, an empty, a cut and a number value and a few files, so that
// #Registry and #IfFileExists find something as often as nothing; #Fail shows its message
// through the fake.
//
// Input: UTF-16LE text (an odd last byte is dropped): a defines document, a U+0000, and a text
// to expand; every define value is expanded too. Each expansion must end within its bounds: no
// crash, no hang, no result longer than a replacement may grow a text to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kVendorKey[] = u"HKLM\\SOFTWARE\\Vendor\\Game";

void Populate(FakeSystem* system) {
  system->registry[kVendorKey][u"Path"] = {kRegSz, ToUtf16Le(u"D:\\Vendor") + std::string(2, '\0')};
  system->registry[kVendorKey][u""] = {kRegSz, std::string()};
  system->registry[kVendorKey][u"Cut"] = {kRegSz, ToUtf16Le(u"ab") + std::string(2, '\0') + ToUtf16Le(u"cd")};
  system->registry[kVendorKey][u"Flag"] = {kRegDword, std::string("\x01\x00\x00\x00", 4)};
  system->AddFolder(u"C:\\Games");
  system->AddFile(u"C:\\Games\\game.exe", "MZ");
  system->AddFile(u"C:\\windows\\system32\\d3d8.dll", "MZ");
}

void Check(const std::u16string& text, const std::u16string& result) {
  if (result.size() > kMaxExpandedLength && result.size() > text.size()) __builtin_trap();
}

void RunOne(const uint8_t* data, std::size_t size) {
  ResetInstallerState();
  FakeSystem system;
  Populate(&system);
  State().system = &system;
  std::u16string input = FromUtf16Le(data, size);
  std::size_t split = input.find(u'\0');
  DefineTable& defines = State().defines;
  defines.LoadText(input.substr(0, split));
  if (split != std::u16string::npos) {
    std::u16string text = input.substr(split + 1);
    Check(text, ExpandDefines(defines, text));
  }
  for (const auto& define : DefineTable::Map(defines.All())) {
    Check(define.second, ExpandDefines(defines, define.second));
  }
  State().system = nullptr;
}

}  // namespace
}  // namespace vorlax

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vorlax::RunOne(data, size);
  return 0;
}
