// Fuzz target: the cabinet reader and its decoders. The input is one cabinet, held in memory by
// the unit tests' host, copied twice on one reader (as ExtractCabinet does) with every file
// extracted. Each walk must end with an answer; afterwards no cabinet handle may be open, every
// output must be closed, and no output may hold more bytes than its entry declared.
#include <cstddef>
#include <cstdint>
#include <map>

#include "cabinet/memory_cabinet_host.h"

namespace {

// Declared size by output handle: a cabinet may name several entries alike (even with an empty
// name), so the size is tied to the output the host opened for the entry, not to its name.
std::map<vorlax::CabinetFile, int64_t> gDeclared;

intptr_t FuzzNotify(vorlax::CabinetNotificationKind kind, vorlax::CabinetNotification* note) {
  intptr_t answer = vorlax::testing_host::Notify(kind, note);
  if (kind == vorlax::fdintFILE_START && answer > 0) gDeclared[answer] = note->size;
  return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vorlax;
  testing_host::ResetHost();
  testing_host::Host().files["in\\fuzz.cab"].near.assign(reinterpret_cast<const char*>(data), size);
  testing_host::Host().nextCabinetAttempts = 1;
  gDeclared.clear();
  CabinetError error;
  CabinetReader* reader = CabinetReader::Create(testing_host::Callbacks(), 1, &error);
  if (!reader) __builtin_trap();
  for (int pass = 0; pass < 2; ++pass) {
    CabinetReader::Copy(reader, "fuzz.cab", "in\\", 0, FuzzNotify, nullptr, nullptr);
  }
  CabinetReader::Destroy(reader);
  if (testing_host::Host().openCabinetHandles != 0) __builtin_trap();
  for (const auto& output : testing_host::Host().outputs) {
    if (!output.second.closed) __builtin_trap();
    auto declared = gDeclared.find(output.first);
    if (declared == gDeclared.end()) __builtin_trap();
    if (static_cast<int64_t>(output.second.data.size()) > declared->second) __builtin_trap();
  }
  return 0;
}
