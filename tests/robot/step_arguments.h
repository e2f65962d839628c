// Reading a step's arguments: numbers, named values, and the two kinds of expansion (paths take
// %VARIABLE%, expected texts take ${NAME}, since installer texts are full of %ID%).
#pragma once

#include <string>

#include "scenario.h"

namespace robot {

// A whole decimal number; false for anything else.
bool ParseNumber(const std::wstring& text, unsigned long* value);

// A whole decimal number with an optional leading "-"; false for anything else.
bool ParseSignedNumber(const std::wstring& text, long* value);

// The value of key=, or null when the step has none.
const std::wstring* Named(const Step& step, const wchar_t* key);

// %VARIABLE% references expanded by the system (unchanged when that fails).
std::wstring ExpandPath(const std::wstring& path);

// Every ${NAME} replaced by the environment variable NAME (left as it is when NAME is not set).
std::wstring ExpandText(const std::wstring& text);

// A named text argument with its ${NAME} references expanded into *storage; null when absent.
const std::wstring* ExpandedNamed(const Step& step, const wchar_t* key, std::wstring* storage);

// The text in double quotes, with quotes, backslashes and line breaks escaped, for reports.
std::wstring Quoted(const std::wstring& text);

}  // namespace robot
