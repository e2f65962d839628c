// The robot's interpreter: runs a parsed scenario against one installer process.
//
// Every wait is bounded by the scenario's timeout; a step that fails prints one "FAIL line N:"
// line with what was expected and what was there, ends the installer (so nothing is left
// running) and stops the scenario. A scenario whose installer is still running after the last
// step fails the same way.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "scenario.h"

namespace robot {

class ScenarioRunner {
 public:
  // defaultProgram is what a bare "start" starts (the robot's second command-line argument).
  explicit ScenarioRunner(std::wstring defaultProgram);
  ~ScenarioRunner();

  // Checks every step's command and arguments before anything runs. False with *error
  // ("line N: ...") on the first bad step.
  static bool Validate(const std::vector<Step>& steps, std::wstring* error);

  // Runs the steps in order; true when every step passed and the installer has ended.
  bool Run(const std::vector<Step>& steps);

 private:
  // Interval of every polling wait.
  static constexpr DWORD kPollMs = 50;

  using Handler = bool (ScenarioRunner::*)(const Step&);
  struct CommandInfo {
    const wchar_t* name;
    Handler handler;
    size_t minPositional;
    size_t maxPositional;
    std::vector<std::wstring> requiredKeys;
    std::vector<std::wstring> optionalKeys;
  };
  static const std::vector<CommandInfo>& Commands();
  static const CommandInfo* FindCommand(const std::wstring& name);

  bool SetTimeout(const Step& step);
  bool Start(const Step& step);
  bool Attach(const Step& step);
  bool StartRegistryCommand(const Step& step);
  // Forgets a started or attached program that has ended, so another can be started; false (and
  // a failed step) when it still runs.
  bool ReleaseEndedProgram(const Step& step);
  bool Resume(const Step& step);
  bool LockFile(const Step& step);
  bool MakeFile(const Step& step);
  bool SetEnv(const Step& step);
  bool ExpectWindow(const Step& step);
  bool ExpectControl(const Step& step);
  bool Press(const Step& step);
  bool CloseWindow(const Step& step);
  bool ExpectMessage(const Step& step);
  bool ExpectExit(const Step& step);
  bool WatchFolder(const Step& step);
  bool ExpectNewFolder(const Step& step);
  bool ExpectNoNewFolder(const Step& step);
  // control_steps.cpp
  bool ExpectProgress(const Step& step);
  bool ExpectCheck(const Step& step);
  bool SetCheck(const Step& step);
  bool SetText(const Step& step);
  bool ExpectFont(const Step& step);
  bool BrowseTo(const Step& step);
  // pixel_steps.cpp
  bool ExpectPixel(const Step& step);
  bool Screenshot(const Step& step);
  bool MoveWindow(const Step& step);
  // file_check_steps.cpp
  bool ExpectFile(const Step& step);
  bool ExpectNoFile(const Step& step);
  bool ExpectNoProcess(const Step& step);
  bool MakeFolder(const Step& step);
  bool CopyFileStep(const Step& step);
  bool RemoveFolder(const Step& step);
  bool UnlockFile(const Step& step);
  bool SetWindowsVersion(const Step& step);

  bool Fail(const Step& step, const std::wstring& message);
  bool NeedProcess(const Step& step);
  bool NeedWindow(const Step& step);
  // The current window's control id=N; null after reporting the failure.
  HWND NeedControl(const Step& step);
  // Waits for a visible dialog of the program with the caption (any caption when null). With
  // className, a visible top-level window of that class instead of a dialog; with requiredControl,
  // only a dialog that has a control of that id counts.
  HWND WaitForDialog(const Step& step, const std::wstring* caption, const std::wstring& what,
                     const std::wstring* className = nullptr, int requiredControl = 0);
  bool InstallerEnded(DWORD* exitCode);
  void EndInstaller();

  std::wstring defaultProgram_;
  std::wstring program_;               // what 'start' started
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;            // the started program's first thread
  // Files held open without sharing until 'unlock-file' or the robot's end, by path.
  std::vector<std::pair<std::wstring, HANDLE>> locks_;
  std::vector<std::wstring> madeFiles_;  // made by 'make-file', deleted when the robot ends
  std::wstring versionKey_;            // HKCU key of 'set-windows-version', removed at the end
  DWORD processId_ = 0;
  HWND current_ = nullptr;
  DWORD timeoutMs_;
  std::map<std::wstring, std::set<std::wstring>> watched_;  // folder + "|" + prefix -> before
};

}  // namespace robot
