#pragma once
// How much of the cell-free zone cells have covered: the share of the ring's
// pixels whose cell stain reaches the cell-level cut-off. A time course reads
// the zone's closure from it.
#include "imaging/picture.h"

namespace vembrel {

/// Percentage (0..100) of the pixels of the strict disc of `radius` around
/// (x, y) (rows counted from the bottom) whose cell-stain byte (green) is at
/// or above `cutoff`. Only pixels inside the picture count; 0 when the disc
/// holds none.
double ZoneCoverage(const Picture& cellMosaic, int x, int y, int radius, int cutoff);

}  // namespace vembrel
