#pragma once
// What of a file the kernel holds in memory, to test reading ahead.
#include <cstddef>
#include <string>
#include <vector>

namespace vembrel::testing {

/// Pages of the file in the page cache (0 for a file that cannot be mapped).
std::size_t ResidentPages(const std::string& path);

/// Pages of the file, resident or not.
std::size_t FilePages(const std::string& path);

/// Writes the file's pages out and asks the kernel to drop them; returns
/// whether it did (tmpfs, for one, keeps them).
bool DropFromPageCache(const std::string& path);

/// Waits up to ten seconds, in all, for every page of the files to be resident.
bool BecomeResident(const std::vector<std::string>& paths);

}  // namespace vembrel::testing
