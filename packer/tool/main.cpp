// Entry of the `vorlax` tool: picks the platform's System, then runs the named command.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/tool/command.h"

#ifdef _WIN32
#include <io.h>
#include "platform/win32/win32_system.h"
#else
#include <unistd.h>
#include "platform/posix/posix_system.h"
#endif

namespace vorlax {

namespace {

// Usage lines longer than this do not set the column of the summaries in `vorlax help`.
constexpr int kMaxAlignedUsage = 60;

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

int PrintHelp() {
  std::printf("vorlax: build, inspect and check vorlax installers\n\nCommands:\n");
  std::vector<Command> commands = RegisteredCommands();
  int width = 0;
  for (const Command& command : commands) {
    int length = static_cast<int>(std::strlen(command.usage));
    if (length <= kMaxAlignedUsage) width = std::max(width, length);
  }
  for (const Command& command : commands) {
    if (static_cast<int>(std::strlen(command.usage)) > kMaxAlignedUsage) {
      // A long usage line gets its summary on the next line, in the summaries' column.
      std::printf("  vorlax %s\n  %*s  %s\n", command.usage, width + 7, "", command.summary);
    } else {
      std::printf("  vorlax %-*s  %s\n", width, command.usage, command.summary);
    }
  }
  return kExitOk;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const Command& command) { Registry()[command.name] = command; }

std::vector<Command> RegisteredCommands() {
  std::vector<Command> commands;
  for (const auto& entry : Registry()) commands.push_back(entry.second);
  return commands;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vorlax: %s\n", message.c_str());
  return kExitFailed;
}

int UsageError(const char* commandName) {
  auto it = Registry().find(commandName);
  if (it != Registry().end()) {
    std::fprintf(stderr, "usage: vorlax %s\n", it->second.usage);
  } else {
    std::fprintf(stderr, "vorlax: unknown command '%s' (try 'vorlax help')\n", commandName);
  }
  return kExitUsage;
}

TerminalProgress::TerminalProgress(std::string label)
    : label_(std::move(label)), active_(StderrIsTerminal()) {}

TerminalProgress::~TerminalProgress() { Done(); }

void TerminalProgress::Update(int percent) {
  if (!active_ || percent == shown_) return;
  shown_ = percent;
  std::fprintf(stderr, "\r%s %3d%%", label_.c_str(), percent);
  std::fflush(stderr);
}

void TerminalProgress::Done() {
  if (active_ && shown_ >= 0) std::fprintf(stderr, "\n");
  active_ = false;
}

int RunTool(const std::vector<std::string>& words) {
#ifdef _WIN32
  static Win32System system;
#else
  static PosixSystem system;
#endif
  State().system = &system;

  if (words.empty() || words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
    return PrintHelp();
  }
  auto it = Registry().find(words[0]);
  if (it == Registry().end()) return UsageError(words[0].c_str());
  return it->second.run(std::vector<std::string>(words.begin() + 1, words.end()));
}

}  // namespace vorlax

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be 16 bits on Windows");
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    words.push_back(vorlax::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  return vorlax::RunTool(words);
}
#else
int main(int argc, char** argv) {
  return vorlax::RunTool(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
