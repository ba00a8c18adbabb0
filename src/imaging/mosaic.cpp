#include "imaging/mosaic.h"

#include <cstring>

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

}  // namespace vembrel
