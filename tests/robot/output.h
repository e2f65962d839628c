// The robot's report lines, written to standard output as UTF-8 and flushed at once, so a harness
// reading a pipe sees each step as it happens.
#pragma once

#include <string>

namespace robot {

void PrintLine(const std::wstring& text);

}  // namespace robot
