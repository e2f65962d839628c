// Screen reading for the robot's pixel and screenshot steps (see screen_capture.h).
#include "screen_capture.h"

namespace robot {

bool CaptureWindow(HWND window, bool client, Picture* picture) {
  RECT area = {};
  if (client) {
    POINT origin = {0, 0};
    if (!GetClientRect(window, &area) || !ClientToScreen(window, &origin)) return false;
    OffsetRect(&area, origin.x, origin.y);
  } else if (!GetWindowRect(window, &area)) {
    return false;
  }
  picture->width = area.right - area.left;
  picture->height = area.bottom - area.top;
  if (picture->width <= 0 || picture->height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture->width;
  info.bmiHeader.biHeight = -picture->height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, picture->width, picture->height, screen, area.left, area.top, SRCCOPY) != FALSE;
    GdiFlush();
    if (ok) {
      const uint32_t* source = static_cast<const uint32_t*>(bits);
      picture->pixels.assign(source, source + static_cast<size_t>(picture->width) * picture->height);
      for (uint32_t& pixel : picture->pixels) pixel &= 0x00FFFFFF;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace robot
