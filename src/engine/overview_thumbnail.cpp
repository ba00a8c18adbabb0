#include "engine/overview_thumbnail.h"

#include "imaging/mosaic.h"
#include "imaging/ring_fit.h"

namespace vembrel {

Picture OverviewThumbnail(const Plate& plate, int well, int radius, bool estimate) {
  if (well < 0 || well >= plate.format.wellCount() || plate.wells[well].state != 1) return {};
  // Each well loads its own fields: a missing one stays black rather than
  // showing the field of the well shown before it.
  std::vector<FieldPage> fields;
  const std::vector<FieldSource> sources = WellFieldSources(plate, well);
  for (std::size_t i = sources.size() / 2; i < sources.size(); ++i) {
    fields.push_back({sources[i].file, sources[i].page});
  }
  TiffFiles files;
  Picture mosaic = LoadChannelMosaic(fields, {}, files).mosaic;
  if (!estimate) return mosaic;
  const MosaicPoint centre = QuickRingEstimate(mosaic, radius).centre;
  DrawRingMask(mosaic, centre.x, centre.y, radius);
  return mosaic;
}

}  // namespace vembrel
