// vorlax-robot-probe.dll: loaded into the installer by the system when the robot hooks one of
// its threads (see probe_protocol.h). Its one hook answers the robot's probe message with the
// control's font and passes every other message on untouched.
#include <windows.h>

#include <cwchar>

#include "probe_protocol.h"

namespace {

void AnswerProbe(HWND control, DWORD robotProcessId) {
  wchar_t name[64];
  std::swprintf(name, 64, L"%ls%lu", robot::kProbeMappingPrefix, robotProcessId);
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
  if (!mapping) return;
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(robot::ProbeReply));
  if (view) {
    robot::ProbeReply* reply = static_cast<robot::ProbeReply*>(view);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    reply->hasFont = font && GetObjectW(font, sizeof reply->font, &reply->font) ==
                                 static_cast<int>(sizeof reply->font);
    reply->answered = 1;
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probeMessage = RegisterWindowMessageW(robot::kProbeMessageName);
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->message == probeMessage) {
    AnswerProbe(call->hwnd, static_cast<DWORD>(call->wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
