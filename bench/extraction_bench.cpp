// Extraction throughput: our ExtractCabinet (on the POSIX seam, as `vorlax extract` runs it)
// against libmspack's cabinet decompressor and the cabextract and `gcab -x` commands, all on the
// same MSZIP cabinet made by our writer from generated data: text, structured binary records,
// incompressible bytes and many small files.
//
// Every extractor writes the files to disk; each runs several rounds, alternating, and its best
// wall-clock round counts; the best processor time (user and system, of the extraction's own
// process or of the command) is shown beside it. Outputs are checked against the source data
// before anything is timed. Ours also restores times and attributes, which libmspack's plain
// extract() does not.
//
// Ours runs twice: as built here, and as the installer stub builds it. The second is this same
// file built as extraction_stub_flags_bench, with the cabinet library compiled with the stub's
// flags (see extraction.cmake). Each call extracts twice and prints the times of the second
// extraction, so that, like ours here, it runs warm: the start of the program, the first use of
// its memory and of the tables do not count.

// Finally a walk of the cabinet reader with a counting allocator shows that the reader allocates
// a fixed handful of blocks, whatever the number of files and blocks.
#include <mspack.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cabinet/cabinet_reader.h"
#include "cabinet/extraction.h"
#include "driver/installer_state.h"
#include "packer/cabinet_writer.h"
#include "platform/posix/posix_system.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlax;

constexpr std::size_t kDefaultMegabytes = 110;
constexpr int kRounds = 3;
constexpr std::size_t kMegabyte = 1000 * 1000;

// ---- Data ---------------------------------------------------------------------------------------

uint32_t Next(uint32_t* x) {
  *x ^= *x << 13;
  *x ^= *x >> 17;
  *x ^= *x << 5;
  return *x;
}

std::string TextData(std::size_t size, uint32_t seed) {
  static const char* kWords[] = {"the ", "player ", "level ", "texture ", "sound ", "installer ", "of ",
                                 "and ", "cabinet ", "window ", "folder ", "registry ", "to ", "in ",
                                 "game ", "menu ", "shortcut ", "configuration ", "program ", "is\n"};
  std::string data;
  data.reserve(size + 32);
  while (data.size() < size) data += kWords[Next(&seed) % 20];
  data.resize(size);
  return data;
}

std::string BinaryData(std::size_t size, uint32_t seed) {
  std::string data;
  data.reserve(size + 32);
  for (uint32_t i = 0; data.size() < size; ++i) {
    uint32_t record[6] = {0x00400000u + i * 16, i, Next(&seed) & 0xFF, 0x3F800000u, i / 7, 0};
    data.append(reinterpret_cast<const char*>(record), sizeof record);
  }
  data.resize(size);
  return data;
}

std::string NoiseData(std::size_t size, uint32_t seed) {
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(Next(&seed));
  return data;
}

struct Dataset {
  std::vector<CabinetInputFile> files;
  std::size_t text = 0, binary = 0, noise = 0, small = 0;
  std::size_t Total() const { return text + binary + noise + small; }
};

Dataset MakeDataset(std::size_t megabytes) {
  Dataset set;
  std::size_t target = megabytes * kMegabyte;
  std::size_t big = 1200 * 1000;
  uint32_t seed = 1;
  auto add = [&set](const std::string& name, std::string data) {
    CabinetInputFile file;
    file.name = name;
    file.data = std::move(data);
    set.files.push_back(std::move(file));
  };
  for (int i = 0; set.Total() < target; ++i) {
    switch (i % 4) {
      case 0: set.text += big; add("files\\text\\t" + std::to_string(i) + ".txt", TextData(big, ++seed)); break;
      case 1: set.binary += big; add("files\\bin\\b" + std::to_string(i) + ".dat", BinaryData(big, ++seed)); break;
      case 2: set.noise += big; add("files\\media\\n" + std::to_string(i) + ".ogg", NoiseData(big, ++seed)); break;
      default:
        for (int k = 0; k < 12; ++k) {
          std::size_t size = 1000 + (Next(&seed) % 20000);
          set.small += size;
          add("files\\small\\s" + std::to_string(i) + "_" + std::to_string(k) + ".ini", TextData(size, ++seed));
        }
    }
  }
  return set;
}

