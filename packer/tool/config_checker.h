// The configuration checker: the warnings `vorlax check` and `vorlax pack` give about a
// configuration folder already loaded into State() (config_folder.h): text ids the installer
// shows that props.xml lacks, %NAME% references that nothing defines, and what the install
// actions would refuse or report (action_check.h).
//
// References are found the way the substitution's first pass pairs "%" characters, left to
// right in each text on its own, so "50% of %B%" reports the name " of " just as the installer
// would look it up. Names the installer sets itself (folders, paths, facts of the run) count as
// defined.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "driver/installer_state.h"
#include "packer/tool/action_check.h"

namespace vorlax {

// The text ids the installer's pages, buttons and message boxes show as "%ID%", in page order.
const std::vector<const char*>& InstallerTextIds();

class ConfigChecker {
 public:
  explicit ConfigChecker(WarningSink warn);

  int warnings() const { return warnings_; }

  // Runs every check on the folder (loaded into State()).
  void CheckAll(const std::string& folder);

  void CheckActions(const std::string& folder);
  void CheckTextIds();
  void CheckDefines();
  void CheckInstallConfig();

 private:
  void Warn(const std::string& message);
  bool IsDefined(const std::u16string& name) const;
  void CheckText(const std::string& where, const std::u16string& text);
  void CheckList(const std::string& where, const std::vector<std::u16string>& items);
  void CheckExec(const std::string& where, const std::vector<ExecEntry>& entries);

  WarningSink warn_;
  std::set<std::u16string> builtIns_;
  int warnings_ = 0;
};

}  // namespace vorlax
