#include "imaging/mosaic.h"

#include <cstring>

#include "imaging/tiff_loader.h"

namespace vembrel {

Picture AssembleMosaic(const WellFields& fields) {
  Picture mosaic(kMosaicSize, kMosaicSize);
  constexpr std::size_t kFieldRowBytes = std::size_t{kFieldSize} * 4;
  for (int field = 0; field < 4; ++field) {
    const Picture& source = fields[field];
    if (source.width != kFieldSize || source.height != kFieldSize ||
        source.bytes.size() != kFieldRowBytes * kFieldSize) {
      continue;  // stays black
    }
    const int column = QuadrantColumn(field);
    const int row = QuadrantRow(field);
    for (int r = 0; r < kFieldSize; ++r) {
      std::memcpy(mosaic.bytes.data() + mosaic.offset(column, row + r),
                  source.bytes.data() + source.offset(0, r), kFieldRowBytes);
    }
  }
  return mosaic;
}

Picture LoadChannelMosaic(const std::array<std::string, 4>& fieldFiles,
                          std::vector<std::string>* problems) {
  Picture mosaic = Picture::Uninitialised(kMosaicSize, kMosaicSize);
  for (int field = 0; field < 4; ++field) {
    const int column = QuadrantColumn(field);
    const int row = QuadrantRow(field);
    std::string problem;
    if (LoadFieldInto(fieldFiles[field], mosaic, column, row, &problem)) continue;
    if (problems != nullptr) problems->push_back(std::move(problem));
    for (int r = 0; r < kFieldSize; ++r) {
      std::memset(mosaic.bytes.data() + mosaic.offset(column, row + r), 0,
                  std::size_t{kFieldSize} * 4);
    }
  }
  return mosaic;
}

}  // namespace vembrel
