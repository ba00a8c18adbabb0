// Plate derivation from an arbitrary chosen file name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "plate/plate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::string path = vembrel::PlatePathOf(name);
  const std::string prefix = vembrel::PlatePrefixOf(name);
  const std::string results = vembrel::ResultsFolderOf(path);
  // The path is a leading part of the name, the results folder a leading part of the path.
  if (name.compare(0, path.size(), path) != 0) std::abort();
  if (path.compare(0, results.size(), results) != 0) std::abort();
  if (prefix.size() > name.size()) std::abort();
  return 0;
}
