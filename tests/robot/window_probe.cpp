// Reading and driving another process's dialogs (see window_probe.h).
#include "window_probe.h"

namespace robot {

namespace {

// Bound of every cross-process text request.
constexpr UINT kTextTimeoutMs = 2000;
constexpr size_t kMaxTextLength = 32768;
constexpr int kMaxCaptionLength = 1024;

struct DialogSearch {
  DWORD processId;
  const std::wstring& className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
  DialogSearch* search = reinterpret_cast<DialogSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && ClassName(window) == search->className) {
    search->found.push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
  std::vector<ChildControl>* controls = reinterpret_cast<std::vector<ChildControl>*>(context);
  ChildControl control;
  control.window = window;
  control.id = GetDlgCtrlID(window);
  control.className = ClassName(window);
  control.text = WindowText(window);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  control.isIconStatic = _wcsicmp(control.className.c_str(), L"Static") == 0 &&
                         (style & SS_TYPEMASK) == SS_ICON;
  controls->push_back(control);
  return TRUE;
}

}  // namespace

std::vector<HWND> ProcessDialogs(DWORD processId, const std::wstring& className) {
  DialogSearch search{processId, className, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                           &length)) {
    return std::wstring();
  }
  if (length == 0) return std::wstring();
  if (length > kMaxTextLength) length = kMaxTextLength;
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied)) {
    return std::wstring();
  }
  text.resize(copied <= length ? copied : length);
  return text;
}

std::wstring WindowCaption(HWND window) {
  wchar_t caption[kMaxCaptionLength];
  int length = InternalGetWindowText(window, caption, kMaxCaptionLength);
  return std::wstring(caption, length > 0 ? length : 0);
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::vector<ChildControl> ChildControls(HWND window) {
  std::vector<ChildControl> controls;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  for (const ChildControl& control : ChildControls(box)) {
    if (_wcsicmp(control.className.c_str(), L"Static") != 0 || control.isIconStatic) continue;
    if (control.text.empty()) continue;
    if (!text.empty()) text += L"\n";
    text += control.text;
  }
  return text;
}

std::wstring WithoutMnemonic(const std::wstring& text) {
  std::wstring plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    plain.push_back(text[i]);
  }
  return plain;
}

bool PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE;
}

std::wstring DescribeDialogs(DWORD processId) {
  std::wstring report;
  for (HWND dialog : ProcessDialogs(processId)) {
    report += L"  window \"" + WindowCaption(dialog) + L"\"\n";
    for (const ChildControl& control : ChildControls(dialog)) {
      report += L"    control " + std::to_wstring(control.id) + L" " + control.className +
                L" \"" + control.text + L"\"\n";
    }
  }
  if (report.empty()) report = L"  (no window)\n";
  return report;
}

}  // namespace robot
