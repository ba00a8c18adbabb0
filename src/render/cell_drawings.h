#pragma once
// The pictures of the cell level: outlines and long axes on the ring crop,
// the class thumbnail gallery, the pie chart and the orientation histogram.
#include <vector>

#include "imaging/cell_shape.h"
#include "render/canvas.h"

namespace vembrel {

inline constexpr int kGalleryWidth = 240;
inline constexpr int kSlotSize = 60;
inline constexpr int kPieChartSize = 240;
inline constexpr int kHistogramWidth = 180;
inline constexpr int kHistogramHeight = 105;

/// Drawing colour of a class: blue, red, yellow, bright green.
Rgb ClassColour(CellClass c);

/// The 2R x 2R square of a mosaic-sized picture around the ring centre;
/// parts outside the picture stay black.
Picture CopyRingCrop(const Picture& picture, const Ring& ring);

/// Outline points in white on the ring crop.
void DrawOutline(Picture& crop, const CellMeasurement& m, const Ring& ring);
/// The long axis in the class colour, each end pushed out by half the chord's extents.
void DrawLongAxis(Picture& crop, const CellMeasurement& m, CellClass c, const Ring& ring);

/// One column of 60 x 60 slots per class; cell pixels in their colour of the
/// result picture, the size right-aligned. Height 60 x the largest class count.
Picture DrawThumbnailGallery(const ShapeAnalysis& analysis, const CellList& cells,
                             const Picture& resultPicture);

/// Pie chart of the class counts with legend and counts, on the button face.
Picture DrawPieChart(const ShapeStatistics& s);

/// Orientation histogram, tallest bar 100 pixels; blank without counted bins.
Picture DrawHistogram(const ShapeStatistics& s);

}  // namespace vembrel