// ---- Checking an output tree -------------------------------------------------------------------------

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Slashes(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

bool SameAsSource(const Dataset& set, const fs::path& folder, const char* who) {
  for (const CabinetInputFile& file : set.files) {
    if (ReadBytes(folder / Slashes(file.name)) != file.data) {
      std::fprintf(stderr, "%s: %s differs from the source\n", who, file.name.c_str());
      return false;
    }
  }
  return true;
}

// ---- The extractors -------------------------------------------------------------------------------

bool ExtractOurs(const fs::path& cabinet, const fs::path& out) {
  fs::create_directories(out);
  return ExtractCabinet(cabinet.string(), "", out.string() + "/");
}

bool ExtractLibmspack(const fs::path& cabinet, const fs::path& out) {
  mscab_decompressor* decompressor = mspack_create_cab_decompressor(nullptr);
  if (!decompressor) return false;
  mscabd_cabinet* cab = decompressor->open(decompressor, const_cast<char*>(cabinet.c_str()));
  bool ok = cab != nullptr;
  for (mscabd_file* file = ok ? cab->files : nullptr; ok && file; file = file->next) {
    fs::path target = out / Slashes(file->filename);
    fs::create_directories(target.parent_path());
    ok = decompressor->extract(decompressor, file, const_cast<char*>(target.c_str())) == MSPACK_ERR_OK;
  }
  if (cab) decompressor->close(decompressor, cab);
  mspack_destroy_cab_decompressor(decompressor);
  return ok;
}

bool RunCommand(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// An extraction's own times, for an extractor that measures itself.
struct Timing {
  double wall = -1;
  double cpu = -1;
};

// The stub-flags build of ExtractCabinet in its own process: it answers "<wall> <cpu>" seconds.
bool ExtractStubFlags(const fs::path& cabinet, const fs::path& out, Timing* timing) {
#ifdef VORLAX_BENCH_STUB_FLAGS
  std::string command = std::string(VORLAX_BENCH_STUB_FLAGS) + " '" + cabinet.string() + "' '" + out.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  int fields = std::fscanf(pipe, "%lf %lf", &timing->wall, &timing->cpu);
  return pclose(pipe) == 0 && fields == 2;
#else
  (void)cabinet;
  (void)out;
  (void)timing;
  return false;
#endif
}

bool ExtractCabextract(const fs::path& cabinet, const fs::path& out) {
  return RunCommand(std::string(VORLAX_BENCH_CABEXTRACT) + " -q -d '" + out.string() + "' '" + cabinet.string() + "'");
}

bool ExtractGcab(const fs::path& cabinet, const fs::path& out) {
  fs::create_directories(out);
  return RunCommand(std::string(VORLAX_BENCH_GCAB) + " -x -C '" + out.string() + "' '" + cabinet.string() + "'");
}

struct Extractor {
  const char* name;
  bool (*run)(const fs::path& cabinet, const fs::path& out);
  bool (*timedRun)(const fs::path& cabinet, const fs::path& out, Timing* timing);  // or this
  double best = 1e30;
  double bestCpu = 1e30;
};

// User and system time of this process and of its finished children.
double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    total += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
             usage.ru_stime.tv_usec / 1e6;
  }
  return total;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Timing TimeOnce(const Extractor& extractor, const fs::path& cabinet, const fs::path& out, bool* ok) {
  std::error_code ignored;
  fs::remove_all(out, ignored);
  Timing timing;
  if (extractor.timedRun) {
    *ok = extractor.timedRun(cabinet, out, &timing);
    return timing;
  }
  double wall = WallSeconds();
  double cpu = CpuSeconds();
  *ok = extractor.run(cabinet, out);
  timing.cpu = CpuSeconds() - cpu;
  timing.wall = WallSeconds() - wall;
  return timing;
}

// ---- Allocations of the reader --------------------------------------------------------------------

int gAllocations = 0;
void* CountingAlloc(uint32_t size) {
  ++gAllocations;
  return std::malloc(size == 0 ? 1 : size);
}

struct Walk {
  std::string folder;
  uint32_t files = 0;
};

intptr_t WalkNotify(CabinetNotificationKind kind, CabinetNotification* note) {
  auto* walk = static_cast<Walk*>(note->userValue);
  if (kind == fdintFILE_START) {
    ++walk->files;
    std::string path = walk->folder + "/f" + std::to_string(walk->files);
    FileHandle file = State().system->OpenFileNarrow(path, FileAccess::kCreateWrite);
    return file == kNoFile ? -1 : static_cast<intptr_t>(file);
  }
  if (kind == fdintFILE_DONE) {
    State().system->CloseFile(static_cast<FileHandle>(note->fileHandle));
    return 1;
  }
  return 0;
}

int ReaderAllocations(const fs::path& cabinet, const fs::path& out, uint32_t* files) {
  fs::create_directories(out);
  CabinetCallbacks callbacks = SystemCabinetCallbacks();
  callbacks.alloc = CountingAlloc;
  CabinetError error;
  gAllocations = 0;
  CabinetReader* reader = CabinetReader::Create(callbacks, 1, &error);
  Walk walk{out.string(), 0};
  std::string name = cabinet.filename().string();
  std::string directory = cabinet.parent_path().string() + "/";
  bool ok = reader && CabinetReader::Copy(reader, name.c_str(), directory.c_str(), 0, WalkNotify, nullptr, &walk);
  if (reader) CabinetReader::Destroy(reader);
  *files = walk.files;
  return ok ? gAllocations : -1;
}

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, 10, "model name") == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown";
}

}  // namespace

