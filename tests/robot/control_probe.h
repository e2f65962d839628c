// Reading what only the installer's own process can see about a control, through the probe
// library the robot ships beside itself (probe/probe_protocol.h).
//
// Trap: a font handle means nothing outside the process that made it (WM_GETFONT across processes
// does not even return it under Wine), so the font is read inside the installer by the probe's
// hook and handed back as a LOGFONTW.
#pragma once

#include <windows.h>

#include <string>

namespace robot {

// The font the control uses. False with *error when the probe cannot be loaded or answer, or
// when the control has no font of its own (it then draws with the system font).
bool ReadControlFont(HWND control, LOGFONTW* font, std::wstring* error);

}  // namespace robot
