// The robot's interpreter: the command table, validation, the run, failures, and the steps that
// start, attach to, resume and wait for the installer (see scenario_runner.h; the language is
// described in robot_main.cpp). Window steps are in window_steps.cpp, file steps in file_steps.cpp.
#include "scenario_runner.h"

#include <tlhelp32.h>

#include <cwchar>

#include "output.h"
#include "step_arguments.h"
#include "window_probe.h"

namespace robot {

namespace {

constexpr DWORD kDefaultTimeoutMs = 20000;
// Exit code given to an installer the robot ends after a failed step.
constexpr UINT kEndedByRobotExitCode = 99;
constexpr DWORD kEndWaitMs = 5000;

std::wstring CommandLineFor(const std::wstring& program, const std::vector<std::wstring>& args,
                            size_t firstArg) {
  std::wstring line = L"\"" + program + L"\"";
  for (size_t i = firstArg; i < args.size(); ++i) line += L" \"" + args[i] + L"\"";
  return line;
}

// Set by 'start' to the started installer's process id as 8 upper-case hexadecimal digits, so
// paths in later steps can name what the installer will name after itself.
constexpr wchar_t kProcessIdVariable[] = L"ROBOT_INSTALLER_PID";

std::wstring HexProcessId(DWORD id) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kDigits[(id >> shift) & 0xF]);
  return text;
}

// a equals pattern, letter case aside; one "*" in pattern stands for any run of characters.
bool SameFileName(const wchar_t* a, const std::wstring& pattern) {
  size_t star = pattern.find(L'*');
  if (star == std::wstring::npos) return _wcsicmp(a, pattern.c_str()) == 0;
  std::wstring name = a;
  std::wstring head = pattern.substr(0, star);
  std::wstring tail = pattern.substr(star + 1);
  return name.size() >= head.size() + tail.size() &&
         _wcsnicmp(name.c_str(), head.c_str(), head.size()) == 0 &&
         _wcsicmp(name.c_str() + name.size() - tail.size(), tail.c_str()) == 0;
}

