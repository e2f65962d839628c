// `vorlax extract FILE DIR [--prefix P]`: unpacks the cabinet of an installer (or a bare cabinet,
// with the later cabinets of its set that sit beside it) into DIR through ExtractCabinet itself,
// so what it writes is exactly what the installer would. Only entries whose names begin with P
// are extracted, without P; the default "" extracts everything. A "/" in P stands for "\", the
// cabinet's separator. Destination paths are limited to 255 characters, as in the installer;
// DIR "." extracts into the current folder with the shortest paths.
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "cabinet/cabinet_format.h"
#include "cabinet/extraction.h"
#include "driver/installer_state.h"
#include "packer/tool/cabinet_source.h"
#include "packer/tool/command.h"
#include "packer/tool/watched_work.h"

namespace vorlax {
namespace {

constexpr std::size_t kMaxSetParts = 0xFFFF;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

struct ExtractArguments {
  std::string file;
  std::string folder;
  std::string prefix;
};

bool ParseArguments(const std::vector<std::string>& args, ExtractArguments* parsed) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--prefix") {
      if (++i == args.size()) return false;
      parsed->prefix = args[i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return false;
  parsed->file = positional[0];
  parsed->folder = positional[1];
  for (char& c : parsed->prefix) {
    if (c == '/') c = '\\';
  }
  return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Creates every folder along path and the path itself; failures show when files are created.
void CreateFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) State().system->CreateFolderNarrow(path.substr(0, i));
  }
}

// Runs ExtractCabinet; on a terminal it runs on a worker thread while the terminal shows its
// overall percentage, and the wait ends as soon as the extraction does. Elsewhere it runs on this
// thread with no progress at all.
bool ExtractWithProgress(const std::string& cabinet, const std::string& prefix, const std::string& destination) {
  std::size_t cut = LastSeparator(cabinet);
  std::string name = cabinet.substr(cut == std::string::npos ? 0 : cut);
  TerminalProgress progress("extracting " + ToUtf8(Widen(name)));
  if (!progress.Shown()) return ExtractCabinet(cabinet, prefix, destination);
  auto job = [&] { return ExtractCabinet(cabinet, prefix, destination); };
  auto poll = [&] { progress.Update(State().progress.overallPercent.load()); };
  bool ok = RunWatched(job, poll, kProgressInterval).ok;
  if (ok) progress.Update(100);
  progress.Done();
  return ok;
}

std::string FailureText() {
  const ExtractionReport& report = LastExtractionReport();
  if (!report.refusal.empty()) return report.refusal;
  return CabinetErrorText(report.cabinetError.code);
}

int RunExtract(const std::vector<std::string>& args) {
  ExtractArguments parsed;
  if (!ParseArguments(args, &parsed)) return UsageError("extract");
  std::string folder;
  std::string prefix;
  if (!NarrowPath(parsed.folder, &folder) || !NarrowPath(parsed.prefix, &prefix)) {
    return Fail("folder and prefix must be at most 255 characters up to U+00FF");
  }
  CabinetSource source;
  std::string error;
  if (!source.Open(parsed.file, &error)) return Fail(error);
  // "." is the current folder itself: names are then joined to nothing, which leaves a cabinet's
  // longest names (255 characters) within the 255-character limit of destination paths.
  if (folder == ".") folder.clear();
  CreateFolders(folder);
  std::string destination = folder.empty() || IsSeparator(folder.back()) ? folder : folder + "/";

  std::string cabinet = source.CabinetPath();
  std::set<std::string> visited;
  for (std::size_t part = 0; part < kMaxSetParts; ++part) {
    // A set whose names lead back to a cabinet already extracted would never end.
    if (!visited.insert(cabinet).second) return Fail("cabinet set leads back to '" + cabinet + "'");
    if (!ExtractWithProgress(cabinet, prefix, destination)) {
      return Fail("extraction of '" + parsed.file + "' failed: " + FailureText());
    }
    CabinetFacts facts;
    if (!source.InPlace() || !ReadCabinetFacts(cabinet, &facts, &error) || facts.nextCabinet.empty()) break;
    std::size_t cut = LastSeparator(cabinet);
    cabinet = (cut == std::string::npos ? std::string() : cabinet.substr(0, cut)) + facts.nextCabinet;
  }
  std::printf("extracted %zu files to %s\n", State().extractedFiles.size(), parsed.folder.c_str());
  return kExitOk;
}

const CommandRegistrar kRegistrar({"extract", "extract FILE DIR [--prefix P]",
                                   "unpack an installer's or a cabinet's files into DIR", RunExtract});

}  // namespace
}  // namespace vorlax
