#pragma once
// ScanNuclei: nuclei of the whole composite and the density profile of
// nuclei outside the ring by ring increments.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/mosaic_geometry.h"
#include "imaging/picture.h"

namespace vembrel {

class PixelMarks;

struct NucleusScanSettings {
  int lowerCutoffGreen = 20;  // (inclusive)
  int lowerCutoffBlue = 30;   // (inclusive)
  int minimalSize = 0;        // (strict)
  int maximalSize = 255;      // (strict)
  Ring ring;
  int ringIncrement = 50;
};

struct DensityProfile {
  int total = 0;                    // accepted nuclei ("Total Number of Nuclei:")
  std::int64_t stainPixels = 0;     // pixels of all nuclear-stain objects, of any size
  std::int64_t oversizePixels = 0;  // of those, pixels in objects of maximalSize or more
  int oversizeObjects = 0;          // objects of maximalSize or more
  std::vector<double> distances;    // of the accepted nuclei from the centre, in seed order
  int nbins = 0;                    // <= 0: no profile could be formed
  std::vector<std::int32_t> counts;
  std::vector<std::int32_t> areas;  // sample points of the 1025 x 1025 grid
  std::vector<double> densities;    // count / area, 0 where the area is 0
  int best = 0;                     // densest bin, lowest index on ties
  std::string maxText;              // "Max: <count> in <area> pixel", "" without profile
  int barWidth = 0;                 // Trunc(180 / nbins)
  std::vector<int> barHeights;      // per bin, 0..100
};

/// Sample points (x = 0 .. width, y = 0 .. height, both inclusive) per
/// density bin, counted per row with exact integer comparisons.
std::vector<std::int32_t> DensityAreas(int width, int height, const NucleusScanSettings& settings,
                                       int nbins);

/// Scans a copy of the composite (the picture itself is not changed).
DensityProfile ScanNuclei(const Picture& composite, const NucleusScanSettings& settings);

/// The same from marks of the composite's nucleus pixels made already at the
/// settings' cut-offs (MakeComposite's marks, sized by marks.Reset for the
/// composite). The scan takes the marks: they are all clear afterwards.
DensityProfile ScanNuclei(const Picture& composite, const NucleusScanSettings& settings,
                          PixelMarks& marks);

}  // namespace vembrel