// Reads the text value NAME of KEY ("HKLM\..." or "HKCU\...") as the system's list of programs
// reads an uninstall entry; empty when it is missing or no text.
std::wstring ReadRegistryText(const std::wstring& keyPath, const std::wstring& name) {
  HKEY root = nullptr;
  if (keyPath.compare(0, 5, L"HKLM\\") == 0) root = HKEY_LOCAL_MACHINE;
  if (keyPath.compare(0, 5, L"HKCU\\") == 0) root = HKEY_CURRENT_USER;
  HKEY key = nullptr;
  if (!root || RegOpenKeyExW(root, keyPath.c_str() + 5, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
  wchar_t buffer[2048] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return L"";
  return buffer;
}

DWORD FindProcessByName(const std::wstring& name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD found = 0;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
    if (SameFileName(entry.szExeFile, name) && entry.th32ProcessID != GetCurrentProcessId()) {
      found = entry.th32ProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return found;
}

}  // namespace

ScenarioRunner::ScenarioRunner(std::wstring defaultProgram)
    : defaultProgram_(std::move(defaultProgram)), timeoutMs_(kDefaultTimeoutMs) {}

ScenarioRunner::~ScenarioRunner() {
  for (const auto& lock : locks_) CloseHandle(lock.second);
  if (!versionKey_.empty()) RegDeleteKeyW(HKEY_CURRENT_USER, versionKey_.c_str());
  for (const std::wstring& path : madeFiles_) DeleteFileW(path.c_str());
  if (thread_) CloseHandle(thread_);
  if (process_) CloseHandle(process_);
}

const std::vector<ScenarioRunner::CommandInfo>& ScenarioRunner::Commands() {
  static const std::vector<CommandInfo> commands = {
      {L"timeout", &ScenarioRunner::SetTimeout, 1, 1, {}, {}},
      {L"start", &ScenarioRunner::Start, 0, 64, {}, {L"suspended"}},
      {L"resume", &ScenarioRunner::Resume, 0, 0, {}, {}},
      {L"lock-file", &ScenarioRunner::LockFile, 0, 1, {}, {}},
      {L"make-file", &ScenarioRunner::MakeFile, 1, 1, {}, {L"size"}},
      {L"set-env", &ScenarioRunner::SetEnv, 1, 1, {L"value"}, {}},
      {L"attach", &ScenarioRunner::Attach, 1, 1, {}, {}},
      {L"start-registry-command", &ScenarioRunner::StartRegistryCommand, 2, 2, {}, {}},
      {L"expect-window", &ScenarioRunner::ExpectWindow, 0, 0, {L"caption"}, {L"class", L"control"}},
      {L"expect-control", &ScenarioRunner::ExpectControl, 0, 0, {L"id"}, {L"text", L"starts-with"}},
      {L"press", &ScenarioRunner::Press, 0, 0, {}, {L"id", L"button"}},
      {L"close-window", &ScenarioRunner::CloseWindow, 0, 0, {}, {}},
      {L"expect-message", &ScenarioRunner::ExpectMessage, 0, 0, {L"press"}, {L"caption", L"text"}},
      {L"expect-exit", &ScenarioRunner::ExpectExit, 1, 1, {}, {}},
      {L"watch-folder", &ScenarioRunner::WatchFolder, 1, 1, {L"prefix"}, {}},
      {L"expect-new-folder", &ScenarioRunner::ExpectNewFolder, 1, 1, {L"prefix"},
       {L"file", L"same-as"}},
      {L"expect-no-new-folder", &ScenarioRunner::ExpectNoNewFolder, 1, 1, {L"prefix"}, {}},
      {L"expect-progress", &ScenarioRunner::ExpectProgress, 0, 0, {L"id"}, {L"position", L"at-least", L"at-most"}},
      {L"expect-check", &ScenarioRunner::ExpectCheck, 0, 0, {L"id", L"state"}, {}},
      {L"set-check", &ScenarioRunner::SetCheck, 0, 0, {L"id", L"state"}, {}},
      {L"set-text", &ScenarioRunner::SetText, 0, 0, {L"id", L"text"}, {}},
      {L"expect-font", &ScenarioRunner::ExpectFont, 0, 0, {L"id", L"face", L"height", L"weight"}, {L"italic"}},
      {L"browse-to", &ScenarioRunner::BrowseTo, 1, 1, {}, {}},
      {L"expect-pixel", &ScenarioRunner::ExpectPixel, 0, 0, {L"x", L"y", L"rgb"}, {L"id"}},
      {L"move-window", &ScenarioRunner::MoveWindow, 0, 0, {L"x", L"y"}, {}},
      {L"screenshot", &ScenarioRunner::Screenshot, 1, 1, {}, {}},
      {L"expect-file", &ScenarioRunner::ExpectFile, 1, 1, {}, {L"same-as", L"text", L"date", L"time", L"read-only"}},
      {L"expect-no-file", &ScenarioRunner::ExpectNoFile, 1, 1, {}, {}},
      {L"expect-no-process", &ScenarioRunner::ExpectNoProcess, 1, 1, {}, {}},
      {L"make-folder", &ScenarioRunner::MakeFolder, 1, 1, {}, {}},
      {L"copy-file", &ScenarioRunner::CopyFileStep, 2, 2, {}, {}},
      {L"remove-folder", &ScenarioRunner::RemoveFolder, 1, 1, {}, {}},
      {L"unlock-file", &ScenarioRunner::UnlockFile, 1, 1, {}, {}},
      {L"set-windows-version", &ScenarioRunner::SetWindowsVersion, 1, 1, {}, {}},
  };
  return commands;
}

const ScenarioRunner::CommandInfo* ScenarioRunner::FindCommand(const std::wstring& name) {
  for (const CommandInfo& info : Commands()) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

bool ScenarioRunner::Validate(const std::vector<Step>& steps, std::wstring* error) {
  for (const Step& step : steps) {
    std::wstring where = L"line " + std::to_wstring(step.line) + L": ";
    const CommandInfo* info = FindCommand(step.command);
    if (!info) {
      *error = where + L"unknown command '" + step.command + L"'";
      return false;
    }
    if (step.positional.size() < info->minPositional ||
        step.positional.size() > info->maxPositional) {
      *error = where + L"wrong number of plain arguments for '" + step.command + L"'";
      return false;
    }
    for (const std::wstring& key : info->requiredKeys) {
      if (!step.named.count(key)) {
        *error = where + L"'" + step.command + L"' needs " + key + L"=";
        return false;
      }
    }
    for (const auto& entry : step.named) {
      bool known = false;
      for (const std::wstring& key : info->requiredKeys) known = known || key == entry.first;
      for (const std::wstring& key : info->optionalKeys) known = known || key == entry.first;
      if (!known) {
        *error = where + L"'" + step.command + L"' takes no " + entry.first + L"=";
        return false;
      }
    }
  }
  return true;
}

bool ScenarioRunner::Run(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    if (!(this->*FindCommand(step.command)->handler)(step)) return false;
  }
  DWORD exitCode = 0;
  if (process_ && !InstallerEnded(&exitCode)) {
    Step last;
    last.line = steps.empty() ? 0 : steps.back().line;
    return Fail(last, L"the installer is still running at the end of the scenario");
  }
  PrintLine(L"PASS");
  return true;
}

bool ScenarioRunner::Fail(const Step& step, const std::wstring& message) {
  PrintLine(L"FAIL line " + std::to_wstring(step.line) + L": " + message);
  if (process_) {
    PrintLine(L"installer windows at the failure:\n" + DescribeDialogs(processId_));
    EndInstaller();
  }
  return false;
}

void ScenarioRunner::EndInstaller() {
  DWORD exitCode = 0;
  if (InstallerEnded(&exitCode)) return;
  TerminateProcess(process_, kEndedByRobotExitCode);
  WaitForSingleObject(process_, kEndWaitMs);
  PrintLine(L"ended the installer");
}

bool ScenarioRunner::InstallerEnded(DWORD* exitCode) {
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, exitCode);
  return true;
}

bool ScenarioRunner::NeedProcess(const Step& step) {
  if (process_) return true;
  return Fail(step, L"no installer: 'start' or 'attach' must come first");
}

bool ScenarioRunner::NeedWindow(const Step& step) {
  if (!NeedProcess(step)) return false;
  if (current_ && IsWindow(current_)) return true;
  return Fail(step, L"no current window: 'expect-window' must come first");
}

HWND ScenarioRunner::WaitForDialog(const Step& step, const std::wstring* caption,
                                   const std::wstring& what, const std::wstring* className,
                                   int requiredControl) {
  DWORD started = GetTickCount();
  for (;;) {
    for (HWND dialog : className ? ProcessDialogs(processId_, *className) : ProcessDialogs(processId_)) {
      if (requiredControl != 0 && !GetDlgItem(dialog, requiredControl)) continue;
      if (!caption || WindowCaption(dialog) == *caption) return dialog;
    }
    DWORD exitCode = 0;
    if (InstallerEnded(&exitCode)) {
      Fail(step, L"the installer exited with code " + std::to_wstring(exitCode) +
                     L" while waiting for " + what);
      return nullptr;
    }
    if (GetTickCount() - started >= timeoutMs_) {
      Fail(step, L"timed out after " + std::to_wstring(timeoutMs_ / 1000) +
                     L" s waiting for " + what);
      return nullptr;
    }
    Sleep(kPollMs);
  }
}

bool ScenarioRunner::SetTimeout(const Step& step) {
  unsigned long seconds = 0;
  if (!ParseNumber(step.positional[0], &seconds) || seconds == 0 || seconds > 600) {
    return Fail(step, L"timeout must be 1 to 600 seconds");
  }
  timeoutMs_ = seconds * 1000;
  return true;
}

bool ScenarioRunner::Start(const Step& step) {
  if (process_) return Fail(step, L"an installer is already running");
  std::wstring program = step.positional.empty() ? defaultProgram_ : ExpandPath(step.positional[0]);
  if (program.empty()) return Fail(step, L"no program to start (none given on the command line)");
  const std::wstring* suspended = Named(step, L"suspended");
  if (suspended && *suspended != L"yes") return Fail(step, L"suspended= takes only yes");
  std::wstring line = CommandLineFor(program, step.positional, 1);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // The program is named by the command line alone: an application-name argument is limited to
  // MAX_PATH characters, and scenarios start installers from longer paths too.
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0,
                      nullptr, nullptr, &startup, &info)) {
    return Fail(step, L"cannot start " + program + L" (error " + std::to_wstring(GetLastError()) +
                          L")");
  }
  thread_ = info.hThread;
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  program_ = program;
  SetEnvironmentVariableW(kProcessIdVariable, HexProcessId(processId_).c_str());
  PrintLine((suspended ? L"started suspended " : L"started ") + program);
  return true;
}

