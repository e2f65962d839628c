// The `vorlax` tool's commands. Each command lives in its own file (command_list.cpp,
// command_extract.cpp, ...) and registers itself with a static CommandRegistrar, so adding a
// command touches no shared file.
//
// Exit codes of every command: kExitOk, kExitFailed (the input or the work failed; a clear
// message was printed to stderr), kExitUsage (the command line was wrong).
#pragma once

#include <string>
#include <vector>

namespace vorlax {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Command {
  const char* name;     // "list"
  const char* usage;    // "list FILE"
  const char* summary;  // one line for `vorlax help`
  // args are the words after the command name, UTF-8 on every platform.
  int (*run)(const std::vector<std::string>& args);
};

class CommandRegistrar {
 public:
  explicit CommandRegistrar(const Command& command);
};

// Every registered command, sorted by name.
std::vector<Command> RegisteredCommands();

// Prints "vorlax: " + message to stderr; answers kExitFailed, so a command can `return Fail(...)`.
int Fail(const std::string& message);
// Prints the usage line of the named command to stderr; answers kExitUsage.
int UsageError(const char* commandName);

// Shows progress of long work on stderr when it is a terminal: "label  NN%" redrawn in place.
// Done() ends the line. Nothing is printed when stderr is not a terminal.
class TerminalProgress {
 public:
  explicit TerminalProgress(std::string label);
  ~TerminalProgress();
  void Update(int percent);
  void Done();
  // True while the progress is shown (stderr is a terminal and Done() has not been called).
  bool Shown() const { return active_; }

 private:
  std::string label_;
  int shown_ = -1;
  bool active_;
};

}  // namespace vorlax
