// Pictures of another process's window, read back from the screen.
//
// Trap: the system draws a window only into its own process's surfaces, so the robot reads the
// screen where the window stands: the window must be visible and not covered (no message box
// over it) when a picture is taken.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace robot {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row by row from the top, each 0x00RRGGBB

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The window's client area (client = true) or the whole window with its frame. False when the
// screen cannot be read.
bool CaptureWindow(HWND window, bool client, Picture* picture);

}  // namespace robot
