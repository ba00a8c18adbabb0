#pragma once
// Demo plates: realistic, deterministic (by seed) pictures of a whole plate's
// migration assay (96 wells unless another format is asked for), written as the microscope names
// them ("DEMO_A01f00d0.tif"). Green cell bodies with blue nuclei cover each well except a cell-free
// circular zone; a varying number of cells has migrated into the zone.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "plate/plate_format.h"

namespace vembrel {

inline constexpr const char* kDemoPrefix = "DEMO_";

struct DemoWell {
  int index = 0;
  int ringX = 512;  // cell-free zone centre in mosaic pixels, column from the left
  int ringY = 512;  // row from the bottom
  int zoneRadius = 340;
  int migratedCells = 0;             // cells placed inside the zone
  std::array<bool, 4> blueField{};   // field 0..3 has a "d0" picture
  std::array<bool, 4> greenField{};  // field 0..3 has a "d1" picture
};

/// What the generator puts into one well of a plate of the format for this
/// seed. Migration rises from the first column to the last.
DemoWell DescribeDemoWell(std::uint32_t seed, int well, const PlateFormat& format = {});

/// The four blue then the four green 512 x 512 fields of a well (field 0 lower
/// left, 1 lower right, 2 upper right, 3 upper left of the mosaic), as the
/// loader would return them from the files: blue = green = red = grey,
/// spare 255. A field without a picture is empty.
std::array<Picture, 8> MakeDemoWellFields(std::uint32_t seed, int well,
                                          const PlateFormat& format = {});

/// Writes the 8-bit greyscale TIFFs of the wells (all the plate's when wells
/// is empty) into folder, creating it when needed. Throws Error naming a file
/// that cannot be written.
void WriteDemoPlate(const std::string& folder, std::uint32_t seed,
                    const std::vector<int>& wells = {}, const PlateFormat& format = {});

}  // namespace vembrel
