#pragma once
// Asks the kernel to start reading files the program will read soon, so that
// a disk or a network share works while the processor analyses what it has.
#include <string>
#include <vector>

namespace vembrel {

/// Starts reading each file into the page cache in the background and
/// returns at once. Only a hint: files that cannot be opened are passed over,
/// and their reader meets the problem itself.
void ReadAhead(const std::vector<std::string>& files);

}  // namespace vembrel
