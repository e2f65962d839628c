// The progress numbers of the running extraction and the list of files it created.
//
// Written only by the extracting thread; the progress pages read the numbers from a timer on the
// main thread. Each number is an aligned 32-bit atomic written with one store per value, so the
// reader sees old or new values, never a torn one, and the program has no data race. The name
// buffer is display-only: a reader may see a mixed name for one timer tick.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlax {

struct ExtractionProgress {
  std::atomic<int32_t> totalBytes{0};
  std::atomic<int32_t> bytesWritten{0};
  std::atomic<int32_t> overallPercent{0};
  std::atomic<int32_t> currentFileSize{0};
  std::atomic<int32_t> currentFileWritten{0};
  std::atomic<int32_t> currentFilePercent{0};
  // Zero-terminated 8-bit name (at most 255 bytes) with the source prefix removed. Each byte is
  // an atomic so that the display's racy read is still well-defined.
  std::atomic<char> currentFileName[256] = {};
  std::atomic<bool> countingPass{false};
  std::atomic<int32_t> spaceEstimate{0};
};

// Full destination path of every file whose creation was attempted, in cabinet order.
using ExtractedFiles = std::vector<std::u16string>;

}  // namespace vorlax
