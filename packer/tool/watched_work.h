// Watched work: runs a long job on a worker thread while the calling thread polls its progress at
// a fixed interval, and returns the moment the job ends rather than at the next tick.
//
// Trap: the job and the poll run on different threads; whatever the poll reads must be safe to
// read while the job writes it (the extraction's progress words are atomics).
#pragma once

#include <chrono>
#include <functional>

namespace vorlax {

struct WatchedOutcome {
  bool ok = false;   // the job's answer
  int polls = 0;     // how often poll ran while the job was still running
};

// Runs job on its own thread and calls poll at once and then every interval for as long as job
// runs (each poll follows a check that it still ran); the wait between polls ends the moment the
// job does. A job that ends at once may see no poll at all.
WatchedOutcome RunWatched(const std::function<bool()>& job, const std::function<void()>& poll,
                          std::chrono::milliseconds interval);

}  // namespace vorlax
