// vorlax-robot.exe: drives an installer's windows from a scenario file, for the Wine end-to-end
// tests.
//
//   vorlax-robot.exe SCENARIO [PROGRAM]
//
// Exit code: 0 when every step passed, 1 when a step failed (one "robot: FAIL line N: ..." line
// says why), 2 for a bad command line or a scenario that does not parse. Each step prints one
// "robot: ..." line as it passes.
//
// Scenario language: one step per line; "#" starts a comment line. Arguments are plain values or
// key=value; values with blanks are "quoted" (\" \\ \n \t escapes). Paths may use %VARIABLE%
// environment references (e.g. %TEMP%), expanded on the Windows side. Texts compare exactly;
// ${NAME} in a caption or text stands for the environment variable NAME ("%" stays literal there).
//
//   timeout SECONDS                       bound of every later wait (default 20 s)
//   start [PATH [ARGS...]] [suspended=yes]
//                                         start PATH, or PROGRAM from the command line; suspended
//                                         keeps its first thread waiting for 'resume'
//   resume                                let a suspended installer run
//   lock-file [PATH]                      open PATH (default: the started program) for reading
//                                         without sharing, until the robot ends
//   set-env NAME value=TEXT               set an environment variable of the robot, inherited by
//                                         the installer it starts later (TEXT's %VARIABLE%s are
//                                         expanded first)
//   make-file PATH [size=BYTES]           make a file (it must not exist yet), empty or of
//                                         BYTES written bytes; it is
//                                         deleted when the robot ends. After 'start',
//                                         %ROBOT_INSTALLER_PID% is the installer's process id as
//                                         8 upper-case hexadecimal digits
//   attach NAME                           use a running process whose executable is named NAME
//                                         (one "*" in NAME stands for any characters; also after
//                                         the installer ended: e.g. the program its last page
//                                         started); a program started or attached before must
//                                         have ended
//   start-registry-command KEY NAME       start the command line held in the text value NAME of
//                                         KEY (HKLM\... or HKCU\...), as the system's list of
//                                         programs starts an uninstall entry's UninstallString
//   expect-window caption=TEXT [class=NAME]
//                                         wait for a visible dialog (or top-level window of
//                                         class NAME) of the installer with that caption; it
//                                         becomes the current window
//   expect-control id=N text=TEXT         the current window's control N shows exactly TEXT
//                                         (awaited: the window may still be busy)
//   press id=N | press button=TEXT        press a button of the current window (TEXT without "&"), once no dialog it owns is open
//   close-window                          the current window's close box (command 2)
//   expect-message [caption=TEXT] [text=TEXT] press=BUTTON
//                                         wait for a message box, check its caption and text,
//                                         press OK, Cancel, Yes, No, Abort, Retry or Ignore, and
//                                         wait until the box has closed
//   expect-exit CODE                      wait for the installer to end with exit code CODE
//   watch-folder FOLDER prefix=P          remember FOLDER's sub-folders named P* (before start)
//   expect-new-folder FOLDER prefix=P [file=NAME [same-as=PATH]]
//                                         exactly one P* folder appeared since watch-folder; it
//                                         holds NAME, byte-identical to PATH when given
//   expect-no-new-folder FOLDER prefix=P  no P* folder appeared since watch-folder
//   expect-progress id=N position=P | at-least=P | at-most=Q
//                                         wait until progress bar N stands there
//   expect-check id=N state=checked|unchecked / set-check id=N state=...
//   set-text id=N text=TEXT               set control N's text
//   expect-font id=N face=TEXT height=H weight=W [italic=yes|no]
//                                         control N's font (read by the probe library)
//   browse-to PATH                        select PATH in the folder browser (current window)
//   expect-pixel [id=N] x=X y=Y rgb=R,G,B colour at a client point (awaited); X may be W-n,
//                                         Y H-n
//   screenshot PATH                       the current window as a PNG file
//   move-window x=X y=Y                   move the current window
//   expect-file PATH [same-as=PATH] [text=TEXT] [date=YYYY-MM-DD] [time=HH:MM:SS]
//               [read-only=yes|no]        wait for the file, then check what is given
//   expect-no-file PATH / expect-no-process NAME
//   make-folder PATH / remove-folder PATH / unlock-file PATH
//   copy-file FROM TO                     copy a file (an existing TO is replaced)
//   set-windows-version VERSION           Wine's Windows version for the installer (removed
//                                         when the robot ends)
//
// Example:
//   watch-folder %TEMP% prefix=vorcfg
//   start
//   expect-message caption="Setup Error" text="Unable to Read Installer Data" press=OK
//   expect-exit 5
//
// Every wait is bounded. After a failed step the robot ends the installer, so a scenario never
// leaves it running; a scenario that ends while the installer still runs fails too.
#include <windows.h>

#include <string>
#include <vector>

#include "output.h"
#include "scenario.h"
#include "scenario_runner.h"

namespace {

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    robot::PrintLine(L"usage: vorlax-robot.exe SCENARIO [PROGRAM]");
    return kExitUsage;
  }
  std::vector<robot::Step> steps;
  std::wstring error;
  if (!robot::LoadScenario(argv[1], &steps, &error) ||
      !robot::ScenarioRunner::Validate(steps, &error)) {
    robot::PrintLine(L"bad scenario " + std::wstring(argv[1]) + L": " + error);
    return kExitUsage;
  }
  robot::ScenarioRunner runner(argc == 3 ? argv[2] : L"");
  return runner.Run(steps) ? kExitPassed : kExitFailed;
}
