// The robot's control steps: expect-progress, expect-check, set-check, set-text, expect-font and
// browse-to (the folder browser's selection).
#include "scenario_runner.h"

#include <commctrl.h>
#include <shlobj.h>

#include "control_probe.h"
#include "output.h"
#include "step_arguments.h"
#include "window_probe.h"

namespace robot {

namespace {

constexpr UINT kControlTimeoutMs = 2000;

// A message without pointers to another process's control; false when it does not answer.
bool AskControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(control, message, wParam, lParam, SMTO_ABORTIFHUNG, kControlTimeoutMs,
                           &answer)) {
    return false;
  }
  *result = static_cast<LRESULT>(answer);
  return true;
}

// "checked" / "unchecked" (and "indeterminate" for three-state boxes) as BST_* values.
bool ParseCheckState(const std::wstring& text, WPARAM* state) {
  if (text == L"checked") *state = BST_CHECKED;
  else if (text == L"unchecked") *state = BST_UNCHECKED;
  else if (text == L"indeterminate") *state = BST_INDETERMINATE;
  else return false;
  return true;
}

std::wstring CheckStateName(LRESULT state) {
  switch (state) {
    case BST_CHECKED: return L"checked";
    case BST_UNCHECKED: return L"unchecked";
    case BST_INDETERMINATE: return L"indeterminate";
    default: return L"state " + std::to_wstring(state);
  }
}

}  // namespace

HWND ScenarioRunner::NeedControl(const Step& step) {
  if (!NeedWindow(step)) return nullptr;
  unsigned long id = 0;
  if (!ParseNumber(*Named(step, L"id"), &id)) {
    Fail(step, L"id must be a number");
    return nullptr;
  }
  HWND control = GetDlgItem(current_, static_cast<int>(id));
  if (!control) Fail(step, L"the window has no control " + std::to_wstring(id));
  return control;
}

// Waits (bounded) until the bar's position meets the step's condition: position= exactly, or
// at-least= / at-most=. The pages animate their bars, so a position is awaited, not sampled.
bool ScenarioRunner::ExpectProgress(const Step& step) {
  HWND bar = NeedControl(step);
  if (!bar) return false;
  unsigned long exact = 0, low = 0, high = 100;
  const std::wstring* position = Named(step, L"position");
  const std::wstring* atLeast = Named(step, L"at-least");
  const std::wstring* atMost = Named(step, L"at-most");
  if (!position && !atLeast && !atMost) return Fail(step, L"expect-progress needs position=, at-least= or at-most=");
  if ((position && !ParseNumber(*position, &exact)) || (atLeast && !ParseNumber(*atLeast, &low)) ||
      (atMost && !ParseNumber(*atMost, &high))) {
    return Fail(step, L"positions must be numbers");
  }
  if (position) low = high = exact;
  std::wstring wanted = position ? L"position " + *position
                                 : L"a position from " + std::to_wstring(low) + L" to " + std::to_wstring(high);
  DWORD started = GetTickCount();
  LRESULT shown = -1;
  for (;;) {
    if (!AskControl(bar, PBM_GETPOS, 0, 0, &shown)) shown = -1;
    if (shown >= static_cast<LRESULT>(low) && shown <= static_cast<LRESULT>(high)) break;
    if (GetTickCount() - started >= timeoutMs_) {
      return Fail(step, L"progress bar " + *Named(step, L"id") + L" stands at " + std::to_wstring(shown) +
                            L", expected " + wanted);
    }
    Sleep(kPollMs);
  }
  PrintLine(L"progress bar " + *Named(step, L"id") + L" at " + std::to_wstring(shown));
  return true;
}

bool ScenarioRunner::ExpectCheck(const Step& step) {
  HWND box = NeedControl(step);
  if (!box) return false;
  WPARAM expected = 0;
  if (!ParseCheckState(*Named(step, L"state"), &expected)) {
    return Fail(step, L"state= takes checked, unchecked or indeterminate");
  }
  LRESULT state = 0;
  if (!AskControl(box, BM_GETCHECK, 0, 0, &state)) return Fail(step, L"the check box does not answer");
  if (static_cast<WPARAM>(state) != expected) {
    return Fail(step, L"check box " + *Named(step, L"id") + L" is " + CheckStateName(state) +
                          L", expected " + *Named(step, L"state"));
  }
  PrintLine(L"check box " + *Named(step, L"id") + L" " + CheckStateName(state));
  return true;
}

