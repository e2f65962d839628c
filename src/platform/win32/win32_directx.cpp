// Win32System's DirectX facts: the DxDiag provider's version properties through COM, and a file's
// fixed version information. Both only report what the system answered; the DirectX check in
// actions/ decides what it means.
//
// Traps: the provider checks the size field of its initialisation record against its own
// sizeof, which is 16 bytes on 32-bit Windows and 24 on x86-64 (the reserved pointer grows and is
// aligned), so the size is sizeof the record, not a literal. A VT_BSTR property may still carry a
// null string pointer, which counts as not obtained. The version buffer comes from the C heap
// (malloc answers null when memory is short; the stub's runtime ends the process on a failed new).
#include "platform/win32/win32_system.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <dxdiag.h>

#include <cstdlib>

#include "actions/directx_check.h"

namespace vorlax {

static_assert(E_FAIL == kResultFail, "E_FAIL");
static_assert(E_OUTOFMEMORY == kResultOutOfMemory, "E_OUTOFMEMORY");
static_assert(E_INVALIDARG == kResultInvalidArgument, "E_INVALIDARG");
static_assert(S_OK == kResultOk, "S_OK");
static_assert(sizeof(void*) != 4 || sizeof(DXDIAG_INIT_PARAMS) == 16,
              "the 32-bit initialisation record is 16 bytes");

namespace {

// {A65B8071-3BFE-4213-9A5B-491DA4461CA7}
constexpr GUID kDxDiagProviderClass = {
    0xA65B8071, 0x3BFE, 0x4213, {0x9A, 0x5B, 0x49, 0x1D, 0xA4, 0x46, 0x1C, 0xA7}};
// {9C6B4CB0-23F8-49CC-A3ED-45A55000A6D2}: IDxDiagProvider
constexpr GUID kDxDiagProviderInterface = {
    0x9C6B4CB0, 0x23F8, 0x49CC, {0xA3, 0xED, 0x45, 0xA5, 0x50, 0x00, 0xA6, 0xD2}};

constexpr DWORD kDxDiagHeaderVersion = 111;
constexpr wchar_t kSystemInfoContainer[] = L"DxDiag_SystemInfo";
constexpr wchar_t kMajorProperty[] = L"dwDirectXVersionMajor";
constexpr wchar_t kMinorProperty[] = L"dwDirectXVersionMinor";
constexpr wchar_t kLetterProperty[] = L"szDirectXVersionLetter";
constexpr wchar_t kRootVersionBlock[] = L"\\";

// GetProp into a fresh variant; true with the value when it is an unsigned 32-bit integer.
bool ReadUnsignedProperty(IDxDiagContainer* container, const wchar_t* name, uint32_t* value) {
  VARIANT variant;
  VariantInit(&variant);
  bool obtained = SUCCEEDED(container->GetProp(name, &variant)) && variant.vt == VT_UI4;
  if (obtained) *value = variant.ulVal;
  VariantClear(&variant);
  return obtained;
}

// GetProp into a fresh variant; true with the first character when it is a non-null string.
bool ReadFirstCharacterProperty(IDxDiagContainer* container, const wchar_t* name,
                                char16_t* first) {
  VARIANT variant;
  VariantInit(&variant);
  bool obtained = SUCCEEDED(container->GetProp(name, &variant)) && variant.vt == VT_BSTR &&
                  variant.bstrVal != nullptr;
  if (obtained) *first = static_cast<char16_t>(variant.bstrVal[0]);
  VariantClear(&variant);
  return obtained;
}

void ReadSystemInfo(IDxDiagContainer* systemInfo, System::DxDiagVersion* version) {
  version->hasMajor = ReadUnsignedProperty(systemInfo, kMajorProperty, &version->major);
  version->hasMinor = ReadUnsignedProperty(systemInfo, kMinorProperty, &version->minor);
  version->hasLetter = ReadFirstCharacterProperty(systemInfo, kLetterProperty, &version->letter);
}

}  // namespace

void Win32System::QueryDxDiagVersion(DxDiagVersion* version) {
  *version = DxDiagVersion();
  bool comStarted = SUCCEEDED(CoInitialize(nullptr));
  IDxDiagProvider* provider = nullptr;
  IDxDiagContainer* root = nullptr;
  IDxDiagContainer* systemInfo = nullptr;
  HRESULT result = CoCreateInstance(kDxDiagProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                    kDxDiagProviderInterface, reinterpret_cast<void**>(&provider));
  if (SUCCEEDED(result)) {
    DXDIAG_INIT_PARAMS params = {};
    params.dwSize = sizeof params;
    params.dwDxDiagHeaderVersion = kDxDiagHeaderVersion;
    params.bAllowWHQLChecks = FALSE;
    params.pReserved = nullptr;
    result = provider->Initialize(&params);
  }
  if (SUCCEEDED(result)) result = provider->GetRootContainer(&root);
  if (SUCCEEDED(result)) result = root->GetChildContainer(kSystemInfoContainer, &systemInfo);
  if (SUCCEEDED(result)) ReadSystemInfo(systemInfo, version);
  if (systemInfo) systemInfo->Release();
  if (root) root->Release();
  if (provider) provider->Release();
  if (comStarted) CoUninitialize();
}

int32_t Win32System::ReadFileVersion(const char16_t* path, uint64_t* version) {
  if (path == nullptr || version == nullptr) return E_INVALIDARG;
  const wchar_t* name = reinterpret_cast<const wchar_t*>(path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(name, &ignored);
  if (size == 0) return E_FAIL;
  void* buffer = std::malloc(size);
  if (buffer == nullptr) return E_OUTOFMEMORY;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  bool ok = GetFileVersionInfoW(name, 0, size, buffer) &&
            VerQueryValueW(buffer, kRootVersionBlock, reinterpret_cast<void**>(&fixed),
                           &fixedSize) &&
            fixed != nullptr && fixedSize >= sizeof *fixed;
  if (ok) *version = static_cast<uint64_t>(fixed->dwFileVersionMS) << 32 | fixed->dwFileVersionLS;
  std::free(buffer);
  return ok ? S_OK : E_FAIL;
}

}  // namespace vorlax
