// Tests of RunWatched, the `vorlax` tool's wait for its extraction: the job's answer comes back,
// progress is polled while the job runs, and the wait ends with the job instead of at the next
// poll.
#include "packer/tool/watched_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace vorlax {
namespace {

// Longer than any test run: a wait that only ended at the next poll would never end.
constexpr auto kNeverAgain = std::chrono::hours(24);

TEST(RunWatched, EndsWithTheJobNotAtTheNextPoll) {
  for (bool answer : {true, false}) {
    std::promise<void> polled;
    std::future<void> firstPoll = polled.get_future();
    auto job = [&] {
      firstPoll.wait();
      return answer;
    };
    int pollsSeen = 0;
    auto poll = [&] {
      if (pollsSeen++ == 0) polled.set_value();
    };
    WatchedOutcome outcome = RunWatched(job, poll, kNeverAgain);
    EXPECT_EQ(outcome.ok, answer);
    EXPECT_EQ(outcome.polls, 1);
    EXPECT_EQ(pollsSeen, 1);
  }
}

TEST(RunWatched, PollsWhileTheJobRuns) {
  constexpr int kWantedPolls = 5;
  std::atomic<int> polls{0};
  auto job = [&] {
    while (polls.load() < kWantedPolls) std::this_thread::yield();
    return true;
  };
  WatchedOutcome outcome = RunWatched(job, [&] { polls.fetch_add(1); }, std::chrono::milliseconds(1));
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.polls, polls.load());
  EXPECT_GE(outcome.polls, kWantedPolls);
}

}  // namespace
}  // namespace vorlax
