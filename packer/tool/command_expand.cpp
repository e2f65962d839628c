// `vorlax expand DIR TEXT`: prints the expansion of TEXT against the defines of a configuration
// folder (UTF-8 or UTF-16 texts, read as `vorlax pack` stores them), filled as the installer fills them: every props.xml string under its id, then
// defines.xml. The installer's own folders and run facts (ProgramFiles, InstallPath, ...) are not
// known here unless the folder defines them, so they expand to empty text.
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/installer_state.h"
#include "packer/tool/command.h"
#include "packer/tool/pack_configuration.h"

namespace vorlax {
namespace {

int RunExpand(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError("expand");
  ConfigFolderLoad load;
  if (!LoadPackedConfigFolder(args[0], &load)) return kExitFailed;
  if (!load.propertiesLoaded || !load.definesLoaded) {
    for (const std::string& error : load.errors) std::fprintf(stderr, "vorlax: %s\n", error.c_str());
    return kExitFailed;
  }
  std::u16string expanded = ExpandDefines(State().defines, FromUtf8(args[1]));
  std::printf("%s\n", ToUtf8(expanded).c_str());
  return kExitOk;
}

const CommandRegistrar kRegistrar({"expand", "expand DIR TEXT",
                                   "print TEXT with every %NAME% expanded against DIR's defines",
                                   RunExpand});

}  // namespace
}  // namespace vorlax
