#include "imaging/mosaic.h"

#include <algorithm>
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

std::vector<FieldProblem> ChannelMosaic::problems() const {
  std::vector<FieldProblem> found;
  for (const FieldLoad& field : fields) {
    if (field.problem) found.push_back(*field.problem);
  }
  return found;
}

int ChannelMosaic::reducedFrom() const {
  int side = 0;
  for (const FieldLoad& field : fields) {
    if (field.reduced()) side = std::max(side, field.side);
  }
  return side;
}

ChannelMosaic LoadChannelMosaic(const std::array<std::string, 4>& fieldFiles,
                                const FieldLoadOptions& options) {
  ChannelMosaic loaded;
  Picture& mosaic = loaded.mosaic;
  mosaic = Picture::Uninitialised(kMosaicSize, kMosaicSize);
  for (int field = 0; field < 4; ++field) {
    const int column = QuadrantColumn(field);
    const int row = QuadrantRow(field);
    FieldLoad& load = loaded.fields[field];
    load = LoadField(fieldFiles[field], mosaic, column, row, options);
    if (!load.problem || !load.problem->leftBlack()) continue;
    for (int r = 0; r < kFieldSize; ++r) {
      std::memset(mosaic.bytes.data() + mosaic.offset(column, row + r), 0,
                  std::size_t{kFieldSize} * 4);
    }
  }
  return loaded;
}

}  // namespace vembrel
