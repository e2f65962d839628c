// The progress numbers of the running extraction and the list of files it created.
//
// Written only by the extracting thread; the progress pages read the numbers from a timer on the
// main thread. Each number is an aligned 32-bit atomic written with one store per value, so the
// reader sees old or new values, never a torn one, and the program has no data race. The name
// buffer is display-only: a reader may see a mixed name for one timer tick.
//
// The space estimate is the one 64-bit number: a product over 2 GiB must need that much room in
// the install location checks, not a wrapped or saturated figure. It is a lock-free 64-bit
// atomic on every target (on 32-bit x86 the compiler stores it with one 8-byte instruction, no
// library call); besides, it is only read by the main thread after the configuration stage's
// extraction thread has set workerDone, and the install worker's extraction (which counts it
// again) runs after the last check.
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
  std::atomic<int64_t> spaceEstimate{0};
  static_assert(std::atomic<int64_t>::is_always_lock_free,
                "the space estimate is shared without a lock");
};

// Full destination path of every file whose creation was attempted, in cabinet order.
using ExtractedFiles = std::vector<std::u16string>;

}  // namespace vorlax
