// Define commands: splitting a command text and running a command.
//
// No command is known yet: every name is reported as an invalid define command through the fatal
// message path, and the text then becomes its else part.
//
// Trap: the fatal message expands its own text and the "%FATAL_POPUP_TITLE%" caption, which may
// themselves hold an invalid command (FATAL_POPUP_TITLE = "#Bogus"); reporting that one again
// would recurse without end. While a thread is reporting an invalid command, a further invalid
// command on that thread fails silently (the run is already marked as failed).
#include "config/define_commands.h"

#include "driver/fatal_error.h"

namespace vorlax {

namespace {

constexpr char16_t kElseSeparator = u'|';
constexpr char16_t kNameSeparator = u' ';
constexpr char16_t kArgumentSeparator = u',';

bool IsCommandSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

std::vector<std::u16string> SplitArguments(std::u16string rest) {
  std::vector<std::u16string> arguments;
  while (!rest.empty()) {
    std::size_t comma = rest.find(kArgumentSeparator);
    if (comma == std::u16string::npos) {
      arguments.push_back(rest);
      break;
    }
    arguments.push_back(TrimCommandText(rest.substr(0, comma)));
    rest = TrimCommandText(rest.substr(comma + 1));
  }
  return arguments;
}

}  // namespace

std::u16string TrimCommandText(const std::u16string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsCommandSpace(text[begin])) ++begin;
  while (end > begin && IsCommandSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

DefineCommandText ParseDefineCommand(const std::u16string& text) {
  DefineCommandText command;
  std::u16string commandPart;
  std::size_t bar = text.find(kElseSeparator);
  if (bar == std::u16string::npos) {
    // Without an else part the command part is taken as written, untrimmed.
    commandPart = text.substr(1);
  } else {
    commandPart = TrimCommandText(text.substr(1, bar - 1));
    command.elsePart = TrimCommandText(text.substr(bar + 1));
  }
  std::size_t space = commandPart.find(kNameSeparator);
  if (space == std::u16string::npos) {
    command.name = commandPart;
    return command;
  }
  command.name = TrimCommandText(commandPart.substr(0, space));
  command.arguments = SplitArguments(TrimCommandText(commandPart.substr(space + 1)));
  return command;
}

namespace {

thread_local bool reportingInvalidCommand = false;

void ReportInvalidCommand(const std::u16string& name) {
  if (reportingInvalidCommand) return;
  reportingInvalidCommand = true;
  ShowFatalError(u"Invalid define command: '" + name + u"'");
  reportingInvalidCommand = false;
}

}  // namespace

bool RunDefineCommand(const std::u16string& name, const std::vector<std::u16string>& arguments,
                      std::u16string* out) {
  (void)arguments;
  out->clear();
  ReportInvalidCommand(name);
  return false;
}

}  // namespace vorlax