bool ScenarioRunner::Resume(const Step& step) {
  if (!NeedProcess(step)) return false;
  if (!thread_ || ResumeThread(thread_) == static_cast<DWORD>(-1)) {
    return Fail(step, L"cannot resume the installer (was it started with suspended=yes?)");
  }
  PrintLine(L"resumed the installer");
  return true;
}

// A program that has ended is let go, so that attach can take another one as the program the
// later steps watch (e.g. the product the launch page started).
bool ScenarioRunner::ReleaseEndedProgram(const Step& step) {
  if (!process_) return true;
  DWORD exitCode = 0;
  if (!InstallerEnded(&exitCode)) return Fail(step, L"an installer is already running");
  CloseHandle(process_);
  if (thread_) CloseHandle(thread_);
  process_ = thread_ = nullptr;
  processId_ = 0;
  current_ = nullptr;
  return true;
}

bool ScenarioRunner::StartRegistryCommand(const Step& step) {
  if (!ReleaseEndedProgram(step)) return false;
  std::wstring line = ReadRegistryText(step.positional[0], step.positional[1]);
  if (line.empty()) {
    return Fail(step, L"no text value " + step.positional[1] + L" in " + step.positional[0]);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return Fail(step, L"cannot start " + line + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  thread_ = info.hThread;
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  PrintLine(L"started " + line);
  return true;
}

bool ScenarioRunner::Attach(const Step& step) {
  if (!ReleaseEndedProgram(step)) return false;
  const std::wstring& name = step.positional[0];
  DWORD started = GetTickCount();
  DWORD id = 0;
  while ((id = FindProcessByName(name)) == 0) {
    if (GetTickCount() - started >= timeoutMs_) {
      return Fail(step, L"timed out waiting for a process named " + name);
    }
    Sleep(kPollMs);
  }
  process_ = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
  if (!process_) return Fail(step, L"cannot open process " + name);
  processId_ = id;
  PrintLine(L"attached to " + name);
  return true;
}

bool ScenarioRunner::ExpectExit(const Step& step) {
  if (!NeedProcess(step)) return false;
  unsigned long expected = 0;
  if (!ParseNumber(step.positional[0], &expected)) return Fail(step, L"exit code must be a number");
  if (WaitForSingleObject(process_, timeoutMs_) != WAIT_OBJECT_0) {
    return Fail(step, L"timed out after " + std::to_wstring(timeoutMs_ / 1000) +
                          L" s waiting for the installer to exit");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  PrintLine(L"installer exit code " + std::to_wstring(code));
  if (code != expected) {
    return Fail(step, L"exit code " + std::to_wstring(code) + L", expected " +
                          std::to_wstring(expected));
  }
  return true;
}

}  // namespace robot
