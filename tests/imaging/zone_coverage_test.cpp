#include "imaging/zone_coverage.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/pictures.h"

namespace vembrel::testing {
namespace {

// Pixels of the strict disc counted directly, for comparison.
double CoverageByHand(const Picture& picture, int x, int y, int radius, int cutoff) {
  long inside = 0, covered = 0;
  for (int r = 0; r < picture.height; ++r) {
    for (int c = 0; c < picture.width; ++c) {
      const long dx = c - x, dy = r - y;
      if (dx * dx + dy * dy >= long{radius} * radius) continue;
      ++inside;
      if (picture.at(c, r, kGreen) >= cutoff) ++covered;
    }
  }
  return inside == 0 ? 0 : 100.0 * covered / inside;
}

TEST(ZoneCoverage, ShareOfTheDiscAtOrAboveTheCutoff) {
  // The left half of the picture is covered (green 40), the right half bare.
  Picture cells(200, 120);
  for (int r = 0; r < cells.height; ++r) {
    for (int c = 0; c < 100; ++c) cells.at(c, r, kGreen) = 40;
  }
  // A disc centred on the boundary column is covered to the left of it: the
  // centre column x = 100 is bare, so a little under half.
  const double half = ZoneCoverage(cells, 100, 60, 30, 40);
  EXPECT_DOUBLE_EQ(half, CoverageByHand(cells, 100, 60, 30, 40));
  EXPECT_GT(half, 45);
  EXPECT_LT(half, 50);
  // The cut-off is inclusive: 40 counts at 40, not at 41.
  EXPECT_DOUBLE_EQ(ZoneCoverage(cells, 40, 60, 20, 41), 0);
  EXPECT_DOUBLE_EQ(ZoneCoverage(cells, 40, 60, 20, 40), 100);
  // Only the green byte is the cell stain.
  Picture blue(50, 50);
  for (int r = 0; r < 50; ++r) {
    for (int c = 0; c < 50; ++c) blue.at(c, r, kBlue) = blue.at(c, r, kRed) = 255;
  }
  EXPECT_DOUBLE_EQ(ZoneCoverage(blue, 25, 25, 10, 1), 0);
}

TEST(ZoneCoverage, DiscsCutByTheEdgeCountOnlyTheirPixelsInside) {
  Picture cells(100, 100);
  for (int r = 0; r < 50; ++r) {
    for (int c = 0; c < 100; ++c) cells.at(c, r, kGreen) = 200;  // bottom half covered
  }
  for (const auto& [x, y, radius] : {std::tuple{0, 0, 30}, std::tuple{99, 70, 45},
                                     std::tuple{50, 50, 1}, std::tuple{10, 99, 31}}) {
    EXPECT_DOUBLE_EQ(ZoneCoverage(cells, x, y, radius, 100),
                     CoverageByHand(cells, x, y, radius, 100))
        << x << "," << y << " r " << radius;
  }
  EXPECT_DOUBLE_EQ(ZoneCoverage(cells, 0, 0, 30, 100), 100);
  // Nothing of the disc inside the picture, or no disc at all.
  EXPECT_DOUBLE_EQ(ZoneCoverage(cells, 500, 500, 10, 100), 0);
  EXPECT_DOUBLE_EQ(ZoneCoverage(cells, 50, 20, 0, 100), 0);
}

}  // namespace
}  // namespace vembrel::testing
