#pragma once
// The cell-free zone's size as well as its centre: the ring fit over a range
// of radii, each candidate scored by how clearly its disc stands out.
#include "imaging/picture.h"

namespace vembrel {

struct ZoneFit {
  int x = 512;  // centre column
  int y = 512;  // centre row counted from the bottom
  int radius = 0;
  double contrast = 0;  // mean grey of the band just outside minus mean grey inside
};

/// Width of the band outside a candidate disc that its contrast is measured against.
inline constexpr int kZoneBand = 20;

/// For each radius of minRadius..maxRadius, every second one and then the
/// neighbours of the best, the darkest disc of that radius (as FitRing finds
/// it) scored by its contrast: the mean grey of the band of kZoneBand pixels
/// just outside it minus the mean grey inside it. The zone's own disc scores
/// best: a smaller disc has dark zone pixels in its band, a larger one takes
/// bright cells in. Ties go to the smaller radius. Grey values are the blue
/// bytes of the green mosaic; 1 <= minRadius <= maxRadius.
ZoneFit FitZone(const Picture& greenMosaic, int minRadius, int maxRadius);

/// The contrast of one disc (0 when the disc or its band has no pixel in the picture).
double ZoneContrast(const Picture& greenMosaic, int x, int y, int radius);

}  // namespace vembrel
