// Fitting the cell-free zone's size: wells whose zone has another size than
// the settings' radius, on a textured, noisy cell layer.
#include "imaging/zone_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "imaging/ring_fit.h"
#include "support/pictures.h"

namespace vembrel::testing {
namespace {

// A cell layer of bright blobs on a mid-grey background, noise everywhere,
// and a darker cell-free disc (with a few stray cells) at (x, y).
Picture Well(unsigned seed, int x, int y, int radius) {
  std::mt19937 random(seed);
  Picture green = GreyPicture(kMosaicSize, kMosaicSize, 90);
  std::uniform_int_distribution<int> anywhere(0, kMosaicSize - 1), size(4, 12);
  for (int blob = 0; blob < 2500; ++blob) {
    const int cx = anywhere(random), cy = anywhere(random);
    const bool inZone = InDisc(cx, cy, x, y, radius);
    if (inZone && random() % 10 != 0) continue;  // a few cells have migrated in
    const int r = size(random);
    const auto value = static_cast<std::uint8_t>(150 + random() % 80);
    for (int row = std::max(0, cy - r); row <= std::min(kMosaicSize - 1, cy + r); ++row) {
      for (int c = std::max(0, cx - r); c <= std::min(kMosaicSize - 1, cx + r); ++c) {
        if (InDisc(c, row, cx, cy, r)) green.at(c, row, kBlue) = value;
      }
    }
  }
  std::normal_distribution<double> noise(0, 12);
  for (int r = 0; r < kMosaicSize; ++r) {
    for (int c = 0; c < kMosaicSize; ++c) {
      const int base = InDisc(c, r, x, y, radius) ? 25 : green.at(c, r, kBlue);
      const auto value = static_cast<std::uint8_t>(std::clamp(base + int(noise(random)), 0, 255));
      green.at(c, r, kBlue) = green.at(c, r, kGreen) = green.at(c, r, kRed) = value;
    }
  }
  return green;
}

TEST(ZoneFit, FindsTheZonesRadiusAndCentreWhereTheFixedRadiusMissesThem) {
  struct Zone {
    int x, y, radius;
  };
  const Zone zones[] = {{512, 512, 300}, {470, 560, 300}, {560, 480, 260}, {520, 500, 340}};
  unsigned seed = 1;
  for (const Zone& zone : zones) {
    SCOPED_TRACE(::testing::Message() << zone.x << "," << zone.y << " r " << zone.radius);
    const Picture green = Well(seed++, zone.x, zone.y, zone.radius);
    const ZoneFit fit = FitZone(green, 150, 450);
    EXPECT_NEAR(fit.radius, zone.radius, 20);
    if (zone.radius == 260) {
      const RingSearchResult fixed = FitRing(green, 350);  // the default radius misses it
      EXPECT_GT(std::hypot(fixed.x - zone.x, fixed.y - zone.y), 25.0);
    }
    EXPECT_LE(std::hypot(fit.x - zone.x, fit.y - zone.y), 25.0);
    EXPECT_GT(fit.contrast, 50.0);
    EXPECT_EQ(fit.contrast, ZoneContrast(green, fit.x, fit.y, fit.radius));
    // The centre is the fixed fit's for the radius found.
    const RingSearchResult centre = FitRing(green, fit.radius);
    EXPECT_EQ(fit.x, centre.x);
    EXPECT_EQ(fit.y, centre.y);
  }
}

TEST(ZoneFit, ContrastOfAFlatPictureIsZeroAndTiesGoToTheSmallerRadius) {
  const Picture flat = GreyPicture(kMosaicSize, kMosaicSize, 100);
  EXPECT_EQ(ZoneContrast(flat, 512, 512, 300), 0.0);
  EXPECT_EQ(FitZone(flat, 200, 210).radius, 200);
  EXPECT_EQ(ZoneContrast(flat, 5000, 5000, 10), 0.0);  // no pixel of the disc in the picture
}

}  // namespace
}  // namespace vembrel::testing
