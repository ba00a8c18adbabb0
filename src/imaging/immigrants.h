#pragma once
// The ring cut and counting step of the analysis pass: immigrant nuclei inside the ring.
#include <cstdint>
#include <vector>

#include "imaging/mosaic_geometry.h"
#include "imaging/picture.h"

namespace vembrel {

struct ImmigrantSettings {
  int lowerCutoffGreen = 20;
  int lowerCutoffBlue = 30;
  int minimalSize = 0;    // (strict)
  int maximalSize = 255;  // (strict)
  Ring ring;
};

/// One accepted nucleus inside the ring.
struct ImmigrantNucleus {
  int x = 0;              // column of its first pixel in scan order
  int y = 0;              // row of that pixel, counted from the bottom
  std::int64_t size = 0;  // pixels
  double distance = 0;    // from the ring's centre to that pixel
};

struct ImmigrantCounts {
  std::int64_t nuclei = 0;              // n, "Number of nuclei:"
  std::int64_t pixels = 0;              // P, "Number of pixels:"
  std::int64_t acceptedArea = 0;        // A
  double distanceSum = 0.0;             // D
  std::int64_t calculatedNuclei = 0;    // "Number of calculated nuclei:"
  std::int64_t averageDistance = 0;     // "Average distance:"
  std::int64_t averageNucleusSize = 0;  // Trunc(A / n + 0.5), 0 when n = 0
  std::vector<double> seeds;  // red-byte buffer positions of the accepted nuclei's first pixels
  std::vector<ImmigrantNucleus> accepted;  // the same nuclei, measured
  /// Objects in the ring rejected for their size (distance left 0), in scan order.
  std::vector<ImmigrantNucleus> rejected;
};

/// Steps 2 to 5 of the pass: cuts the composite to the ring (the pixels of
/// the settings' ring disc, as DrawRingMask paints them), marks, fills and
/// counts. On return result holds the result picture (black outside the
/// ring, accepted nuclei pure red, rejected ones black); it may be the
/// composite itself.
ImmigrantCounts CountImmigrants(const Picture& composite, const ImmigrantSettings& settings,
                                Picture& result);

/// CountImmigrants, writing only the ring crop (RingCrop) of the result
/// picture; composite pixels outside that square are not read. The same
/// counts as long as no composite red byte outside the ring is 255, as in
/// every composite MakeComposite builds.
ImmigrantCounts CountImmigrantsInRingCrop(const Picture& composite,
                                          const ImmigrantSettings& settings, Picture& crop);

/// Square crop of 2R x 2R around the ring centre (top-left corner at
/// (x - R, H - y - R) in top-down coordinates); parts outside the picture are black.
Picture RingCrop(const Picture& picture, int ringX, int ringY, int radius);

}  // namespace vembrel
