// UTF-8 report lines (see output.h).
#include "output.h"

#include <windows.h>

#include <cstdio>

namespace robot {

void PrintLine(const std::wstring& text) {
  std::wstring line = L"robot: " + text + L"\n";
  int length = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], length,
                      nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace robot
