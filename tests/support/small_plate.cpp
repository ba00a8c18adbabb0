#include "support/small_plate.h"

#include <filesystem>

#include "imaging/picture.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

constexpr int kRingRadius = 200;

void Paint(Picture& picture, int c, int r, std::uint8_t value) {
  picture.at(c, r, kBlue) = value;
  picture.at(c, r, kGreen) = value;
  picture.at(c, r, kRed) = value;
}

// Green: bright background with a dark disc; blue: dark background. Both
// carry 4 x 4 nuclei on a grid, so nuclei lie inside and outside the ring.
void BuildMosaics(int ringX, int ringY, Picture& blue, Picture& green) {
  blue = Picture(kMosaicSize, kMosaicSize);
  green = Picture(kMosaicSize, kMosaicSize);
  for (int r = 0; r < kMosaicSize; ++r) {
    for (int c = 0; c < kMosaicSize; ++c) {
      const long long dx = c - ringX;
      const long long dy = r - ringY;
      const bool inRing = dx * dx + dy * dy < 1LL * kRingRadius * kRingRadius;
      Paint(green, c, r, inRing ? 20 : 90);
      Paint(blue, c, r, 15);
    }
  }
  for (int r = 40; r + 4 < kMosaicSize; r += 60) {
    for (int c = 40; c + 4 < kMosaicSize; c += 60) {
      for (int y = r; y < r + 4; ++y) {
        for (int x = c; x < c + 4; ++x) {
          Paint(green, x, y, 200);
          Paint(blue, x, y, 220);
        }
      }
    }
  }
}

Picture Field(const Picture& mosaic, int field) {
  const int column = (field == 1 || field == 2) ? kFieldSize : 0;
  const int row = field >= 2 ? kFieldSize : 0;
  Picture picture(kFieldSize, kFieldSize);
  for (int r = 0; r < kFieldSize; ++r) {
    for (int c = 0; c < kFieldSize; ++c) {
      for (int ch = 0; ch < 4; ++ch) picture.at(c, r, ch) = mosaic.at(column + c, row + r, ch);
    }
  }
  return picture;
}

}  // namespace

std::string WriteSmallPlate(const std::string& folder, const std::string& prefix,
                            const std::vector<SmallPlateWell>& wells, int ringX, int ringY) {
  std::filesystem::create_directories(folder);
  Picture blue;
  Picture green;
  BuildMosaics(ringX, ringY, blue, green);
  std::string first;
  for (const SmallPlateWell& well : wells) {
    for (int field = 0; field < 4; ++field) {
      const std::string base = folder + "/" + prefix + well.name + "f0" + std::to_string(field);
      if (well.blue[field]) {
        WriteGreyTiff(base + "d0.tif", Field(blue, field));
        if (first.empty()) first = base + "d0.tif";
      }
      if (well.green[field]) {
        WriteGreyTiff(base + "d1.tif", Field(green, field));
        if (first.empty()) first = base + "d1.tif";
      }
    }
  }
  return first;
}

}  // namespace vembrel::testing
