// Watched work: a condition variable carries the job's end to the waiting thread, so a short job
// costs no idle interval.
#include "packer/tool/watched_work.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vorlax {

WatchedOutcome RunWatched(const std::function<bool()>& job, const std::function<void()>& poll,
                          std::chrono::milliseconds interval) {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  WatchedOutcome outcome;
  std::thread worker([&] {
    bool ok = job();
    std::lock_guard<std::mutex> lock(mutex);
    outcome.ok = ok;
    done = true;
    ended.notify_one();
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (!done) {
      lock.unlock();
      poll();
      ++outcome.polls;
      lock.lock();
      ended.wait_for(lock, interval, [&] { return done; });
    }
  }
  worker.join();
  return outcome;
}

}  // namespace vorlax
