// `vorlax check DIR`: reads a configuration folder as `vorlax pack` packs it (UTF-8 texts
// converted to the installer's UTF-16LE) with the installer's own readers, reports
// each broken file with the installer's message (line and file included), then warns about the
// text ids the installer shows that props.xml lacks, about %NAME% references that nothing
// defines, and about what the install actions would refuse or report (action_check.h).
//
// The warnings are config_checker.h's. Warnings are given only when all three files were read.
#include <cstdio>
#include <string>
#include <vector>

#include "packer/tool/command.h"
#include "packer/tool/pack_configuration.h"

namespace vorlax {
namespace {

int RunCheck(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("check");
  const std::string& folder = args[0];
  PackConfigurationOptions options;
  options.checkFolderFiles = false;
  PackConfiguration configuration;
  if (!ReadPackConfiguration(folder, options, &configuration)) return kExitFailed;
  std::printf("%s: configuration reads as the installer reads it; %d warning%s\n", folder.c_str(),
              configuration.warnings, configuration.warnings == 1 ? "" : "s");
  return kExitOk;
}

const CommandRegistrar kRegistrar({"check", "check DIR",
                                   "read props.xml, install.xml and defines.xml of DIR as the installer does",
                                   RunCheck});

}  // namespace
}  // namespace vorlax
