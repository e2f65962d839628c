// SplitCommandLine.
#include "uninstall/command_line.h"

namespace vorlax {

std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) {
  std::vector<std::u16string> arguments;
  std::u16string current;
  bool inArgument = false;
  bool quoted = false;
  for (char16_t c : commandLine) {
    if (c == u'"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && (c == u' ' || c == u'\t')) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current.push_back(c);
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

}  // namespace vorlax
