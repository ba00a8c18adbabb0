#include "core/memory_tuning.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace vembrel {

void KeepPictureBuffersMapped() {
#if defined(__GLIBC__) && defined(M_MMAP_THRESHOLD)
  // Above the mmap threshold every allocation is a fresh mapping whose pages
  // fault in one by one and are zeroed by the kernel; a well allocates some
  // thirty such buffers. 32 MB is glibc's largest threshold; the trim
  // threshold keeps freed buffers in the heap for the next well.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
}

int DefaultJobCount(unsigned cores, std::optional<std::uint64_t> availableBytes) {
  std::uint64_t jobs = std::max(cores, 1u);
  if (availableBytes) jobs = std::min(jobs, *availableBytes / kMemoryPerJob);
  return static_cast<int>(std::clamp<std::uint64_t>(jobs, 1, std::numeric_limits<int>::max()));
}

std::optional<std::uint64_t> MemAvailableBytes(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  std::size_t at = 0;
  while (at < meminfo.size()) {
    const std::size_t end = std::min(meminfo.find('\n', at), meminfo.size());
    std::string_view line = meminfo.substr(at, end - at);
    at = end + 1;
    if (!line.starts_with(kKey)) continue;
    line.remove_prefix(kKey.size());
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    std::uint64_t kilobytes = 0;
    const auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), kilobytes);
    if (error != std::errc{} || std::string_view(rest, line.data() + line.size()) != " kB" ||
        kilobytes > std::numeric_limits<std::uint64_t>::max() / 1024) {
      return std::nullopt;
    }
    return kilobytes * 1024;
  }
  return std::nullopt;
}

int DefaultJobCount() {
  std::ifstream file("/proc/meminfo");
  const std::string meminfo((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  return DefaultJobCount(std::thread::hardware_concurrency(), MemAvailableBytes(meminfo));
}

}  // namespace vembrel
