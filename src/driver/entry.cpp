// The installer's run: steps 1 to 10 of the entry, every effect through State().system.
//
// Decisions of this installer:
// - The administrator message and the two earliest fatal messages come before any properties are
//   loaded, so their "%ID%" texts expand to nothing; ExpandWithFallback shows a fixed English
//   sentence and caption then, while a loaded property still wins.
// - The temporary folder name comes from the system's unique-name service with the prefix
//   "vorcfg"; the folder itself is created only when the cabinet is copied into it.
// - The folder named by the InstallerExeDir define is never deleted: it is where the user put the
//   installer and may hold the user's other files (and the running executable cannot delete its
//   own folder anyway). Only the temporary installer folder is deleted at cleanup.
// - Every exit after the temporary folder was named deletes it, including the early failures
//   (exit codes 4 and 5: the payload walk may already have copied the whole cabinet there) and
//   the DirectX exit (code 2, after the configuration was unpacked there). The DirectX exit
//   comes back here through State().immediateExitCode and keeps its code, without abort page.
// - The administrator check (exit code 1) fails before any folder is named or created.
// - When the system cannot name a temporary folder (its temporary folder is unknown), the cabinet
//   has nowhere to go: the run fails as if the cabinet file could not be created, instead of
//   writing "\files.cab" at the root of the current drive and leaving it there.
#include "driver/entry.h"

#include "base/text.h"
#include "config/define_table.h"
#include "driver/built_in_defines.h"
#include "driver/fatal_error.h"
#include "driver/folders.h"
#include "driver/install_log.h"
#include "driver/installer_state.h"
#include "driver/main_sequence.h"
#include "driver/payload.h"
#include "ui/page_ids.h"

namespace vorlax {

namespace {

constexpr char16_t kAdministratorCheckKey[] = u"SOFTWARE";
constexpr char16_t kAdministratorTextId[] = u"%ADMIN_INSTALL%";
constexpr char16_t kErrorCaptionId[] = u"%ERROR%";
constexpr char kFallbackAdministratorText[] = "This installer must be run by an administrator.";

constexpr char16_t kTempFolderPrefix[] = u"vorcfg";
constexpr char16_t kCabinetFileName[] = u"files.cab";

constexpr char16_t kDefineExePath[] = u"InstallerExePath";
constexpr char16_t kDefineExeDir[] = u"InstallerExeDir";
constexpr char16_t kDefineTempDir[] = u"TempInstallerDir";

// Step 1: write access to HKEY_LOCAL_MACHINE "SOFTWARE" is what being an administrator means here.
bool HasAdministratorRights(System& system) {
  RegistryKey key = kNoRegistryKey;
  if (!system.OpenKey(kHkeyLocalMachine, kAdministratorCheckKey, kKeyWrite, &key)) return false;
  system.CloseKey(key);
  return true;
}

void ShowAdministratorMessage(System& system) {
  system.ShowMessage(ExpandWithFallback(kAdministratorTextId, kFallbackAdministratorText),
                     ExpandWithFallback(kErrorCaptionId, kFallbackErrorCaption), kMbIconError);
}

// Step 3: the executable's path, and its folder (the whole path when it has no separator).
void SetExecutablePaths(InstallerState& state) {
  state.exePath = state.system->ModuleFileName();
  state.defines.Set(kDefineExePath, state.exePath);
  state.defines.Set(kDefineExeDir, FolderOf(state.exePath));
}

// Step 4: a fresh temporary folder name (not created yet) and the cabinet's place in it.
void SetTemporaryPaths(InstallerState& state) {
  state.tempDir = WithoutTrailingSeparator(state.system->UniqueTempName(kTempFolderPrefix));
  state.defines.Set(kDefineTempDir, state.tempDir);
  state.cabinetPath = state.tempDir + u"\\" + kCabinetFileName;
}

// Start-up failures after step 3: the temporary folder goes (the payload walk may have copied the
// cabinet into it), and the failure's code is returned.
int EndEarly(InstallerState& state, int exitCode) {
  DeleteFolderTree(state.tempDir);  // a failed deletion is ignored
  return exitCode;
}

// Step 10.
int CleanUp(InstallerState& state) {
  if (state.installLogFile != kNoFile) CloseInstallLog();
  DeleteFolderTree(state.tempDir);  // a failed deletion is ignored
  int exitCode = kExitNormal;
  if (state.immediateExitCode != kNoImmediateExit) {
    exitCode = state.immediateExitCode;
  } else if (state.installFailed) {
    if (!state.suppressAbortPage) state.system->RunPage(IDD_ABORT_PAGE);
    exitCode = kExitStopped;
  }
  state.system->DestroyUiResources();
  return exitCode;
}

}  // namespace

int RunInstaller() {
  InstallerState& state = State();
  System& system = *state.system;
  if (!HasAdministratorRights(system)) {
    ShowAdministratorMessage(system);
    return kExitNotAdministrator;
  }
  SetBuiltInDefines();
  SetExecutablePaths(state);
  SetTemporaryPaths(state);
  // The executable stays open until the process ends.
  FileHandle exe = system.OpenFile(state.exePath, FileAccess::kRead);
  if (exe == kNoFile) {
    ShowFatalError(u"Unable to Open Installer Exe '" + state.exePath + u"'");
    return EndEarly(state, kExitExeNotReadable);
  }
  if (state.tempDir.empty()) {
    ShowFatalError(u"Unable to Create Cab '" + state.cabinetPath + u"'");
    ShowFatalError(u"Unable to Read Installer Data");
    return kExitPayloadNotReadable;
  }
  if (!ReadAttachedPayload(exe)) {
    ShowFatalError(u"Unable to Read Installer Data");
    return EndEarly(state, kExitPayloadNotReadable);
  }
  // Common controls, the Japanese font file and the shared brush and fonts.
  system.CreateUiResources();
  if (!state.installFailed) RunMainSequence();
  return CleanUp(state);
}

}  // namespace vorlax
