// `vorlax version`: the tool's version.
#include <cstdio>

#include "packer/tool/command.h"

namespace vorlax {
namespace {

int RunVersion(const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("version");
  std::printf("vorlax 0.1\n");
  return kExitOk;
}

const CommandRegistrar kRegistrar({"version", "version", "print the tool's version", RunVersion});

}  // namespace
}  // namespace vorlax
