#pragma once
// Plates of real TIFF field pictures written from mosaic patterns.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "demo/demo_plate.h"
#include "support/pictures.h"

namespace vembrel::testing {

/// Writes folder/<prefix><well>f0<field>d<0|1>.tif (d1 for green) for every field
/// whose bit is set in fieldMask, each cut from its quadrant of the pattern.
void WriteWellChannel(const std::string& folder, const std::string& prefix, const std::string& well,
                      bool green, const MosaicGrey& grey, int fieldMask = 0xF);

struct SmallPlateWell {
  std::string name;      // "A01"
  int blueFields = 0xF;  // fields 0..3 with a "d0" picture
  int greenFields = 0xF;
};

/// A small plate for the desktop: every well shows a dark disc of radius 200
/// (the ring) at ringX, ringY in green, and 4 x 4 nuclei on a 60-pixel grid
/// inside and outside it. Returns the first well's field 0 blue picture name.
std::string WriteSmallPlate(const std::string& folder, const std::string& prefix,
                            const std::vector<SmallPlateWell>& wells, int ringX = 480,
                            int ringY = 540);

/// The first demo well of the seed that fits, -1 when none does.
inline int FindDemoWell(std::uint32_t seed, const std::function<bool(const DemoWell&)>& fits) {
  for (int well = 0; well < 96; ++well) {
    if (fits(DescribeDemoWell(seed, well))) return well;
  }
  return -1;
}

inline constexpr std::array<bool, 4> kAllFields{true, true, true, true};

}  // namespace vembrel::testing
