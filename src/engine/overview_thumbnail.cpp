#include "engine/overview_thumbnail.h"

#include <cstring>

#include "imaging/ring_fit.h"
#include "imaging/tiff_loader.h"

namespace vembrel {
namespace {

// Field 0 lower left, 1 lower right, 2 upper right, 3 upper left; rows count
// from the bottom.
constexpr int kFieldColumn[4] = {0, kFieldSize, kFieldSize, 0};
constexpr int kFieldRow[4] = {0, 0, kFieldSize, kFieldSize};

}  // namespace

Picture OverviewThumbnail(const Plate& plate, int well, int radius) {
  if (well < 0 || well >= 96 || plate.wells[well].WellState != 1) return {};
  // A missing or unusable field stays black rather than showing another well.
  Picture mosaic(kMosaicSize, kMosaicSize);
  for (int field = 0; field < 4; ++field) {
    const Picture picture =
        LoadFieldForMosaic(FieldFileName(plate.PlateBase, well, field, true), nullptr);
    if (picture.empty()) continue;
    for (int row = 0; row < kFieldSize; ++row) {
      std::memcpy(&mosaic.at(kFieldColumn[field], kFieldRow[field] + row, kBlue),
                  &picture.at(0, row, kBlue), std::size_t{kFieldSize} * 4);
    }
  }
  const RingSearchResult centre = QuickRingEstimate(mosaic, radius);
  DrawRingMask(mosaic, centre.x, centre.y, radius);
  return mosaic;
}

}  // namespace vembrel
