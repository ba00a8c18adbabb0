// The batch's thread pool: each item once, the caller's last look after the
// last item, and stops between items from the caller or by a cancel flag.
#include "core/parallel_items.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vembrel {
namespace {

TEST(ParallelItems, RunEveryItemOnceAndTheLastPollSeesThemAll) {
  constexpr std::size_t kItems = 40;
  std::vector<std::atomic<int>> runs(kItems);
  std::atomic<std::size_t> finished{0};
  std::atomic<std::size_t> lastSeen{0};
  ParallelItems how;
  how.jobs = 3;
  how.finished = [&](std::size_t) { ++finished; };
  how.poll = [&] {
    lastSeen = finished.load();
    return true;
  };
  const std::vector<bool> ran = RunOnThreads(
      kItems, [&](std::size_t i) { ++runs[i]; }, how);
  EXPECT_EQ(ran, std::vector<bool>(kItems, true));
  for (const auto& count : runs) EXPECT_EQ(count, 1);
  EXPECT_EQ(lastSeen, kItems);
  EXPECT_TRUE(RunOnThreads(
                  0, [](std::size_t) {}, how)
                  .empty());
}

TEST(ParallelItems, StopBetweenItemsWhenCancelledOrThePollSaysSo) {
  // Cancelled as the second item finishes: no third is begun.
  std::atomic<bool> cancel{false};
  ParallelItems cancelled;
  cancelled.cancel = &cancel;
  cancelled.finished = [&](std::size_t i) { cancel = i == 1; };
  EXPECT_EQ(RunOnThreads(
                5, [](std::size_t) {}, cancelled),
            (std::vector<bool>{true, true, false, false, false}));

  // Stopped by the caller's poll once the second item has begun. That item
  // ends only after a later poll, so the stop is in place before a third
  // could begin.
  std::atomic<bool> begun{false};
  std::atomic<int> polls{0}, stoppedAt{0};
  ParallelItems how;
  how.poll = [&] {
    const int call = polls + 1;
    const bool stop = stoppedAt == 0 && begun;
    if (stop) stoppedAt = call;
    polls = call;
    polls.notify_all();
    return !stop;
  };
  const auto secondWaits = [&](std::size_t i) {
    if (i != 1) return;
    begun = true;
    for (int seen = polls; stoppedAt == 0 || seen <= stoppedAt; seen = polls) polls.wait(seen);
  };
  EXPECT_EQ(RunOnThreads(4, secondWaits, how), (std::vector<bool>{true, true, false, false}));

  // A poll that throws stops the items too; its exception comes back.
  std::atomic<bool> thrown{false};
  how.poll = [&] {
    if (!begun) return true;
    thrown = true;
    thrown.notify_all();
    throw std::runtime_error("interrupted");
  };
  begun = false;
  const auto secondWaitsForTheThrow = [&](std::size_t i) {
    if (i != 1) return;
    begun = true;
    thrown.wait(false);
  };
  EXPECT_THROW(RunOnThreads(4, secondWaitsForTheThrow, how), std::runtime_error);
}

}  // namespace
}  // namespace vembrel
