#pragma once
// The cell-free zone: where it lies and how large it is, found in the cell
// stain without knowing its radius, and whether a well has one at all.
#include <array>

#include "imaging/picture.h"

namespace vembrel {

/// Cell-stain quarters left black (a missing field), in field order: lower
/// left, lower right, upper right, upper left. Their pixels say nothing about
/// cells and are left out of every measure below.
using BlackQuarters = std::array<bool, 4>;

/// Whether the cell stain shows a clearly cell-free disc.
struct ZoneAssessment {
  bool judged = false;  // false: no usable cell-stain pixel (all black or flat)
  bool clear = false;   // a large, nearly cell-free disc in a cell-covered well
  int threshold = 0;    // grey above which a pixel counts as covered by a cell
  // The largest disc whose surroundings are sparse in cells (block accuracy).
  int x = 512, y = 512, radius = 0;
  double insideCover = 0;   // share of that disc's pixels covered by cells
  double typicalCover = 0;  // the covered share of the well's denser parts
};

/// The smallest radius of a disc that counts as a cell-free zone.
inline constexpr int kSmallestZone = 80;

struct ZoneFit {
  int x = 512;  // centre column
  int y = 512;  // centre row counted from the bottom
  int radius = 0;
  double contrast = 0;  // mean grey of the band just outside minus mean grey inside
  double edgeStep = 0;  // covered share just outside the edge minus just inside
  ZoneAssessment zone;  // the well's assessment (the same as AssessZone's)
};

/// Width of the band outside a disc that its grey contrast is measured against.
inline constexpr int kZoneBand = 20;

/// The largest accepted radius range end of a zone fit request.
inline constexpr int kLargestFitRadius = 2048;

/// Finds the zone's centre and radius (minRadius <= radius <= maxRadius;
/// 1 <= minRadius <= maxRadius, ends above the mosaic's half diagonal act as
/// that). The cell stain (blue bytes of the green mosaic) is cut at the
/// threshold between background and cells (Otsu's rule over its histogram);
/// the share of covered pixels in 4 x 4 blocks gives a density map whose
/// largest sparse disc (a distance transform) is a first guess. The centre
/// is where the radial profile of the covered share around it steps up most
/// sharply (covered share in a band outside a radius minus that in a band
/// inside, maximal over the radii): first with 64 px bands, scanned on a grid
/// around the middle and climbed from the best grid points and the first
/// guess, then with 24 px bands near the radius found. The radius is where
/// that profile, at pixel resolution, reaches 30 % of the way from the
/// zone's inner share to its surroundings' share, taken inwards from the
/// sharpest step: the inner edge of the cell layer, so the ring holds the
/// zone and not the nuclei of its rim. See docs/ARCHITECTURE.md.
ZoneFit FitZone(const Picture& greenMosaic, int minRadius, int maxRadius,
                const BlackQuarters& blackQuarters = {});
/// The same from the green mosaic's grey plane.
ZoneFit FitZone(const GreyPlane& greenGrey, int minRadius, int maxRadius,
                const BlackQuarters& blackQuarters = {});

/// The assessment alone, without the fit (a few milliseconds). A zone is
/// clear when the largest sparse disc has a radius of at least kSmallestZone
/// and its covered share is at most half the well's typical (75th percentile
/// of the density map) and at least 0.15 below it.
/// With grey, the mosaic's grey plane is also written there: the mosaic is
/// read once for both.
ZoneAssessment AssessZone(const Picture& greenMosaic, const BlackQuarters& blackQuarters = {},
                          GreyPlane* grey = nullptr);
/// The same from the green mosaic's grey plane, read as it is.
ZoneAssessment AssessZone(const GreyPlane& greenGrey, const BlackQuarters& blackQuarters = {});

/// The grey contrast of one disc (0 when the disc or its band has no pixel in the picture).
double ZoneContrast(const Picture& greenMosaic, int x, int y, int radius);

}  // namespace vembrel
