// The robot's picture steps: expect-pixel (a colour at a point of the current window's client
// area, or of one of its controls' client area with id=), screenshot (the current window as a PNG
// file) and move-window (moves the current window, e.g. a message box off the page behind it).
#include "output.h"
#include "png_writer.h"
#include "scenario_runner.h"
#include "screen_capture.h"
#include "step_arguments.h"

namespace robot {

namespace {

// A coordinate: N, or W-N / H-N counted back from the client's width or height (the pages'
// bands are placed from the bottom and right edges).
bool ParseCoordinate(const std::wstring& text, wchar_t edgeName, int edge, int* value) {
  unsigned long number = 0;
  if (text.size() > 2 && text[0] == edgeName && text[1] == L'-') {
    if (!ParseNumber(text.substr(2), &number)) return false;
    *value = edge - static_cast<int>(number);
    return true;
  }
  if (!ParseNumber(text, &number)) return false;
  *value = static_cast<int>(number);
  return true;
}

// "R,G,B" with each part 0 to 255, as 0x00RRGGBB.
bool ParseRgb(const std::wstring& text, uint32_t* colour) {
  uint32_t value = 0;
  size_t start = 0;
  for (int part = 0; part < 3; ++part) {
    size_t comma = text.find(L',', start);
    if ((part < 2) != (comma != std::wstring::npos)) return false;
    unsigned long number = 0;
    if (!ParseNumber(text.substr(start, comma - start), &number) || number > 255) return false;
    value = (value << 8) | number;
    start = comma + 1;
  }
  *colour = value;
  return true;
}

std::wstring RgbText(uint32_t colour) {
  return std::to_wstring((colour >> 16) & 0xFF) + L"," + std::to_wstring((colour >> 8) & 0xFF) + L"," +
         std::to_wstring(colour & 0xFF);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(file) && ok;
}

}  // namespace

// Waits (bounded) until the point shows the colour: a window that has just appeared may not have
// painted yet.
bool ScenarioRunner::ExpectPixel(const Step& step) {
  HWND window = Named(step, L"id") ? NeedControl(step) : (NeedWindow(step) ? current_ : nullptr);
  if (!window) return false;
  uint32_t expected = 0;
  if (!ParseRgb(*Named(step, L"rgb"), &expected)) return Fail(step, L"rgb= takes R,G,B (0 to 255 each)");
  DWORD started = GetTickCount();
  for (;;) {
    Picture picture;
    if (!CaptureWindow(window, true, &picture)) return Fail(step, L"cannot read the window from the screen");
    int x = 0, y = 0;
    if (!ParseCoordinate(*Named(step, L"x"), L'W', picture.width, &x) ||
        !ParseCoordinate(*Named(step, L"y"), L'H', picture.height, &y)) {
      return Fail(step, L"x= takes N or W-N, y= takes N or H-N");
    }
    std::wstring where = L"(" + std::to_wstring(x) + L", " + std::to_wstring(y) + L")";
    if (Named(step, L"id")) where += L" of control " + *Named(step, L"id");
    std::wstring size = std::to_wstring(picture.width) + L" x " + std::to_wstring(picture.height);
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
      return Fail(step, L"pixel " + where + L" lies outside the " + size + L" client area");
    }
    uint32_t shown = picture.At(x, y);
    if (shown == expected) {
      PrintLine(L"pixel " + where + L" " + RgbText(shown));
      return true;
    }
    if (GetTickCount() - started >= timeoutMs_) {
      return Fail(step, L"pixel " + where + L" of " + size + L" is " + RgbText(shown) + L", expected " +
                            RgbText(expected));
    }
    Sleep(kPollMs);
  }
}

bool ScenarioRunner::Screenshot(const Step& step) {
  if (!NeedWindow(step)) return false;
  std::wstring path = ExpandPath(step.positional[0]);
  Picture picture;
  if (!CaptureWindow(current_, false, &picture)) return Fail(step, L"cannot read the window from the screen");
  if (!WriteBytes(path, EncodePng(picture))) {
    return Fail(step, L"cannot write " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  PrintLine(L"screenshot " + path);
  return true;
}

bool ScenarioRunner::MoveWindow(const Step& step) {
  if (!NeedWindow(step)) return false;
  long x = 0, y = 0;
  if (!ParseSignedNumber(*Named(step, L"x"), &x) || !ParseSignedNumber(*Named(step, L"y"), &y)) {
    return Fail(step, L"x= and y= must be numbers");
  }
  if (!SetWindowPos(current_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    return Fail(step, L"cannot move the window (error " + std::to_wstring(GetLastError()) + L")");
  }
  PrintLine(L"moved the window to (" + std::to_wstring(x) + L", " + std::to_wstring(y) + L")");
  return true;
}

}  // namespace robot
