// Scenario files of the robot: one step per line, read into words and key=value pairs.
//
// A line is a command followed by arguments separated by blanks. An argument is either a
// positional value or key=value; a value is a bare word or a "quoted text" in which \" \\ \n \t
// stand for a quote, a backslash, a line break and a tab. Blank lines and lines starting with #
// are ignored. The file is UTF-8; texts come out as UTF-16 for comparison with window texts.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace robot {

struct Step {
  int line = 0;                                 // 1-based line number in the scenario file
  std::wstring command;                         // e.g. L"expect-message"
  std::vector<std::wstring> positional;         // arguments without '='
  std::map<std::wstring, std::wstring> named;   // key=value arguments
};

// Parses one line. False with *error set when the line is malformed (unterminated quote, unknown
// escape, empty key); true with step->command empty for blank and comment lines.
bool ParseScenarioLine(const std::wstring& text, int line, Step* step, std::wstring* error);

// Reads and parses a whole scenario file. False with *error ("line N: ...") on the first bad line
// or when the file cannot be read.
bool LoadScenario(const std::wstring& path, std::vector<Step>* steps, std::wstring* error);

}  // namespace robot
