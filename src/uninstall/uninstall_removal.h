// Carrying out an uninstall plan through the system seam, step by step in the plan's order,
// counting progress for the progress page.
//
// Traps:
// - A file that is already gone counts as removed; a delete refused for the read-only attribute
//   is tried once more after the attributes were reset.
// - Files in use: after the pass over the logged files, the ensure-not-running question
//   ("%UNINSTALL_ENSURE_NOT_RUNNING_TEXT%", OK and Cancel) is asked as often as the player
//   answers OK and files are still left; what is left after Cancel goes to the report.
// - Keys are emptied before they are deleted (Windows NT deletes no key with sub-keys).
// - A junction inside a folder deleted whole is removed as a link; what it points to is never
//   entered.
// - Runs on the worker thread; only the progress counters are shared with the page.
#pragma once

#include <atomic>
#include <cstdint>

#include "uninstall/uninstall_plan.h"

namespace vorlax {

struct RemovalProgress {
  std::atomic<uint32_t> done{0};
  std::atomic<uint32_t> total{0};
  std::atomic<bool> finished{false};
};

// How often, and how long apart, the temporary copy tries to delete the uninstaller it was
// started from, which is still ending when the copy begins.
constexpr int kOwnFileDeleteTries = 50;
constexpr uint32_t kOwnFileDeletePauseMs = 100;

// Carries out plan, adding what stays to *report, and sets progress->finished at the end.
void CarryOutUninstallPlan(const UninstallPlan& plan, UninstallReport* report,
                           RemovalProgress* progress);

}  // namespace vorlax
