#pragma once
// Helpers shared by the fuzz targets.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vembrel::fuzz {

/// Writes the input to a file private to this process and returns its name;
/// the loaders under test take file names.
std::string WriteInputFile(const std::uint8_t* data, std::size_t size, const char* suffix);

}  // namespace vembrel::fuzz
