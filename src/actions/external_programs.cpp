// RunExternalPrograms: function references and started programs.
//
// Sound choices:
// - The function's name is passed in the 8-bit form. A name with a character that has none, or
//   longer than 255 characters, cannot name an export: it counts as not found ("Failed to find
//   func") instead of being cut into the name of some other export.
// - The process handle is closed on every way out of the wait, also when the exit code cannot be
//   read or a cancel ends the wait; closing the handle does not end the program.
#include "actions/external_programs.h"

#include <string>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/fatal_error.h"
#include "driver/installer_state.h"

namespace vorlax {

namespace {

constexpr char16_t kFunctionMark = u'@';
constexpr char16_t kOpenVerb[] = u"open";
constexpr uint32_t kPollMilliseconds = 20;

std::u16string Expand(const std::u16string& text) { return ExpandDefines(State().defines, text); }

// Reports failure (message) unless silent; answers whether the list goes on.
bool Failed(bool silent, const std::u16string& message) {
  if (silent) return true;
  ShowFatalError(message);
  return false;
}

// "name@library": loads the library, calls the function, frees the library. False when the list
// stops.
bool CallFunction(const std::u16string& exe, std::size_t at, bool silent) {
  std::u16string name = exe.substr(0, at);
  std::u16string library = exe.substr(at + 1);
  System& system = *State().system;
  System::LibraryHandle handle = system.LoadProgramLibrary(library);
  if (handle == System::kNoLibrary) return Failed(silent, u"Failed to load library '" + library + u"'");
  std::string narrowName;
  bool found = NarrowText(name, &narrowName) && name.size() <= kMaxNarrowChars &&
               system.CallExportedFunction(handle, narrowName);
  system.FreeProgramLibrary(handle);
  if (found) return true;
  return Failed(silent, u"Failed to find func '" + name + u"'");
}

enum class WaitOutcome { kEnded, kNoExitCode, kCancelled };

// Polls the process until it ends or installFailed is set.
WaitOutcome WaitForProgram(System::ProcessHandle process, uint32_t* exitCode) {
  System& system = *State().system;
  WaitOutcome outcome = WaitOutcome::kEnded;
  for (;;) {
    if (!system.GetProcessExitCode(process, exitCode)) {
      outcome = WaitOutcome::kNoExitCode;
      break;
    }
    if (*exitCode != kStillActive) break;
    if (State().installFailed) {
      outcome = WaitOutcome::kCancelled;
      break;
    }
    system.Sleep(kPollMilliseconds);
  }
  if (process != System::kNoProcess) system.CloseProcess(process);
  return outcome;
}

// Starts the program and judges its exit code. False when the list stops.
bool RunProgram(const std::u16string& exe, const std::u16string& parameters,
                const std::u16string& directory, bool silent) {
  System::ProgramStart request;
  request.mask = kSeeMaskNoCloseProcessNoUi;
  request.verb = kOpenVerb;
  request.file = exe;
  request.parameters = parameters;
  request.directory = directory;
  request.show = kSwShow;
  System::ProcessHandle process = System::kNoProcess;
  if (!State().system->StartProgram(request, &process)) {
    return Failed(silent, u"Failed to execute '" + exe + u"'");
  }
  uint32_t exitCode = 0;
  switch (WaitForProgram(process, &exitCode)) {
    case WaitOutcome::kCancelled: return false;
    case WaitOutcome::kNoExitCode: return true;
    case WaitOutcome::kEnded: break;
  }
  return exitCode == 0 || silent;
}

}  // namespace

bool RunExternalPrograms(const std::vector<ExecEntry>& list) {
  for (const ExecEntry& entry : list) {
    std::u16string exe = Expand(entry.Exe);
    std::u16string parameters = Expand(entry.Params);
    std::u16string directory = Expand(entry.Directory);
    if (exe.empty()) continue;
    std::size_t at = exe.find(kFunctionMark);
    bool goOn = at != std::u16string::npos ? CallFunction(exe, at, entry.SilentFail)
                                           : RunProgram(exe, parameters, directory, entry.SilentFail);
    if (!goOn) return false;
  }
  return true;
}

}  // namespace vorlax
