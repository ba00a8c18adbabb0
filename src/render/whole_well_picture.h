#pragma once
// The whole-well picture: the composite of a well with the ring drawn as an
// outline, the nuclei counted in it and the objects rejected for their size
// marked, a scale bar when the pixel size is known, and the well's name and
// key numbers, for showing what was counted.
#include <optional>
#include <string>
#include <vector>

#include "imaging/mosaic_geometry.h"
#include "imaging/picture.h"
#include "render/canvas.h"

namespace vembrel {

struct WholeWellMarks {
  Ring ring;
  std::vector<MosaicPoint> counted;   // first pixel of each immigrant nucleus counted
  std::vector<MosaicPoint> rejected;  // first pixel of each object rejected for its size
  std::optional<double> pixelSize;    // micrometres per pixel: a scale bar
  std::vector<std::string> lines;     // the well's name first, then its numbers (UTF-8)
};

/// Colours of the marks.
inline constexpr Rgb kRingOutline{255, 255, 0};
inline constexpr Rgb kCountedMark{255, 0, 0};
inline constexpr Rgb kRejectedMark{255, 0, 255};
/// Pixels within this distance of the ring's circle are its outline.
inline constexpr double kOutlineHalfWidth = 1.5;
/// Radius of the circle drawn around a nucleus' first pixel.
inline constexpr int kMarkRadius = 8;

/// The longest of 1, 2, 5 times a power of ten micrometres that is at most a
/// fifth of the picture's side; its length in pixels is rounded.
struct ScaleBar {
  double micrometres = 0;
  int pixels = 0;
};
ScaleBar ScaleBarFor(double pixelSize, int side);

/// The picture: the composite (left as it is where nothing is drawn), the
/// ring's outline, a circle of kMarkRadius around every counted nucleus'
/// first pixel and around every rejected object's, the scale bar at the
/// lower left, and the lines at the upper left on a dark box, the first
/// twice as large. "µ" is drawn as such; other text is ASCII.
Picture WholeWellPicture(const Picture& composite, const WholeWellMarks& marks);

/// How many times smaller than the mosaic the batch's overview is, across and
/// down: a 1024 x 1024 mosaic gives 512 x 512, twice the size the report
/// shows it at, and a quarter of the JPEG encoding.
inline constexpr int kOverviewReduction = 2;
/// The overview the batch writes per well: the composite reduced
/// kOverviewReduction times (each pixel the rounded mean of its block), with
/// the marks drawn at the reduced scale. Circles, outline, text and scale bar
/// keep their sizes in the overview's own pixels.
Picture WholeWellOverview(const Picture& composite, const WholeWellMarks& marks);
/// The same from the composite already reduced kOverviewReduction times.
Picture WholeWellOverviewOfReduced(Picture reduced, const WholeWellMarks& marks);

}  // namespace vembrel
