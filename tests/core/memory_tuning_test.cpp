#include "core/memory_tuning.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

TEST(DefaultJobCount, OnePerCoreWhileTheAvailableMemoryHoldsThemAndAtLeastOne) {
  // Memory to spare: the cores decide.
  EXPECT_EQ(DefaultJobCount(8, 64 * 1024 * kMiB), 8);
  // Exactly three jobs' memory, and one byte short of it.
  EXPECT_EQ(DefaultJobCount(8, 3 * kMemoryPerJob), 3);
  EXPECT_EQ(DefaultJobCount(8, 3 * kMemoryPerJob - 1), 2);
  // Less than one job's memory, or none: still one job.
  EXPECT_EQ(DefaultJobCount(8, kMemoryPerJob - 1), 1);
  EXPECT_EQ(DefaultJobCount(8, 0), 1);
  // Unknown memory leaves the cores; unknown cores count as one.
  EXPECT_EQ(DefaultJobCount(6, std::nullopt), 6);
  EXPECT_EQ(DefaultJobCount(0, 64 * 1024 * kMiB), 1);
}

TEST(MemAvailableBytes, ReadsTheKilobytesOfItsLineOnly) {
  const char* meminfo =
      "MemTotal:       24576000 kB\n"
      "MemFree:          100000 kB\n"
      "MemAvailable:   18738412 kB\n"
      "Buffers:            2048 kB\n";
  EXPECT_EQ(MemAvailableBytes(meminfo), std::uint64_t{18738412} * 1024);
  EXPECT_EQ(MemAvailableBytes("MemAvailable: 7 kB"), 7 * 1024);
  EXPECT_EQ(MemAvailableBytes("MemTotal: 24576000 kB\nMemFree: 100000 kB\n"), std::nullopt);
  EXPECT_EQ(MemAvailableBytes("MemAvailable: lots kB\n"), std::nullopt);
  EXPECT_EQ(MemAvailableBytes("MemAvailable: 12 MB\n"), std::nullopt);
  EXPECT_EQ(MemAvailableBytes("MemAvailable: 99999999999999999999999 kB\n"), std::nullopt);
  EXPECT_EQ(MemAvailableBytes("MemAvailable: 18014398509481984 kB\n"), std::nullopt);  // 2^64 bytes
}

}  // namespace
}  // namespace vembrel
