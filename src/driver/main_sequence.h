// The main sequence: the installer's main loop on the main thread, between the entry's start-up
// and its cleanup. A page index from 0 to 5, each value one modal page:
//   0 configuration stage (small progress page, then loading)   1014 done, 2 cancelled
//   1 welcome                                                   1014 Next, 1018 Change settings, 2
//   2 options                                                   1014 Next, 110 Back, 2 Cancel
//   3 licence                                                   1014 Agree, 2 Don't agree
//   4 install (the install worker behind the progress page)     1014 finished, 2 cancelled
//   5 launch (only with a RunExe)                               6 start it, 7 do not
//
// Transition rule after pages 0 to 4: 1014 moves one page on, 110 one back, 2 stops the run
// (installFailed), anything else stays. The welcome page adds one before the rule, so its Next
// skips the options page. Whenever the index arrives at 3 (the licence page) the install
// location checks run first and a rejection goes back to the options page. The loop ends when
// installFailed is set after a page, or after page 5; only a run that ended without it expands
// "%PostEval%".
//
// Traps:
// - The install log is closed before the launch page is shown (when it is still open): the
//   product started from there may be the uninstaller's reader of it.
// - The DirectX exit (State().immediateExitCode) leaves the loop at once, without "%PostEval%".
#pragma once

namespace vorlax {

// Runs the pages; the outcome is left in installFailed (and immediateExitCode).
void RunMainSequence();

}  // namespace vorlax