bool ScenarioRunner::SetCheck(const Step& step) {
  HWND box = NeedControl(step);
  if (!box) return false;
  WPARAM state = 0;
  if (!ParseCheckState(*Named(step, L"state"), &state)) {
    return Fail(step, L"state= takes checked, unchecked or indeterminate");
  }
  LRESULT ignored = 0;
  if (!AskControl(box, BM_SETCHECK, state, 0, &ignored)) return Fail(step, L"the check box does not answer");
  PrintLine(L"set check box " + *Named(step, L"id") + L" " + *Named(step, L"state"));
  return true;
}

// WM_SETTEXT is carried across processes by the system, text included.
bool ScenarioRunner::SetText(const Step& step) {
  HWND control = NeedControl(step);
  if (!control) return false;
  std::wstring text = ExpandText(*Named(step, L"text"));
  LRESULT done = 0;
  if (!AskControl(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &done) || !done) {
    return Fail(step, L"control " + *Named(step, L"id") + L" did not take the text");
  }
  PrintLine(L"set control " + *Named(step, L"id") + L" to " + Quoted(text));
  return true;
}

bool ScenarioRunner::ExpectFont(const Step& step) {
  HWND control = NeedControl(step);
  if (!control) return false;
  LOGFONTW font = {};
  std::wstring error;
  if (!ReadControlFont(control, &font, &error)) return Fail(step, L"control " + *Named(step, L"id") + L": " + error);
  std::wstring shown = L"face " + Quoted(font.lfFaceName) + L" height " + std::to_wstring(font.lfHeight) +
                       L" weight " + std::to_wstring(font.lfWeight) + (font.lfItalic ? L" italic" : L"");
  long height = 0, weight = 0;
  const std::wstring* italic = Named(step, L"italic");
  if (!ParseSignedNumber(*Named(step, L"height"), &height) || !ParseSignedNumber(*Named(step, L"weight"), &weight)) {
    return Fail(step, L"height= and weight= must be numbers");
  }
  if (italic && *italic != L"yes" && *italic != L"no") return Fail(step, L"italic= takes yes or no");
  bool same = ExpandText(*Named(step, L"face")) == font.lfFaceName && font.lfHeight == height &&
              font.lfWeight == weight && (!italic || (*italic == L"yes") == (font.lfItalic != 0));
  if (!same) {
    return Fail(step, L"control " + *Named(step, L"id") + L" has " + shown + L", expected face " +
                          Quoted(ExpandText(*Named(step, L"face"))) + L" height " + *Named(step, L"height") +
                          L" weight " + *Named(step, L"weight") +
                          (italic ? (*italic == L"yes" ? L" italic" : L" not italic") : L""));
  }
  PrintLine(L"control " + *Named(step, L"id") + L" font " + shown);
  return true;
}

// Selects PATH in the current window, which must be the folder browser, as its own callback's
// BFFM_SETSELECTIONW would: the path is written into the installer's memory first, since the
// browser reads the message's text there.
bool ScenarioRunner::BrowseTo(const Step& step) {
  if (!NeedWindow(step)) return false;
  std::wstring path = ExpandPath(step.positional[0]);
  SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return Fail(step, L"cannot reserve memory in the installer (error " + std::to_wstring(GetLastError()) + L")");
  SIZE_T written = 0;
  bool ok = WriteProcessMemory(process_, remote, path.c_str(), bytes, &written) && written == bytes;
  LRESULT ignored = 0;
  ok = ok && AskControl(current_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), &ignored);
  VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
  if (!ok) return Fail(step, L"the folder browser did not take " + path);
  PrintLine(L"browsed to " + path);
  return true;
}

}  // namespace robot
