// Win32System's operations for shortcuts and external programs: shell links and internet
// shortcuts through COM, programs started with ShellExecuteExW and their exit codes, and the
// libraries of configured functions.
//
// Each operation is the fixed chain its seam comment names; what an answer means is decided by the
// core (actions/shortcuts, actions/external_programs).
//
// Traps:
// - IShellLinkA takes 8-bit texts, but IPersistFile::Save always takes a wide path.
// - SetPath answers S_FALSE (a success) for a target that does not exist yet; only failures stop
//   the chain.
// - SHELLEXECUTEINFOW is 60 bytes on 32-bit Windows (larger on x86-64): its size field is the
//   record's own sizeof.
// - The called function takes no arguments; it is called through a pointer of that type, with the
//   system's calling convention (the same for a function without arguments on either).
#include "platform/win32/win32_system.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <intshcut.h>
#undef ShellExecute

namespace vorlax {

static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOW) == 60,
              "the 32-bit SHELLEXECUTEINFOW is 60 bytes");
static_assert(kSeeMaskNoCloseProcessNoUi == (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI),
              "SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI");
static_assert(kSwShow == SW_SHOW, "SW_SHOW");
static_assert(kStillActive == STILL_ACTIVE, "STILL_ACTIVE");
static_assert(sizeof(System::ProcessHandle) == sizeof(HANDLE), "a HANDLE must fit");
static_assert(sizeof(System::LibraryHandle) == sizeof(HMODULE), "an HMODULE must fit");

namespace {

// {00021401-0000-0000-C000-000000000046}
constexpr GUID kShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000214F9-0000-0000-C000-000000000046}
constexpr GUID kShellLinkWInterface = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000214EE-0000-0000-C000-000000000046}
constexpr GUID kShellLinkAInterface = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {FBF23B40-E3F0-101B-8488-00AA003E56F8}
constexpr GUID kInternetShortcutClass = {
    0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
// {CABB0DA0-DA57-11CF-9974-0020AFD79762}
constexpr GUID kUniformResourceLocatorWInterface = {
    0xCABB0DA0, 0xDA57, 0x11CF, {0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62}};
// {0000010B-0000-0000-C000-000000000046}
constexpr GUID kPersistFileInterface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr DWORD kSetUrlFlags = 0;
constexpr BOOL kRememberSavedFile = TRUE;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The text type each kind of shell link takes.
const wchar_t* Text(const std::u16string& text) { return Wide(text); }
const char* Text(const std::string& text) { return text.c_str(); }

template <typename Interface>
bool CreateObject(const GUID& objectClass, const GUID& interfaceId, Interface** object) {
  *object = nullptr;
  return SUCCEEDED(CoCreateInstance(objectClass, nullptr, CLSCTX_INPROC_SERVER, interfaceId,
                                    reinterpret_cast<void**>(object)));
}

// QueryInterface(IPersistFile) on object and Save(path, TRUE); kNoPersistFile (with
// GetLastError() in *lastError when asked) or the save's outcome.
System::LinkResult SaveThrough(IUnknown* object, const std::u16string& path, uint32_t* lastError) {
  IPersistFile* file = nullptr;
  if (FAILED(object->QueryInterface(kPersistFileInterface, reinterpret_cast<void**>(&file)))) {
    if (lastError != nullptr) *lastError = GetLastError();
    return System::LinkResult::kNoPersistFile;
  }
  HRESULT saved = file->Save(Wide(path), kRememberSavedFile);
  file->Release();
  return SUCCEEDED(saved) ? System::LinkResult::kSaved : System::LinkResult::kFailed;
}

// The four Set calls and the save, on either kind of shell link (the A and W interfaces have the
// same methods with their own text type).
template <typename Link, typename Texts>
System::LinkResult SetAndSave(Link* link, const Texts& texts, const std::u16string& path,
                              uint32_t* lastError) {
  bool set = SUCCEEDED(link->SetPath(Text(texts.target))) &&
             SUCCEEDED(link->SetDescription(Text(texts.description))) &&
             SUCCEEDED(link->SetArguments(Text(texts.arguments))) &&
             SUCCEEDED(link->SetWorkingDirectory(Text(texts.workingDirectory)));
  System::LinkResult result =
      set ? SaveThrough(link, path, lastError) : System::LinkResult::kFailed;
  link->Release();
  return result;
}

}  // namespace

// --- COM ------------------------------------------------------------------------------------------

bool Win32System::InitializeCom() { return SUCCEEDED(CoInitialize(nullptr)); }

void Win32System::UninitializeCom() { CoUninitialize(); }

// --- Shortcuts ------------------------------------------------------------------------------------

System::LinkResult Win32System::SaveShellLink(const ShellLinkTexts& texts,
                                              const std::u16string& path) {
  IShellLinkW* link = nullptr;
  if (!CreateObject(kShellLinkClass, kShellLinkWInterface, &link)) return LinkResult::kNotCreated;
  return SetAndSave(link, texts, path, nullptr);
}

System::LinkResult Win32System::SaveShellLinkNarrow(const ShellLinkTextsNarrow& texts,
                                                    const std::u16string& path,
                                                    uint32_t* lastError) {
  IShellLinkA* link = nullptr;
  if (!CreateObject(kShellLinkClass, kShellLinkAInterface, &link)) return LinkResult::kNotCreated;
  return SetAndSave(link, texts, path, lastError);
}

System::LinkResult Win32System::SaveInternetShortcut(const std::u16string& url,
                                                     const std::u16string& path) {
  IUniformResourceLocatorW* shortcut = nullptr;
  if (!CreateObject(kInternetShortcutClass, kUniformResourceLocatorWInterface, &shortcut)) {
    return LinkResult::kNotCreated;
  }
  LinkResult result = SUCCEEDED(shortcut->SetURL(Wide(url), kSetUrlFlags))
                          ? SaveThrough(shortcut, path, nullptr)
                          : LinkResult::kFailed;
  shortcut->Release();
  return result;
}

// --- Programs -------------------------------------------------------------------------------------

bool Win32System::StartProgram(const ProgramStart& request, ProcessHandle* process) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = request.mask;
  info.hwnd = nullptr;
  info.lpVerb = Wide(request.verb);
  info.lpFile = Wide(request.file);
  info.lpParameters = Wide(request.parameters);
  info.lpDirectory = Wide(request.directory);
  info.nShow = request.show;
  if (!ShellExecuteExW(&info)) return false;
  *process = reinterpret_cast<ProcessHandle>(info.hProcess);
  return true;
}

bool Win32System::GetProcessExitCode(ProcessHandle process, uint32_t* code) {
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &exitCode)) return false;
  *code = exitCode;
  return true;
}

void Win32System::CloseProcess(ProcessHandle process) {
  CloseHandle(reinterpret_cast<HANDLE>(process));
}

// --- Libraries ------------------------------------------------------------------------------------

System::LibraryHandle Win32System::LoadProgramLibrary(const std::u16string& path) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryW(Wide(path)));
}

bool Win32System::CallExportedFunction(LibraryHandle library, const std::string& name) {
  using Function = void(WINAPI*)();
  FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(library), name.c_str());
  if (address == nullptr) return false;
  reinterpret_cast<Function>(reinterpret_cast<void*>(address))();
  return true;
}

void Win32System::FreeProgramLibrary(LibraryHandle library) {
  FreeLibrary(reinterpret_cast<HMODULE>(library));
}

}  // namespace vorlax
