// The configuration stage (page 0 of the main sequence): the "cfg\" entries of the cabinet are
// unpacked into the temporary installer folder on a second thread behind the small progress page,
// then the main thread loads the page bitmaps, props.xml (every string becomes a define),
// install.xml, defines.xml and the attached defines texts, sets MinDXVer, checks the installed
// DirectX, saves the raw install path and group for the options page's Back, and expands
// "%PreEval%".
//
// Traps:
// - A props.xml error has its own box ("Properties file error: '...'" captioned "Fatal Error!",
//   neither expanded: there are no texts yet) and no abort page at the end.
// - A failing attached defines text skips the remaining texts but the stage goes on: the DirectX
//   check and "%PreEval%" still run before the run stops.
// - DirectX older than required ends the run with exit code 2 after the upgrade prompt, through
//   State().immediateExitCode: the entry still deletes the temporary folder, without abort page.
#pragma once

namespace vorlax {

// Starts ConfigExtractionThread (see StartBackgroundTask). When no thread can be started the
// extraction counts as failed and the task as finished.
void StartConfigExtraction();

// Extracts the "cfg\" entries into the temporary folder; sets extractionFailed when that fails,
// and workerDone as its last action.
void ConfigExtractionThread();

// Runs the whole stage; answers the small progress page's result (1014 done, 2 cancelled). The
// outcome otherwise is left in installFailed, suppressAbortPage and immediateExitCode.
int RunConfigurationStage();

}  // namespace vorlax
