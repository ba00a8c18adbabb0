#pragma once
// The ring: the darkest disc of given radius in the green mosaic.
#include <cstdint>

#include "imaging/mosaic_geometry.h"
#include "imaging/picture.h"

namespace vembrel {

struct RingSearchResult {
  MosaicPoint centre{512, 512};
  int trials = 0;  // disc sums evaluated after the start point
};

/// The ring fit: a compass search from (512, 512) with steps 128 .. 1 over the grey
/// values (blue bytes) of the green mosaic; strict improvements only, limits
/// W - R and R per direction.
RingSearchResult FitRing(const Picture& greenMosaic, int radius);
/// The same over the green mosaic's grey plane.
RingSearchResult FitRing(const GreyPlane& greenGrey, int radius);

/// Sum of the grey values strictly inside the disc (x, y, radius).
std::int64_t DiscSum(const Picture& greenMosaic, int x, int y, int radius);

/// The ring's overlay: red byte 255 inside the disc, 0 outside.
void DrawRingMask(Picture& greenMosaic, int x, int y, int radius);

/// The overview's quick estimate: the same compass search, but the start
/// point is not evaluated and the best sum starts at radius^2 x 1020.
RingSearchResult QuickRingEstimate(const Picture& greenMosaic, int radius);

}  // namespace vembrel
