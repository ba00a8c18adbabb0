#include "engine/overview_thumbnail.h"

#include "imaging/mosaic.h"
#include "imaging/ring_fit.h"

namespace vembrel {

Picture OverviewThumbnail(const Plate& plate, int well, int radius, bool estimate) {
  if (well < 0 || well >= plate.format.wellCount() || plate.wells[well].state != 1) return {};
  // Each well loads its own fields: a missing one stays black rather than
  // showing the field of the well shown before it.
  Picture mosaic = LoadChannelMosaic(ChannelFieldFiles(plate, well, true)).mosaic;
  if (!estimate) return mosaic;
  const RingSearchResult centre = QuickRingEstimate(mosaic, radius);
  DrawRingMask(mosaic, centre.x, centre.y, radius);
  return mosaic;
}

}  // namespace vembrel
