#include "engine_fixture.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "constructed_well.h"
#include "imaging/mosaic.h"
#include "plate/well_names.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {

void WriteFieldTiff(const std::string& path, int width, int height,
                    const std::function<int(int x, int yTop)>& grey) {
  std::vector<std::uint16_t> values;
  values.reserve(std::size_t(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) values.push_back(static_cast<std::uint16_t>(grey(x, y)));
  }
  WriteGreyTiff(path, width, height, values);
}

PlateFixture::PlateFixture() {
  std::filesystem::create_directories(dir.file("plate"));
}

void PlateFixture::writeChannel(const std::string& well, bool green, const MosaicGrey& grey,
                                int fieldMask) {
  for (int field = 0; field < 4; ++field) {
    if ((fieldMask & (1 << field)) == 0) continue;
    const std::string path =
        plateFolder() + "T_" + well + "f0" + std::to_string(field) + (green ? "d1.tif" : "d0.tif");
    WriteFieldTiff(path, kFieldSize, kFieldSize, [&](int x, int yTop) {
      return grey(QuadrantColumn(field) + x, QuadrantRow(field) + kFieldSize - 1 - yTop);
    });
  }
}

WellWindow& PlateFixture::open(const std::string& well) {
  if (!workspace.plate().open) workspace.FileOpen(anyPicture());
  workspace.selectphoto(WellIndex(well), MouseButton::Left);
  WellWindow* window = workspace.findWindow(well);
  if (window == nullptr) throw std::runtime_error("well " + well + " did not open");
  return *window;
}

int RingGreen(int column, int row) {
  if (NucleiBlue(column, row) != 0) return 200;
  const int dx = column - kRingX, dy = row - kRingY;
  return dx * dx + dy * dy < kRing * kRing ? 20 : 200;
}

int NucleiBlue(int column, int row) {
  for (const Block& b : kBlocks) {
    if (column >= b.x && column < b.x + b.w && row >= b.y && row < b.y + b.h) return 200;
  }
  return 0;
}

}  // namespace vembrel::testing
