// `vorlax check DIR`: reads a configuration folder with the installer's own readers, reports
// each broken file with the installer's message (line and file included), then warns about the
// text ids the installer shows that props.xml lacks, about %NAME% references that nothing
// defines, and about what the install actions would refuse or report (action_check.h).
//
// References are found the way the substitution's first pass pairs "%" characters, left to
// right in each text on its own, so "50% of %B%" reports the name " of " just as the installer
// would look it up. Names the installer sets itself (folders, paths, facts of the run) count as
// defined. Warnings are given only when all three files were read.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "driver/installer_state.h"
#include "packer/tool/command.h"
#include "packer/tool/config_folder.h"
#include "packer/tool/config_checker.h"

namespace vorlax {
namespace {

void ReportBrokenFile(const std::string& folder, const char* fileName) {
  std::u16string path = ConfigFilePath(folder, fileName);
  if (LooksLikeEightBitText(path)) {
    std::fprintf(stderr, "vorlax: note: %s does not look like UTF-16LE text, which is all the installer reads\n",
                 ToUtf8(path).c_str());
  }
}

int RunCheck(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("check");
  const std::string& folder = args[0];
  ConfigFolderLoad load = LoadConfigFolder(folder);
  for (const std::string& error : load.errors) std::fprintf(stderr, "vorlax: %s\n", error.c_str());
  if (!load.propertiesLoaded) ReportBrokenFile(folder, kPropsFileName);
  if (!load.configLoaded) ReportBrokenFile(folder, kInstallFileName);
  if (!load.definesLoaded) ReportBrokenFile(folder, kDefinesFileName);
  if (!load.AllLoaded()) return kExitFailed;
  ConfigChecker checker(
      [](const std::string& message) { std::fprintf(stderr, "vorlax: warning: %s\n", message.c_str()); });
  checker.CheckAll(folder);
  std::printf("%s: configuration reads as the installer reads it; %d warning%s\n", folder.c_str(),
              checker.warnings(), checker.warnings() == 1 ? "" : "s");
  return kExitOk;
}

const CommandRegistrar kRegistrar({"check", "check DIR",
                                   "read props.xml, install.xml and defines.xml of DIR as the installer does",
                                   RunCheck});

}  // namespace
}  // namespace vorlax
