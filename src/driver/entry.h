// The installer's run on the main thread: start-up checks, the executable's own path and the
// temporary installer folder, the attached payload, the shared UI resources, the main sequence,
// and the cleanup. wWinMain sets State().system and calls RunInstaller; tests do the same with the
// fake system.
#pragma once

namespace vorlax {

// The process exit codes of the installer.
enum InstallerExitCode : int {
  kExitNormal = 0,             // finished
  kExitNotAdministrator = 1,   // no write access to HKEY_LOCAL_MACHINE "SOFTWARE"
  kExitDirectXTooOld = 2,      // the installed DirectX is older than the minimum
  kExitExeNotReadable = 4,     // the executable cannot be opened for reading
  kExitPayloadNotReadable = 5, // the attached payload cannot be read
  kExitStopped = 10,           // installFailed was set: cancel, fatal error, failed installation
};

// Runs the whole installation; answers the exit code. Needs State().system to be set.
int RunInstaller();

}  // namespace vorlax
