// The robot's side of the probe (see control_probe.h).
#include "control_probe.h"

#include <cwchar>

#include "probe/probe_protocol.h"

namespace robot {

namespace {

constexpr wchar_t kProbeLibrary[] = L"vorlax-robot-probe.dll";
constexpr UINT kProbeTimeoutMs = 5000;

// The probe library beside the robot's own executable.
std::wstring ProbeLibraryPath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length < MAX_PATH ? length : 0);
  size_t slash = own.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : own.substr(0, slash + 1)) + kProbeLibrary;
}

}  // namespace

bool ReadControlFont(HWND control, LOGFONTW* font, std::wstring* error) {
  HMODULE library = LoadLibraryW(ProbeLibraryPath().c_str());
  // GetProcAddress gives every export one generic type; the export is a hook procedure.
  HOOKPROC hook = library ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                GetProcAddress(library, kProbeHookExport)))
                          : nullptr;
  if (!hook) {
    *error = L"cannot load " + ProbeLibraryPath();
    if (library) FreeLibrary(library);
    return false;
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"%ls%lu", kProbeMappingPrefix, GetCurrentProcessId());
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ProbeReply), name);
  ProbeReply* reply = mapping ? static_cast<ProbeReply*>(MapViewOfFile(
                                    mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeReply)))
                              : nullptr;
  HHOOK installed = reply ? SetWindowsHookExW(WH_CALLWNDPROC, hook, library,
                                              GetWindowThreadProcessId(control, nullptr))
                          : nullptr;
  bool ok = false;
  if (!installed) {
    *error = L"cannot hook the control's thread (error " + std::to_wstring(GetLastError()) + L")";
  } else {
    ZeroMemory(reply, sizeof *reply);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, RegisterWindowMessageW(kProbeMessageName), GetCurrentProcessId(),
                        0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &ignored);
    if (!reply->answered) {
      *error = L"the probe did not answer inside the installer";
    } else if (!reply->hasFont) {
      *error = L"the control has no font of its own (it draws with the system font)";
    } else {
      *font = reply->font;
      ok = true;
    }
    UnhookWindowsHookEx(installed);
  }
  if (reply) UnmapViewOfFile(reply);
  if (mapping) CloseHandle(mapping);
  FreeLibrary(library);
  return ok;
}

}  // namespace robot
