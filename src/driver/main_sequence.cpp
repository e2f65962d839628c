// RunMainSequence: the page loop, the transition rule, and pages 4 and 5.
#include "driver/main_sequence.h"

#include <string>

#include "base/text.h"
#include "config/define_table.h"
#include "driver/built_in_defines.h"
#include "driver/configuration_stage.h"
#include "driver/install_location.h"
#include "driver/install_log.h"
#include "driver/install_worker.h"
#include "driver/installer_state.h"
#include "ui/page_ids.h"

namespace vorlax {

namespace {

constexpr char16_t kProductSourcePrefix[] = u"files\\";
constexpr char16_t kOpenVerb[] = u"open";
constexpr char16_t kPostEval[] = u"%PostEval%";

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Page 4: the product's extraction parameters, the install worker, the install page.
int RunInstallPage() {
  InstallerState& state = State();
  SetAppFolderDefine();
  state.sourcePrefix = kProductSourcePrefix;
  std::u16string destination = ExpandDefines(state.defines, state.defines.Get(kDefineInstallPath));
  if (!destination.empty() && !IsSeparator(destination.back())) destination += u"\\";
  state.destinationPrefix = destination;
  state.extractedFiles.clear();
  StartInstallWorker();
  return state.system->RunPage(IDD_INSTALL_PAGE);
}

// Page 5: offers to start RunExe, in its own folder. Nothing to offer without a RunExe.
void RunLaunchPage() {
  InstallerState& state = State();
  if (state.config.RunExe.empty()) return;
  if (state.installLogFile != kNoFile) CloseInstallLog();
  if (state.system->RunPage(IDD_LAUNCH_PAGE) != IDC_LAUNCH_YES) return;
  std::u16string target = ExpandDefines(state.defines, state.config.RunExe);
  std::size_t cut = LastSeparator(target);
  std::u16string folder = cut == std::u16string::npos ? std::u16string() : target.substr(0, cut - 1);
  state.system->ShellExecute(kOpenVerb, target, std::u16string(), folder);  // failure ignored
}

// Shows the page of pages 0 to 4 and answers its result.
int RunPageAt(int32_t index) {
  InstallerState& state = State();
  switch (index) {
    case kPageConfiguration: return RunConfigurationStage();
    case kPageWelcome: {
      int result = state.system->RunPage(IDD_WELCOME_PAGE);
      ++state.pageIndex;  // before the rule: Next then skips the options page
      return result;
    }
    case kPageOptions: return state.system->RunPage(IDD_OPTIONS_PAGE);
    case kPageLicence: return state.system->RunPage(IDD_LICENCE_PAGE);
    default: return RunInstallPage();  // kPageInstall: the loop passes only pages 0 to 4 here
  }
}

// The transition rule; true when the loop goes on.
bool ApplyTransition(int result) {
  InstallerState& state = State();
  if (result == IDC_NEXT) ++state.pageIndex;
  else if (result == IDC_BACK) --state.pageIndex;
  else if (result == IDC_CANCEL) state.installFailed = true;
  if (state.pageIndex == kPageLicence) {
    if (state.installFailed) return false;
    if (!CheckInstallLocation()) state.pageIndex = kPageOptions;
  }
  return !state.installFailed;
}

}  // namespace

void RunMainSequence() {
  InstallerState& state = State();
  for (;;) {
    int32_t index = state.pageIndex;
    if (index == kPageLaunch) {
      RunLaunchPage();
      break;
    }
    if (index < kPageConfiguration || index > kPageLaunch) {  // no page answers so; never a success
      state.installFailed = true;
      break;
    }
    int result = RunPageAt(index);
    if (state.immediateExitCode != kNoImmediateExit) return;
    if (!ApplyTransition(result)) break;
  }
  if (!state.installFailed) ExpandDefines(state.defines, kPostEval);  // for its define commands
}

}  // namespace vorlax
