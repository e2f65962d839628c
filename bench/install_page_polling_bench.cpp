// install_page_polling_bench: does the install page's polling slow the extraction it shows?
//
// The product extraction (ExtractCabinet on the POSIX seam, writing real files) runs on a worker
// thread, as the install worker runs it, in two ways that alternate round by round:
//   quiet   - the main thread only waits for the worker;
//   polled  - the main thread does what the install page does every 40 ms: reads the progress
//             numbers and the file name, runs the page's tick rule and, when the file changed,
//             builds the expanded file line.
// The best wall-clock round of each way counts; "polled / quiet" near 1.00 means the polling
// adds nothing measurable. The cabinet (MSZIP, made by our writer from generated data: many small
// files and some large ones, so the file name changes often) is built before anything is timed.
//
// Run: build/native/bench/install_page_polling_bench [megabytes] [work folder]   (default 60, /tmp)
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cabinet/extraction.h"
#include "driver/installer_state.h"
#include "packer/cabinet_writer.h"
#include "platform/posix/posix_system.h"
#include "ui/progress_animation.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlax;

constexpr int kRounds = 5;
constexpr int kTickMilliseconds = 40;  // the install page's timer
constexpr std::size_t kMegabyte = 1000 * 1000;

uint32_t Next(uint32_t* x) {
  *x ^= *x << 13;
  *x ^= *x >> 17;
  *x ^= *x << 5;
  return *x;
}

// Words and records: compressible like a game's text and data files.
std::string GameData(std::size_t size, uint32_t seed) {
  static const char* kWords[] = {"level ", "texture ", "sound ", "player ", "menu ", "map\n",
                                 "score ", "enemy ", "door ", "key "};
  std::string data;
  data.reserve(size + 16);
  while (data.size() < size) {
    if (Next(&seed) % 4 == 0) {
      uint32_t record[4] = {Next(&seed) & 0xFFFF, seed & 0xFF, 0x3F800000u, 0};
      data.append(reinterpret_cast<const char*>(record), sizeof record);
    } else {
      data += kWords[Next(&seed) % 10];
    }
  }
  data.resize(size);
  return data;
}

// Half the bytes in 2,000 small files, half in large ones.
std::vector<CabinetInputFile> Product(std::size_t megabytes) {
  std::vector<CabinetInputFile> files;
  std::size_t total = megabytes * kMegabyte;
  const int kSmallFiles = 2000;
  for (int i = 0; i < kSmallFiles; ++i) {
    CabinetInputFile file;
    file.name = "files\\data\\set" + std::to_string(i / 100) + "\\item" + std::to_string(i) + ".dat";
    file.data = GameData(total / 2 / kSmallFiles, i + 1);
    files.push_back(file);
  }
  for (int i = 0; i < 10; ++i) {
    CabinetInputFile file;
    file.name = "files\\big\\pack" + std::to_string(i) + ".bin";
    file.data = GameData(total / 2 / 10, 7000 + i);
    files.push_back(file);
  }
  return files;
}

// What the install page does on one tick; answers whether anything changed on screen.
bool InstallPageTick(ProgressDisplay* display) {
  InstallerState& state = State();
  InstallProgressTick tick =
      TickInstallProgress(display, state.progress.overallPercent.load(),
                          state.progress.currentFilePercent.load(),
                          CurrentFileName(state.progress), state.workerDone.load());
  if (tick.setName) {
    std::u16string line = ExtractingText(display->shownName);
    return !line.empty();
  }
  return tick.setFileBar || tick.setOverallBar;
}

// Seconds for one extraction, polled or not; -1 when the extraction failed.
double OneRound(const std::string& cabinet, const std::string& destination, bool polled,
                int* ticks) {
  InstallerState& state = State();
  fs::remove_all(destination);
  state.workerDone = false;
  state.progress.overallPercent.store(0);
  state.progress.currentFilePercent.store(0);
  std::atomic<bool> ok{false};
  // Timed on the worker itself: the page notices the end only at its next tick, up to 40 ms
  // later, which is the page's delay, not the extraction's.
  double seconds = 0;
  std::thread worker([&] {
    auto start = std::chrono::steady_clock::now();
    ok = ExtractCabinet(cabinet, "files\\", destination + "/");
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    State().workerDone = true;
  });
  ProgressDisplay display;
  *ticks = 0;
  if (polled) {
    while (!state.workerDone) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kTickMilliseconds));
      InstallPageTick(&display);
      ++*ticks;
    }
  }
  worker.join();
  return ok ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 60;
  std::string folder = std::string(argc > 2 ? argv[2] : "/tmp") + "/vorlax-polling-bench-" +
                       std::to_string(getpid());
  static PosixSystem system;
  State().system = &system;
  State().defines.Set(u"INSTALL_DIALOG_EXTRACTING", u"Extracting %InstallName%:");
  State().defines.Set(u"InstallName", u"Demo 1.0");
  fs::create_directories(folder);

  std::vector<CabinetPart> parts;
  std::string error;
  if (!WriteCabinets(Product(megabytes), CabinetWriterOptions(), &parts, &error)) {
    std::fprintf(stderr, "cannot write the cabinet: %s\n", error.c_str());
    return 1;
  }
  std::string cabinet = folder + "/files.cab";
  std::ofstream(cabinet, std::ios::binary) << parts[0].bytes;
  std::printf("cabinet: %zu MB of data, %.1f MB MSZIP, %d rounds of each way\n", megabytes,
              parts[0].bytes.size() / 1e6, kRounds);

  double best[2] = {1e9, 1e9};
  int ticks = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (int polled = 0; polled < 2; ++polled) {
      double seconds = OneRound(cabinet, folder + "/out", polled != 0, &ticks);
      if (seconds < 0) {
        std::fprintf(stderr, "extraction failed\n");
        return 1;
      }
      if (seconds < best[polled]) best[polled] = seconds;
    }
  }
  fs::remove_all(folder);
  std::printf("quiet:  %.3f s\npolled: %.3f s (%d ticks in the last round)\npolled / quiet: %.3f\n",
              best[0], best[1], ticks, best[1] / best[0]);
  return 0;
}
