// Define commands: splitting a command text and running one of the eight commands.
//
// Commands run on whichever thread expands the text (the main thread for pages, the install
// worker for install steps); they keep no state beyond the two report guards below.
//
// Traps:
// - The fatal message expands its own text and the "%FATAL_POPUP_TITLE%" caption, which may
//   themselves hold an invalid command (FATAL_POPUP_TITLE = "#Bogus") or a Fail
//   (FATAL_POPUP_TITLE = "#Fail x"); reporting those again would recurse without end. While a
//   thread is reporting an invalid command, a further invalid command on that thread fails
//   silently; while it is showing a Fail message, a further Fail on that thread shows nothing
//   and gives empty text. The run is already marked as failed either way.
// - Registry reads at most kRegistryDataLimit bytes (a larger value fails the command) and takes
//   the data as UTF-16 text whatever the value's type, up to its first NUL: a DWORD 1 reads as
//   the one-character text U+0001, which IfBool counts as true.
// - "upper" is the default locale's mapping: only ASCII a to z change.
#include "config/define_commands.h"

#include "actions/registry_key_path.h"
#include "base/text.h"
#include "driver/fatal_error.h"
#include "driver/installer_state.h"

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

using Arguments = std::vector<std::u16string>;

// The data limit of a Registry read: the size the query is told, within the command's
// 8,192-byte buffer; a longer value does not fit and fails the command.
constexpr uint32_t kRegistryDataLimit = 4095;
// IfBool's first argument when the first character is this (a DWORD 1 read by Registry).
constexpr char16_t kBoolMark = 0x0001;
constexpr const char16_t* kTrueWords[] = {u"1", u"TRUE", u"YES", u"Y"};

thread_local bool reportingInvalidCommand = false;
thread_local bool showingFailMessage = false;

void ReportInvalidCommand(const std::u16string& name) {
  if (reportingInvalidCommand) return;
  reportingInvalidCommand = true;
  ShowFatalError(u"Invalid define command: '" + name + u"'");
  reportingInvalidCommand = false;
}

std::u16string UpperAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

// The key path argument's value: true with out set to its data as UTF-16 text.
bool RunRegistry(const Arguments& a, std::u16string* out) {
  RegistryKey root = kNoRegistryKey;
  std::u16string subkey;
  if (!ParseRegistryKeyPath(a[0], &root, &subkey)) return false;
  System& system = *State().system;
  RegistryKey key = kNoRegistryKey;
  if (!system.OpenKeyDefaultAccess(root, subkey, &key)) return false;
  uint32_t type = kRegNone;
  std::string data;
  bool read = system.QueryValue(key, a[1], kRegistryDataLimit, &type, &data);
  system.CloseKey(key);
  if (!read) return false;
  std::u16string text = FromUtf16Le(reinterpret_cast<const unsigned char*>(data.data()),
                                    data.size());
  *out = text.substr(0, text.find(u'\0'));
  return true;
}

bool RunIfBool(const Arguments& a, std::u16string* out) {
  std::u16string word = UpperAscii(TrimCommandText(a[0]));
  bool set = !a[0].empty() && a[0][0] == kBoolMark;
  for (const char16_t* trueWord : kTrueWords) set = set || word == trueWord;
  if (set) *out = a[1];
  return set;
}

bool RunIfSet(const Arguments& a, std::u16string* out) {
  if (TrimCommandText(a[0]).empty()) return false;
  *out = a[1];
  return true;
}

bool RunIfEq(const Arguments& a, std::u16string* out) {
  if (TrimCommandText(a[0]) != TrimCommandText(a[1])) return false;
  *out = a[2];
  return true;
}

bool RunIfContains(const Arguments& a, std::u16string* out) {
  if (TrimCommandText(a[0]).find(TrimCommandText(a[1])) == std::u16string::npos) return false;
  *out = a[2];
  return true;
}

bool RunUppercase(const Arguments& a, std::u16string* out) {
  *out = UpperAscii(a[0]);
  return true;
}

bool RunFail(const Arguments& a, std::u16string* out) {
  out->clear();
  if (showingFailMessage) return true;
  showingFailMessage = true;
  ShowFatalError(a[0]);
  showingFailMessage = false;
  return true;
}

bool RunIfFileExists(const Arguments& a, std::u16string* out) {
  if (!State().system->FindFirstMatch(a[0])) return false;
  *out = a[1];
  return true;
}

struct DefineCommand {
  const char16_t* name;
  std::size_t needs;  // arguments the command uses; fewer fail it, more are ignored
  bool (*run)(const Arguments& arguments, std::u16string* out);
};

constexpr DefineCommand kCommands[] = {
    {u"Registry", 2, RunRegistry},     {u"IfBool", 2, RunIfBool},
    {u"IfSet", 2, RunIfSet},           {u"IfEq", 3, RunIfEq},
    {u"IfContains", 3, RunIfContains}, {u"Uppercase", 1, RunUppercase},
    {u"Fail", 1, RunFail},             {u"IfFileExists", 2, RunIfFileExists},
};

}  // namespace

int DefineCommandArgumentCount(const std::u16string& name) {
  for (const DefineCommand& command : kCommands) {
    if (name == command.name) return static_cast<int>(command.needs);
  }
  return -1;
}

bool RunDefineCommand(const std::u16string& name, const std::vector<std::u16string>& arguments,
                      std::u16string* out) {
  out->clear();
  for (const DefineCommand& command : kCommands) {
    if (name != command.name) continue;
    if (arguments.size() < command.needs) return false;
    return command.run(arguments, out);
  }
  ReportInvalidCommand(name);
  return false;
}

}  // namespace vorlax
