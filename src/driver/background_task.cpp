// StartBackgroundTask and the extraction call of the background tasks.
#include "driver/background_task.h"

#include <string>

#include "base/text.h"
#include "cabinet/extraction.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

// The 8-bit form of text, or false when it has none or would be cut.
bool ExactNarrow(const std::u16string& text, std::string* out) {
  return text.size() <= kMaxNarrowChars && NarrowText(text, out) && out->size() == text.size();
}

}  // namespace

bool StartBackgroundTask(void (*entry)()) {
  InstallerState& state = State();
  state.workerDone = false;
  ExtractionProgress& progress = state.progress;
  progress.overallPercent.store(0);
  progress.currentFilePercent.store(0);
  for (auto& c : progress.currentFileName) c.store('\0');
  return state.system->StartThread(entry);
}

bool ExtractWithStatePrefixes() {
  const InstallerState& state = State();
  std::string cabinet, source, destination;
  if (!ExactNarrow(state.cabinetPath, &cabinet) || !ExactNarrow(state.sourcePrefix, &source) ||
      !ExactNarrow(state.destinationPrefix, &destination)) {
    return false;
  }
  return ExtractCabinet(cabinet, source, destination);
}

}  // namespace vorlax
