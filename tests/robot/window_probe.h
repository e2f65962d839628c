// Looking at another process's windows: finding its dialogs, reading their texts, pressing buttons.
//
// Trap: GetWindowTextW does not ask a window of another process for its text (it only returns a
// top-level caption), so every text is read with WM_GETTEXT through SendMessageTimeoutW, which the
// system marshals across processes; the timeout keeps a hung installer from hanging the robot.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace robot {

struct ChildControl {
  HWND window = nullptr;
  int id = 0;
  std::wstring className;
  std::wstring text;
  bool isIconStatic = false;
};

// Visible top-level windows of the class (by default dialogs, "#32770") of the process, in z-order.
std::vector<HWND> ProcessDialogs(DWORD processId, const std::wstring& className = L"#32770");

std::wstring WindowText(HWND window);
// A top-level window's caption as the system keeps it, without asking the window: a page whose
// thread is busy (a confirmed cancel waits for the install to end) still shows its caption.
std::wstring WindowCaption(HWND window);
std::wstring ClassName(HWND window);

// Every child control of the window, in creation order.
std::vector<ChildControl> ChildControls(HWND window);

// The text of a message box: the texts of its non-icon static controls, joined by line breaks.
std::wstring MessageBoxText(HWND box);

// A button's text with the mnemonic marks ("&") removed.
std::wstring WithoutMnemonic(const std::wstring& text);

// Posts the button's click to its dialog (WM_COMMAND with BN_CLICKED), which works whether or not
// the dialog is the active window. False when the window has no such button.
bool PressButton(HWND dialog, int id);

// One line per dialog of the process: caption, then each control's id, class and text; for the
// failure report of a scenario.
std::wstring DescribeDialogs(DWORD processId);

}  // namespace robot
