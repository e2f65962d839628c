// Step argument helpers (see step_arguments.h).
#include "step_arguments.h"

#include <windows.h>

#include <cwchar>

namespace robot {

namespace {

constexpr DWORD kExpansionRoom = 4096;

}  // namespace

bool ParseNumber(const std::wstring& text, unsigned long* value) {
  if (text.empty() || text[0] < L'0' || text[0] > L'9') return false;
  wchar_t* end = nullptr;
  *value = std::wcstoul(text.c_str(), &end, 10);
  return end && *end == L'\0';
}

bool ParseSignedNumber(const std::wstring& text, long* value) {
  unsigned long magnitude = 0;
  bool negative = !text.empty() && text[0] == L'-';
  if (!ParseNumber(negative ? text.substr(1) : text, &magnitude)) return false;
  *value = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
  return true;
}

const std::wstring* Named(const Step& step, const wchar_t* key) {
  auto it = step.named.find(key);
  return it == step.named.end() ? nullptr : &it->second;
}

std::wstring ExpandPath(const std::wstring& path) {
  wchar_t buffer[kExpansionRoom];
  DWORD length = ExpandEnvironmentStringsW(path.c_str(), buffer, kExpansionRoom);
  if (length == 0 || length > kExpansionRoom) return path;
  return buffer;
}

std::wstring ExpandText(const std::wstring& text) {
  std::wstring out;
  size_t pos = 0;
  for (;;) {
    size_t open = text.find(L"${", pos);
    size_t close = open == std::wstring::npos ? open : text.find(L'}', open + 2);
    if (close == std::wstring::npos) return out + text.substr(pos);
    std::wstring name = text.substr(open + 2, close - open - 2);
    wchar_t value[kExpansionRoom];
    DWORD length = GetEnvironmentVariableW(name.c_str(), value, kExpansionRoom);
    out += text.substr(pos, open - pos);
    out += length > 0 && length < kExpansionRoom ? std::wstring(value, length) : text.substr(open, close + 1 - open);
    pos = close + 1;
  }
}

const std::wstring* ExpandedNamed(const Step& step, const wchar_t* key, std::wstring* storage) {
  const std::wstring* raw = Named(step, key);
  if (!raw) return nullptr;
  *storage = ExpandText(*raw);
  return storage;
}

std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += L"\\n";
    } else {
      if (c == L'"' || c == L'\\') out += L'\\';
      out += c;
    }
  }
  return out + L"\"";
}

}  // namespace robot
