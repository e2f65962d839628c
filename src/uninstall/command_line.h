// Splitting the uninstaller's command line into arguments.
//
// Arguments are separated by spaces or TABs; a double quote starts or ends a quoted stretch in
// which spaces belong to the argument, and is itself dropped. Backslashes are plain characters
// (paths often end in one), so a quote cannot be part of an argument: Windows paths hold none.
#pragma once

#include <string>
#include <vector>

namespace vorlax {

// The arguments of commandLine, the program itself first.
std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine);

}  // namespace vorlax
