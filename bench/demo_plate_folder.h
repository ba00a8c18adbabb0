#pragma once
// The demo plate written into a temporary folder for a benchmark program's
// lifetime, removed with it.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "demo/demo_plate.h"

namespace vembrel::bench {

struct DemoPlateFolder {
  std::filesystem::path root;
  std::string picture;  // the first field's file, to open the plate by
  DemoPlateFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vembrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    std::filesystem::create_directories(root / "pictures");
    WriteDemoPlate((root / "pictures").string(), 1);
    picture = (root / "pictures" / "DEMO_A01f00d0.tif").string();
  }
  ~DemoPlateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  DemoPlateFolder(const DemoPlateFolder&) = delete;
  DemoPlateFolder& operator=(const DemoPlateFolder&) = delete;
};

}  // namespace vembrel::bench
