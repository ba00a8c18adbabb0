#pragma once
// Process-wide allocator settings for the analysis, and how many wells a
// batch analyses at once by default.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vembrel {

/// Keeps the 4 MB picture buffers of a well in the heap once freed, so the
/// next well (or the next slider move) reuses them instead of asking the
/// kernel for fresh zeroed pages every time. Call once at start-up, before
/// any thread is started; harmless to call again.
void KeepPictureBuffersMapped();

/// Memory set aside for each job of a batch (a thread analysing one well at a
/// time): a job keeps about 40 MB at nucleus level and 50 MB at cell level on
/// 1024 x 1024 mosaics, and more while it reduces large fields.
inline constexpr std::uint64_t kMemoryPerJob = std::uint64_t{128} << 20;

/// The default number of jobs: one per core, but no more than the available
/// memory holds at kMemoryPerJob each, and at least one. Unknown cores (0)
/// count as one; unknown available memory leaves the cores' number.
int DefaultJobCount(unsigned cores, std::optional<std::uint64_t> availableBytes);

/// The "MemAvailable:" line of a /proc/meminfo text, in bytes; nothing when
/// the text has no such line (older kernels) or it cannot be read.
std::optional<std::uint64_t> MemAvailableBytes(std::string_view meminfo);

/// DefaultJobCount of this machine: its cores and its /proc/meminfo.
int DefaultJobCount();

}  // namespace vembrel
