// What the robot and its probe library (loaded into the installer) exchange to read things only
// the installer's own process can see, such as the font object of a control.
//
// The robot creates a shared memory block named kProbeMappingPrefix + its own process id, installs
// the probe's hook on the thread that owns the control, and sends the control the registered
// message kProbeMessageName with wParam = the robot's process id. The hook, running inside the
// installer, fills the block before the send returns.
// Trap: the block holds only plain values (no pointers, no handles of the robot), since the two
// processes may not even share a pointer size.
#pragma once

#include <windows.h>

namespace robot {

constexpr wchar_t kProbeMessageName[] = L"vorlax-robot-probe";
constexpr wchar_t kProbeMappingPrefix[] = L"vorlax-robot-probe-";
constexpr char kProbeHookExport[] = "ProbeHook";

struct ProbeReply {
  LONG answered;   // 1 once the hook has run
  LONG hasFont;    // 1 when the control has a font (WM_GETFONT gave one) that GetObjectW read
  LOGFONTW font;
};

}  // namespace robot
