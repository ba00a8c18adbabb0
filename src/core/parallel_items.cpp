#include "core/parallel_items.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace vembrel {

std::vector<bool> RunOnThreads(std::size_t count, const std::function<void(std::size_t)>& work,
                               const ParallelItems& how) {
  std::vector<char> ran(count, 0);
  if (count == 0) return {};
  const std::size_t threads =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(1, how.jobs)), count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t finished = 0;
  std::size_t working = threads;
  const auto stopped = [&] { return stop.load() || (how.cancel != nullptr && how.cancel->load()); };
  const auto worker = [&] {
    for (std::size_t i; !stopped() && (i = next.fetch_add(1)) < count;) {
      work(i);
      ran[i] = 1;
      const std::lock_guard lock(mutex);
      ++finished;
      if (how.finished) how.finished(i);
      changed.notify_all();
    }
    const std::lock_guard lock(mutex);
    --working;
    changed.notify_all();
  };
  std::exception_ptr failure;
  {
    std::vector<std::jthread> pool;
    for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
    std::unique_lock lock(mutex);
    for (std::size_t seen = 0;;) {
      changed.wait_for(lock, std::chrono::milliseconds(100),
                       [&] { return finished != seen || working == 0; });
      seen = finished;
      const bool done = working == 0;
      if (how.poll && !failure) {
        lock.unlock();
        try {
          if (!how.poll()) stop = true;
        } catch (...) {
          failure = std::current_exception();
          stop = true;
        }
        lock.lock();
      }
      if (done) break;
    }
  }
  if (failure) std::rethrow_exception(failure);
  return std::vector<bool>(ran.begin(), ran.end());
}

}  // namespace vembrel
