// Define commands: a text that starts with a single "#" is a small command ("#IfSet %X%,yes|no")
// whose result replaces the text during substitution.
//
// The text is split here into the command name, its raw arguments and the else part; the caller
// (the substitution) expands the arguments within its own bounds and then runs the command with
// RunDefineCommand. Splitting happens before expansion, so an argument written in the text can
// never contain "," or "|", but one produced by a %NAME% reference can.
#pragma once

#include <string>
#include <vector>

namespace vorlax {

// A command text taken apart; nothing in it is expanded yet.
struct DefineCommandText {
  std::u16string name;
  std::vector<std::u16string> arguments;  // raw, each still to be expanded
  std::u16string elsePart;                // the text used when the command fails
};

// Splits text (which starts with "#") at its first "|" into command part and else part, the
// command part at its first space into name and argument list, and the list at each ",".
// Empty arguments in the middle count; a trailing "," adds nothing.
DefineCommandText ParseDefineCommand(const std::u16string& text);

// Runs the command name with its expanded arguments. True when it succeeded and *out holds its
// result; false when the text is to become the else part instead.
bool RunDefineCommand(const std::u16string& name, const std::vector<std::u16string>& arguments,
                      std::u16string* out);

// The number of arguments the command name needs (fewer fail it without a message), or -1 when
// no command has that name (running it reports an invalid define command).
int DefineCommandArgumentCount(const std::u16string& name);

// Removes the whitespace U+0009 to U+000D and U+0020 from both ends.
std::u16string TrimCommandText(const std::u16string& text);

}  // namespace vorlax