#ifdef VORLAX_BENCH_STUB_FLAGS_ONLY
// extraction_stub_flags_bench CABINET OUT: two extractions, the second one's times on standard
// output.
int main(int argc, char** argv) {
  if (argc != 3) return 2;
  static PosixSystem posix;
  State().system = &posix;
  Extractor ours{"", ExtractOurs, nullptr};
  bool warm = false;
  bool ok = false;
  TimeOnce(ours, argv[1], argv[2], &warm);
  Timing timing = TimeOnce(ours, argv[1], argv[2], &ok);
  std::printf("%.6f %.6f\n", timing.wall, timing.cpu);
  return warm && ok ? 0 : 1;
}
#else
int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kDefaultMegabytes;
  fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "vorlax-extraction-bench";
  static PosixSystem posix;
  State().system = &posix;
  std::error_code ignored;
  fs::remove_all(work, ignored);
  fs::create_directories(work);

  Dataset set = MakeDataset(megabytes);
  std::vector<CabinetPart> parts;
  std::string error;
  CabinetWriterOptions options;
  options.cabinetName = "bench.cab";
  if (!WriteCabinets(set.files, options, &parts, &error)) {
    std::fprintf(stderr, "writing the cabinet failed: %s\n", error.c_str());
    return 1;
  }
  fs::path cabinet = work / "bench.cab";
  {
    std::ofstream out(cabinet, std::ios::binary);
    out.write(parts[0].bytes.data(), static_cast<std::streamsize>(parts[0].bytes.size()));
  }
  std::printf("machine: %u processors, %s\n", std::thread::hardware_concurrency(), CpuModel().c_str());
  std::printf("data: %zu files, %.1f MB (text %.1f, binary %.1f, incompressible %.1f, small files %.1f); "
              "MSZIP cabinet %.1f MB\n",
              set.files.size(), set.Total() / 1e6, set.text / 1e6, set.binary / 1e6, set.noise / 1e6,
              set.small / 1e6, parts[0].bytes.size() / 1e6);
  std::vector<CabinetPart>().swap(parts);

  std::vector<Extractor> extractors = {{"vorlax ExtractCabinet", ExtractOurs, nullptr},
                                       {"vorlax, stub's flags", nullptr, ExtractStubFlags},
                                       {"libmspack", ExtractLibmspack, nullptr},
                                       {"cabextract", ExtractCabextract, nullptr},
                                       {"gcab -x", ExtractGcab, nullptr}};
  for (Extractor& extractor : extractors) {
    bool ok = false;
    TimeOnce(extractor, cabinet, work / "out", &ok);
    if (!ok || !SameAsSource(set, work / "out", extractor.name)) {
      std::fprintf(stderr, "%s failed on the benchmark cabinet\n", extractor.name);
      return 1;
    }
  }
  for (int round = 0; round < kRounds; ++round) {
    for (Extractor& extractor : extractors) {
      bool ok = false;
      Timing timing = TimeOnce(extractor, cabinet, work / "out", &ok);
      if (ok && timing.wall < extractor.best) extractor.best = timing.wall;
      if (ok && timing.cpu < extractor.bestCpu) extractor.bestCpu = timing.cpu;
    }
  }
  std::printf("%-24s %10s %10s %14s %12s\n", "extractor", "best s", "MB/s", "ours is x as fast", "best cpu s");
  for (const Extractor& extractor : extractors) {
    std::printf("%-24s %10.3f %10.1f %14.2f %12.3f\n", extractor.name, extractor.best,
                set.Total() / 1e6 / extractor.best, extractor.best / extractors[0].best, extractor.bestCpu);
  }
  std::printf("stub's flags against this build: %.2fx the processor time, %.2fx the wall-clock time\n",
              extractors[1].bestCpu / extractors[0].bestCpu, extractors[1].best / extractors[0].best);
  uint32_t files = 0;
  int allocations = ReaderAllocations(cabinet, work / "walk", &files);
  std::printf("cabinet reader: %d allocations for a walk that wrote %u files of %.1f MB\n", allocations, files,
              set.Total() / 1e6);
  fs::remove_all(work, ignored);
  return 0;
}
#endif
