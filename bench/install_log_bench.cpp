// install_log_bench: builds and writes the install worker's log for 2,000 and 20,000 extracted
// files, the way the worker and the closing do it (AppendLogHeader, AppendExtractedFileLines,
// CloseInstallLog on the POSIX seam, which writes the UTF-16LE file), and prints the time per
// file: proportional growth keeps it flat. Best wall-clock time of 9 rounds per count.
//
// Run: build/native/bench/install_log_bench [work folder]   (default: /tmp)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/text.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"
#include "platform/posix/posix_system.h"

namespace {

constexpr int kRounds = 9;
constexpr int kCounts[] = {2000, 20000};

// Paths shaped like a game's files: a few folders deep, distinct names, some characters that
// the log escapes.
std::u16string ProductPath(int i) {
  return vorlax::Ascii("C:\\Games\\Demo & Sons\\data\\level") + vorlax::DecimalText(i / 100) +
         u"\\texture  " + vorlax::DecimalText(i) + u"'s.dds";
}

// Seconds for one whole log of `count` files.
double OneLog(int count, const std::u16string& logPath) {
  using namespace vorlax;
  InstallerState& state = State();
  state.installLog.clear();
  state.extractedFiles.clear();
  for (int i = 0; i < count; ++i) state.extractedFiles.push_back(ProductPath(i));
  state.installLogFile = state.system->OpenFile(logPath, FileAccess::kCreateWrite);
  if (state.installLogFile == kNoFile) {
    std::fprintf(stderr, "cannot create %s\n", ToUtf8(logPath).c_str());
    return -1;
  }
  auto start = std::chrono::steady_clock::now();
  AppendLogHeader();
  AppendExtractedFileLines();
  CloseInstallLog();
  auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vorlax;
  static PosixSystem system;
  State().system = &system;
  State().defines.Set(u"InstallName", u"Demo 1.0");
  State().config.UninstallDeltree = {u"C:\\Games\\Demo"};
  std::string folder = argc > 1 ? argv[1] : "/tmp";
  std::u16string logPath =
      FromUtf8(folder + "/install_log_bench_" + std::to_string(getpid()) + ".log");

  std::printf("files    best ms   ns per file   log bytes\n");
  double perFile[2] = {0, 0};
  for (int c = 0; c < 2; ++c) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
      double seconds = OneLog(kCounts[c], logPath);
      if (seconds < 0) return 1;
      best = std::min(best, seconds);
    }
    perFile[c] = best * 1e9 / kCounts[c];
    std::printf("%6d  %8.3f  %12.1f  %10zu\n", kCounts[c], best * 1e3, perFile[c],
                State().installLog.size() * 2);
  }
  std::printf("time per file, 20,000 against 2,000: %.2fx (1.00x is proportional)\n",
              perFile[1] / perFile[0]);
  system.DeleteFile(logPath);
  return 0;
}
