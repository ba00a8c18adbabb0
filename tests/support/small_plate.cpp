#include "support/small_plate.h"

#include "support/layout_plate.h"

namespace vembrel::testing {

void WriteWellChannel(const std::string& folder, const std::string& prefix, const std::string& well,
                      bool green, const MosaicGrey& grey, int fieldMask) {
  for (int field = 0; field < 4; ++field) {
    if ((fieldMask & (1 << field)) == 0) continue;
    WriteLayoutField(folder, NativeNames(prefix), well, field, green ? 1 : 0, grey);
  }
}

std::string WriteSmallPlate(const std::string& folder, const std::string& prefix,
                            const std::vector<SmallPlateWell>& wells, int ringX, int ringY) {
  const auto onGrid = [](int v) { return v >= 40 && v < 1004 && (v - 40) % 60 < 4; };
  const MosaicGrey blue = [&](int c, int r) { return onGrid(c) && onGrid(r) ? 220 : 15; };
  const MosaicGrey green = [&](int c, int r) {
    if (onGrid(c) && onGrid(r)) return 200;
    return InDisc(c, r, ringX, ringY, 200) ? 20 : 90;
  };
  for (const SmallPlateWell& well : wells) {
    WriteWellChannel(folder, prefix, well.name, false, blue, well.blueFields);
    WriteWellChannel(folder, prefix, well.name, true, green, well.greenFields);
  }
  return folder + "/" + prefix + wells.front().name + "f00d0.tif";
}

}  // namespace vembrel::testing
