// Fuzz target: the attached payload walk. The input is a whole installer file held by the fake
// system; the walk must end with an answer (never a crash, a hang or an out-of-bounds access) and
// the lister must agree with the reader on whether the chain is well-formed up to its cabinet.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/installer_state.h"
#include "driver/payload.h"
#include "support/fake_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorlax;
  ResetInstallerState();
  FakeSystem system;
  State().system = &system;
  State().tempDir = u"C:\\users\\player\\Temp\\vorcfg1";
  State().cabinetPath = State().tempDir + u"\\files.cab";
  system.AddFolder(u"C:\\users\\player\\Temp");
  system.AddFile(u"C:\\Games\\setup.exe", std::string(reinterpret_cast<const char*>(data), size));

  FileHandle exe = system.OpenFile(u"C:\\Games\\setup.exe", FileAccess::kRead);
  std::vector<PayloadRecordInfo> records;
  std::string error;
  bool listed = ListPayloadRecords(exe, &records, &error);
  bool read = ReadAttachedPayload(exe);
  system.CloseFile(exe);
  // A chain the reader accepts is one the lister walks completely.
  if (read && !listed) __builtin_trap();
  for (const PayloadRecordInfo& record : records) {
    if (record.offset < 0 || record.offset + record.size > static_cast<int64_t>(size)) __builtin_trap();
  }
  return 0;
}
