// RunConfigurationStage, its extraction thread, and the DirectX check of the run.
#include "driver/configuration_stage.h"

#include <cstdint>
#include <string>

#include "actions/directx_check.h"
#include "base/text.h"
#include "config/define_table.h"
#include "driver/background_task.h"
#include "driver/built_in_defines.h"
#include "driver/entry.h"
#include "driver/fatal_error.h"
#include "driver/installer_state.h"
#include "ui/page_ids.h"

namespace vorlax {

namespace {

constexpr char16_t kConfigSourcePrefix[] = u"cfg\\";
constexpr char16_t kLogoBitmap[] = u"logo.bmp";
constexpr char16_t kProductBitmap[] = u"product.bmp";
constexpr char16_t kPropertiesFile[] = u"\\props.xml";
constexpr char16_t kInstallConfigFile[] = u"install.xml";
constexpr char16_t kDefinesFile[] = u"defines.xml";

constexpr char16_t kPropertiesErrorCaption[] = u"Fatal Error!";
constexpr char16_t kDirectXUpgradeTextId[] = u"%DX_UPGRADE_TEXT%";
constexpr char16_t kDirectXUpgradeTitleId[] = u"%DX_UPGRADE_TITLE%";
constexpr char16_t kOpenVerb[] = u"open";
constexpr char16_t kPreEval[] = u"%PreEval%";

// Step 1: the extraction thread behind the small progress page; answers the page's result.
int ExtractConfiguration() {
  InstallerState& state = State();
  state.sourcePrefix = kConfigSourcePrefix;
  state.destinationPrefix = state.tempDir + u"\\";
  StartConfigExtraction();
  return state.system->RunPage(IDD_SMALL_PROGRESS_PAGE);
}

// Step 5 and 6: props.xml into the properties, every string into the defines. False (with the
// run stopped, no abort page) when the file cannot be read.
bool LoadProperties() {
  InstallerState& state = State();
  if (!state.properties.LoadFile(state.tempDir + kPropertiesFile)) {
    state.system->ShowMessage(u"Properties file error: '" + state.properties.GetErrorText() + u"'",
                              kPropertiesErrorCaption, kMbIconError);
    state.installFailed = true;
    state.suppressAbortPage = true;
    return false;
  }
  for (const auto& property : state.properties.GetStrings()) {
    state.defines.Set(Widen(property.first), property.second);
  }
  return true;
}

// Steps 7 and 8: install.xml, then defines.xml.
bool LoadConfigurationFiles() {
  InstallerState& state = State();
  if (!state.config.LoadFile(state.destinationPrefix + kInstallConfigFile)) {
    ShowFatalError(state.config.GetErrorText());
    return false;
  }
  if (!state.defines.LoadFile(state.destinationPrefix + kDefinesFile)) {
    ShowFatalError(state.defines.GetErrorText());
    return false;
  }
  return true;
}

// Step 9: the attached defines texts in order; the first failure skips the rest (and stops the
// run after the stage).
void LoadAttachedDefines() {
  InstallerState& state = State();
  for (const std::u16string& text : state.attachedDefines) {
    if (!state.defines.LoadText(text)) {
      ShowFatalError(u"Attached Defines: " + state.defines.GetErrorText());
      return;
    }
  }
}

// Step 11: false when the installed DirectX is older than required; the user was offered the
// download page and the run is to end with exit code 2. A failed detection passes.
bool DirectXIsRecentEnough() {
  InstallerState& state = State();
  uint32_t packed = 0;
  if (GetDirectXVersion(&packed, nullptr, 0) != kResultOk) return true;
  if (packed >= state.minDirectXVersion) return true;
  int answer = state.system->ShowMessage(ExpandDefines(state.defines, kDirectXUpgradeTextId),
                                         ExpandDefines(state.defines, kDirectXUpgradeTitleId),
                                         kMbOkCancel);
  if (answer == kIdOk) {
    state.system->ShellExecute(kOpenVerb, state.directXDownloadPage, std::u16string(),
                               std::u16string());
  }
  state.immediateExitCode = kExitDirectXTooOld;
  return false;
}

// Steps 2 to 9: everything between the extraction and the DirectX check; false when the stage
// ends early.
bool LoadConfiguration() {
  InstallerState& state = State();
  if (state.extractionFailed && !state.installFailed) {
    ShowFatalError(u"Failed to decompress setup files!");
  }
  if (state.installFailed) return false;
  state.system->LoadPageBitmaps(state.destinationPrefix + kLogoBitmap,
                                state.destinationPrefix + kProductBitmap);
  if (!LoadProperties() || !LoadConfigurationFiles()) return false;
  LoadAttachedDefines();
  return true;
}

}  // namespace

void StartConfigExtraction() {
  if (StartBackgroundTask(ConfigExtractionThread)) return;
  InstallerState& state = State();
  state.extractionFailed = true;
  state.workerDone = true;
}

// A finished extraction counts as 100 percent even when it wrote no byte (no "cfg\" entries, or
// only empty ones): the extraction leaves the percentage at its start value then, and the small
// progress page, which waits for a full bar, would never close.
void ConfigExtractionThread() {
  InstallerState& state = State();
  if (ExtractWithStatePrefixes()) {
    state.progress.overallPercent.store(100);
  } else {
    state.extractionFailed = true;
  }
  state.workerDone = true;
}

int RunConfigurationStage() {
  int result = ExtractConfiguration();
  if (!LoadConfiguration()) return result;
  SetMinDirectXVersionDefine();
  if (!DirectXIsRecentEnough()) return result;
  InstallerState& state = State();
  state.savedInstallPath = state.defines.Get(kDefineInstallPath);
  state.savedInstallGroup = state.defines.Get(kDefineInstallGroup);
  ExpandDefines(state.defines, kPreEval);  // for the define commands it runs
  return result;
}

}  // namespace vorlax
