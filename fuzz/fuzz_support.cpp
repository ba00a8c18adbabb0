#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace vembrel::fuzz {

std::string WriteInputFile(const std::uint8_t* data, std::size_t size, const char* suffix) {
  const std::string name = (std::filesystem::temp_directory_path() /
                            ("vembrel-fuzz-" + std::to_string(getpid()) + suffix))
                               .string();
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) return name;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  return name;
}

}  // namespace vembrel::fuzz
