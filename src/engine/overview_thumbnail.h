#pragma once
// The plate overview's picture of one well: the green mosaic, a missing
// field black, with the quick ring estimate marked as a red disc.
#include "engine/plate_results.h"
#include "imaging/picture.h"
#include "plate/plate.h"

namespace vembrel {

/// The full-size (1024 x 1024) thumbnail of a well; an empty picture for a
/// well that is not included. Red byte 255 strictly inside the disc of the
/// given radius around the estimated centre, 0 elsewhere; without the
/// estimate (for a well whose ring is known), the green mosaic alone.
Picture OverviewThumbnail(const Plate& plate, int well, int radius, bool estimate = true);

}  // namespace vembrel
