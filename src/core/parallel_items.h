#pragma once
// Items (a batch's wells) worked on by a few threads at once, with progress
// seen as each finishes, a way to stop between items, and a caller that may
// look up while it waits: the thread pool every face's batch runs on.
#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

namespace vembrel {

struct ParallelItems {
  /// Threads: at least one, never more than items.
  int jobs = 1;
  /// Once set, no further item is begun.
  const std::atomic<bool>* cancel = nullptr;
  /// Called on the worker after each item, never two calls at once.
  std::function<void(std::size_t item)> finished;
  /// Called on the calling thread while it waits: after items finish, at
  /// least every tenth of a second, and once after the last. Returning false
  /// begins no further item; an exception it throws does the same and is
  /// thrown again once the items under way are done.
  std::function<bool()> poll;
};

/// Runs work(0) .. work(count - 1), each once, taken in order as threads come
/// free, and returns which items ran (all of them unless stopped). work must
/// not throw.
std::vector<bool> RunOnThreads(std::size_t count, const std::function<void(std::size_t item)>& work,
                               const ParallelItems& how = {});

}  // namespace vembrel
