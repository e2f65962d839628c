// InstallerState: the one process-wide record of the run.
//
// It owns every long-lived object of the run (defines, properties, install configuration, paths,
// flags, the install log, the extraction progress and the UI resources) from start to exit. The
// core reaches the operating system through its `system` pointer, which the entry (or a test)
// sets before anything else runs.
//
// The flags are shared between the main thread and at most one worker thread without locks: each
// is a std::atomic written with plain single stores, so the behaviour is that of single shared
// bytes while the program stays free of data races.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/extraction_progress.h"
#include "config/define_table.h"
#include "config/install_config.h"
#include "config/property_table.h"
#include "platform/system.h"
#include "ui/ui_resources.h"

namespace vorlax {

// Page indices of the main sequence.
enum PageIndex : int32_t {
  kPageConfiguration = 0,
  kPageWelcome = 1,
  kPageOptions = 2,
  kPageLicence = 3,
  kPageInstall = 4,
  kPageLaunch = 5,
};

// InstallerState::immediateExitCode when no immediate end was asked for.
constexpr int32_t kNoImmediateExit = -1;

struct InstallerState {
  System* system = nullptr;

  std::atomic<int32_t> pageIndex{kPageConfiguration};
  std::atomic<bool> installFailed{false};
  std::atomic<bool> extractionFailed{false};
  std::atomic<bool> workerDone{false};
  std::atomic<bool> suppressAbortPage{false};
  // How many fatal messages the run has shown (ShowFatalError counts them). The install worker
  // compares it before and after its steps: a fatal error raised inside a step that still answers
  // true (a "#Fail" define command in a text the step expands) must fail the installation, while
  // a cancel, which sets installFailed alone, lets the worker run on as designed.
  std::atomic<uint32_t> fatalErrors{0};
  // An exit code that ends the run at once (the DirectX check's): the main sequence stops where
  // it is, and the entry still cleans up (log, temporary folder) but shows no abort page and
  // returns this code. Written and read on the main thread only.
  int32_t immediateExitCode = kNoImmediateExit;

  std::u16string exePath;
  std::u16string tempDir;
  std::u16string cabinetPath;
  std::u16string sourcePrefix;
  std::u16string destinationPrefix;
  std::vector<std::u16string> attachedDefines;

  DefineTable defines;
  PropertyTable properties;
  InstallConfig config;

  std::u16string savedInstallPath;
  std::u16string savedInstallGroup;

  uint32_t minDirectXVersion = 0x00030000;
  std::u16string minDirectXVersionText = u"3.0";
  std::u16string directXDownloadPage;

  std::u16string installLog;
  FileHandle installLogFile = kNoFile;

  ExtractedFiles extractedFiles;
  ExtractionProgress progress;
  UiResources ui;
};

// The process-wide record.
InstallerState& State();

// Replaces the record with a freshly constructed one (initial values), for tests and tools.
void ResetInstallerState();

}  // namespace vorlax
