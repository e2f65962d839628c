// The robot's window steps: expect-window, expect-control, press, close-window and expect-message.
#include "scenario_runner.h"

#include "output.h"
#include "step_arguments.h"
#include "window_probe.h"

namespace robot {

namespace {

struct NamedButton {
  const wchar_t* name;
  int id;
};

// The message-box buttons by the names scenarios use.
constexpr NamedButton kMessageButtons[] = {
    {L"OK", IDOK},         {L"Cancel", IDCANCEL}, {L"Abort", IDABORT}, {L"Retry", IDRETRY},
    {L"Ignore", IDIGNORE}, {L"Yes", IDYES},       {L"No", IDNO},
};

}  // namespace

bool ScenarioRunner::ExpectWindow(const Step& step) {
  if (!NeedProcess(step)) return false;
  std::wstring captionText;
  const std::wstring* caption = ExpandedNamed(step, L"caption", &captionText);
  // control=N: only a window with that control counts (pages of the same caption told apart).
  unsigned long control = 0;
  const std::wstring* controlText = Named(step, L"control");
  if (controlText && (!ParseNumber(*controlText, &control) || control == 0)) {
    return Fail(step, L"control must be a number above 0");
  }
  const std::wstring what = L"a window " + Quoted(*caption) +
                            (control ? L" with control " + std::to_wstring(control) : L"");
  current_ = WaitForDialog(step, caption, what, Named(step, L"class"), static_cast<int>(control));
  if (!current_) return false;
  PrintLine(L"window " + Quoted(*caption));
  return true;
}

// Waits (bounded) until the control shows the text (text=), or a text that begins with it
// (starts-with=: a text that changes too fast to catch whole, as the file being extracted): a
// page busy with a press the robot just posted, or with the system's own work (the folder
// browser's closing), answers a moment later.
bool ScenarioRunner::ExpectControl(const Step& step) {
  if (!NeedWindow(step)) return false;
  unsigned long id = 0;
  if (!ParseNumber(*Named(step, L"id"), &id)) return Fail(step, L"id must be a number");
  const std::wstring* whole = Named(step, L"text");
  const std::wstring* start = Named(step, L"starts-with");
  if ((whole == nullptr) == (start == nullptr)) return Fail(step, L"expect-control needs text= or starts-with=");
  HWND control = GetDlgItem(current_, static_cast<int>(id));
  if (!control) return Fail(step, L"the window has no control " + std::to_wstring(id));
  const std::wstring expected = ExpandText(whole ? *whole : *start);
  auto matches = [&](const std::wstring& text) {
    return whole ? text == expected : text.compare(0, expected.size(), expected) == 0;
  };
  DWORD started = GetTickCount();
  std::wstring text;
  while (!matches(text = WindowText(control))) {
    if (GetTickCount() - started >= timeoutMs_) {
      return Fail(step, L"control " + std::to_wstring(id) + L" shows " + Quoted(text) +
                            (whole ? L", expected " : L", expected a text starting with ") + Quoted(expected));
    }
    Sleep(kPollMs);
  }
  PrintLine(L"control " + std::to_wstring(id) + L" " + Quoted(text));
  return true;
}

// The window's close box: the system turns it into the cancel command (id 2), even on a page that
// has no button with that id.
bool ScenarioRunner::CloseWindow(const Step& step) {
  if (!NeedWindow(step)) return false;
  if (!PostMessageW(current_, WM_SYSCOMMAND, SC_CLOSE, 0)) return Fail(step, L"cannot close the window");
  PrintLine(L"closed the window with its close box");
  return true;
}

bool ScenarioRunner::Press(const Step& step) {
  if (!NeedWindow(step)) return false;
  const std::wstring* idText = Named(step, L"id");
  const std::wstring* label = Named(step, L"button");
  if ((idText == nullptr) == (label == nullptr)) return Fail(step, L"press needs id= or button=");
  int id = -1;
  if (idText) {
    unsigned long value = 0;
    if (!ParseNumber(*idText, &value)) return Fail(step, L"id must be a number");
    id = static_cast<int>(value);
  } else {
    for (const ChildControl& control : ChildControls(current_)) {
      bool isButton = _wcsicmp(control.className.c_str(), L"Button") == 0;
      if (isButton && WithoutMnemonic(control.text) == *label) id = control.id;
    }
    if (id < 0) return Fail(step, L"the window has no button " + Quoted(*label));
  }
  // A window is disabled while a dialog it owns is open (the folder browser, a question): a user
  // cannot press its buttons until that dialog has gone, and neither does the robot (a dialog
  // just cancelled may take a moment to close on a busy host).
  DWORD started = GetTickCount();
  while (!IsWindowEnabled(current_)) {
    if (GetTickCount() - started >= timeoutMs_) {
      return Fail(step, L"the window stays disabled (a dialog it owns is still open)");
    }
    Sleep(kPollMs);
  }
  if (!PressButton(current_, id)) return Fail(step, L"cannot press control " + std::to_wstring(id));
  PrintLine(L"pressed " + (label ? Quoted(*label) : std::to_wstring(id)));
  return true;
}

bool ScenarioRunner::ExpectMessage(const Step& step) {
  if (!NeedProcess(step)) return false;
  std::wstring captionText;
  std::wstring expectedText;
  const std::wstring* caption = ExpandedNamed(step, L"caption", &captionText);
  const std::wstring* expected = ExpandedNamed(step, L"text", &expectedText);
  const std::wstring& buttonName = *Named(step, L"press");
  int buttonId = -1;
  for (const NamedButton& button : kMessageButtons) {
    if (buttonName == button.name) buttonId = button.id;
  }
  if (buttonId < 0) return Fail(step, L"unknown message-box button " + Quoted(buttonName));

  // Only a box with the button to press counts: a page of the same caption may still be open.
  HWND box = WaitForDialog(step, caption, caption ? L"a message " + Quoted(*caption) : L"a message",
                           nullptr, buttonId);
  if (!box) return false;
  std::wstring text = MessageBoxText(box);
  std::wstring shownCaption = WindowCaption(box);
  if (expected && text != *expected) {
    return Fail(step, L"the message " + Quoted(shownCaption) + L" says " + Quoted(text) +
                          L", expected " + Quoted(*expected));
  }
  if (!PressButton(box, buttonId)) {
    return Fail(step, L"the message " + Quoted(shownCaption) + L" has no " + buttonName +
                          L" button");
  }
  PrintLine(L"message " + Quoted(shownCaption) + L" " + Quoted(text) + L" -> " + buttonName);
  DWORD started = GetTickCount();
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (GetTickCount() - started >= timeoutMs_) return Fail(step, L"the message did not close");
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace robot
