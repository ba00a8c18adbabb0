#include "imaging/cell_shape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace vembrel {
namespace {

CellRecord CellAt(const std::vector<std::pair<int, int>>& xy) {
  CellRecord cell;
  for (const auto& [x, y] : xy) cell.pixels.push_back({x, y, 0, 0, 0, 100});
  cell.pixels[0].value = 255;
  cell.nucleusSize = 1;
  return cell;
}

TEST(MeasureCell, SinglePixelOutlineDirectionsAndDiagonalChord) {
  CellRecord cell = CellAt({{40, 70}});
  const CellMeasurement m = MeasureCell(cell);
  EXPECT_EQ(m.width, 1);
  EXPECT_EQ(m.height, 1);
  ASSERT_EQ(m.circumference(), 8);
  // Column by column, row by row: the centre cell (1, 1) is skipped.
  const int expected[8][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}, {2, 2}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(m.outline[i].column, expected[i][0]);
    EXPECT_EQ(m.outline[i].row, expected[i][1]);
  }
  // In the centroid's column the direction is pi/2, above and below alike.
  EXPECT_EQ(m.outline[3].direction, std::numbers::pi / 2);
  EXPECT_EQ(m.outline[4].direction, std::numbers::pi / 2);
  EXPECT_EQ(m.outline[6].direction, 0.0);
  EXPECT_EQ(m.outline[0].radius, std::sqrt(2.0));
  // The first diagonal found wins; later equal lengths do not replace it.
  EXPECT_EQ(m.chord.column1, 0);
  EXPECT_EQ(m.chord.row1, 0);
  EXPECT_EQ(m.chord.column2, 2);
  EXPECT_EQ(m.chord.row2, 2);
  EXPECT_EQ(m.chord.length, std::sqrt(8.0));
  EXPECT_DOUBLE_EQ(m.ratio, 8.0);
  EXPECT_GE(m.correlation, 0.0);
  EXPECT_LE(m.correlation, 1.0);
}

TEST(MeasureCell, HorizontalLineCellBoxAndCentroid) {
  CellRecord cell = CellAt({{12, 30}, {10, 30}, {11, 30}, {13, 30}, {14, 30}});
  const CellMeasurement m = MeasureCell(cell);
  EXPECT_EQ(m.minX, 10);
  EXPECT_EQ(m.minY, 30);
  EXPECT_EQ(m.width, 5);
  EXPECT_EQ(m.height, 1);
  EXPECT_EQ(m.centroidX, 2.0);
  EXPECT_EQ(m.centroidY, 0.0);
  EXPECT_EQ(cell.pixels[0].boxX, 2);
  EXPECT_EQ(m.circumference(), 7 * 3 - 5);
  // The walk from the outline point level with the centroid runs along the
  // row to the opposite end; the corner diagonals reach farther.
  EXPECT_GE(m.chord.length, 6.0);
  EXPECT_EQ(m.ratio, m.chord.length * m.chord.length / 5);
}

TEST(LongestChord, TiesTakeTheStraightStepBeforeTheDiagonal) {
  // From (4, 2) through (2, 1): the line y = x / 2 lies midway between the
  // candidates at (3, 2) and (3, 1), so the walk goes (3, 2), (2, 1), (1, 1), (0, 0).
  const Chord chord = LongestChord({4, 1, 1}, {2, 1, 0}, 2.0, 1.0, 4, 3);
  EXPECT_EQ(chord.column1, 4);
  EXPECT_EQ(chord.row1, 2);
  EXPECT_EQ(chord.column2, 1);
  EXPECT_EQ(chord.row2, 1);
  EXPECT_EQ(chord.length, std::sqrt(10.0));

  // A point on the centroid itself walks nowhere.
  EXPECT_EQ(LongestChord({2}, {1}, 2.0, 1.0, 4, 3).length, 0.0);
}

// The chord as the plain walk finds it: every outline point walks through the
// centroid to the grid edge, and every outline point met that lies strictly
// farther than the chord so far replaces it.
Chord WalkEveryPoint(const std::vector<int>& columns, const std::vector<int>& rows, double p,
                     double q, int lastColumn, int lastRow) {
  Chord chord;
  std::set<std::pair<int, int>> outline;
  for (std::size_t k = 0; k < columns.size(); ++k) outline.emplace(columns[k], rows[k]);
  const auto onOutline = [&](int x, int y) { return outline.count({x, y}) > 0; };
  for (std::size_t k = 0; k < columns.size(); ++k) {
    const int a = columns[k], b = rows[k];
    int x = a, y = b;
    const auto visit = [&] {
      const double d = std::sqrt(double(a - x) * (a - x) + double(b - y) * (b - y));
      if (onOutline(x, y) && d > chord.length) chord = {a, x, b, y, d};
    };
    const int sx = a > p ? -1 : 1, sy = b > q ? -1 : 1;
    const double m = (b - q) / (a - p), c = q - m * p, norm = std::sqrt(m * m + 1);
    const auto off = [&](int u, int v) { return std::fabs(v - m * u - c) / norm; };
    const auto inX = [&] { return sx < 0 ? x > 0 : x < lastColumn; };
    const auto inY = [&] { return sy < 0 ? y > 0 : y < lastRow; };
    if (a == p) {
      while (b != q && inY()) y += sy, visit();
    } else if (b == q) {
      while (inX()) x += sx, visit();
    } else {
      while (inX() && inY()) {
        const double dA = off(x + sx, y), dB = off(x + sx, y + sy), dC = off(x, y + sy);
        if (dA > dB ? dC < dB : dC < dA) {
          y += sy;
        } else {
          x += sx;
          y += dA > dB ? sy : 0;
        }
        visit();
      }
    }
  }
  return chord;
}

TEST(LongestChord, SameChordAsWalkingEveryPointOnRandomOutlines) {
  std::mt19937 random(12);
  for (int trial = 0; trial < 3000; ++trial) {
    // Small grids make ties and centroids on grid lines common.
    const int lastColumn = 2 + static_cast<int>(random() % (trial < 2000 ? 8 : 40));
    const int lastRow = 2 + static_cast<int>(random() % (trial < 2000 ? 8 : 40));
    std::vector<int> columns, rows;
    const unsigned density = 1 + random() % 4;
    for (int c = 0; c <= lastColumn; ++c) {
      for (int r = 0; r <= lastRow; ++r) {
        if (random() % 8 < density) columns.push_back(c), rows.push_back(r);
      }
    }
    std::shuffle(columns.begin(), columns.end(), std::mt19937(trial));
    std::shuffle(rows.begin(), rows.end(), std::mt19937(trial));
    const double p = (random() % (4 * lastColumn + 1)) / 4.0;
    const double q = (random() % (4 * lastRow + 1)) / 4.0;
    const Chord fast = LongestChord(columns, rows, p, q, lastColumn, lastRow);
    const Chord plain = WalkEveryPoint(columns, rows, p, q, lastColumn, lastRow);
    ASSERT_EQ(std::tie(fast.column1, fast.row1, fast.column2, fast.row2, fast.length),
              std::tie(plain.column1, plain.row1, plain.column2, plain.row2, plain.length))
        << "trial " << trial;
  }
}

TEST(OrientationAngle, RadialAndTangentialAxes) {
  const Ring ring{512, 512, 350};
  CellMeasurement m;
  m.minX = 100;
  m.minY = 513;  // centroid row on the ring centre's row in crop coordinates
  m.chord = {3, 3, 1, 9, 8};
  EXPECT_EQ(OrientationAngle(m, ring), 90.0) << "vertical chord, horizontal radial line";
  m.chord = {1, 9, 3, 3, 8};
  EXPECT_EQ(OrientationAngle(m, ring), 0.0) << "horizontal chord along the radial line";
  m.chord = {1, 9, 1, 5, 8};
  EXPECT_NEAR(OrientationAngle(m, ring), std::atan(0.5) * 180 / std::numbers::pi, 1e-12);
  // Both vertical: the cell straight above the centre with a vertical axis.
  m.minX = 513;  // Xc = R
  m.chord = {3, 3, 1, 9, 8};
  EXPECT_EQ(OrientationAngle(m, ring), 0.0);
}

TEST(Classes, TiesGoToOvalAndSmooth) {
  EXPECT_EQ(ClassifyCell(2.99, 0.74, 3.0, 0.75), CellClass::RoundRough);
  EXPECT_EQ(ClassifyCell(2.99, 0.75, 3.0, 0.75), CellClass::RoundSmooth);
  EXPECT_EQ(ClassifyCell(3.0, 0.74, 3.0, 0.75), CellClass::OvalRough);
  EXPECT_EQ(ClassifyCell(3.0, 0.75, 3.0, 0.75), CellClass::OvalSmooth);
  EXPECT_STREQ(ClassColourWord(CellClass::RoundRough), "Blue ");
}

TEST(Orientation, BinsAndRadialShare) {
  EXPECT_EQ(OrientationBin(0.0), 1);
  EXPECT_EQ(OrientationBin(4.999), 1);
  EXPECT_EQ(OrientationBin(5.0), 2);
  EXPECT_EQ(OrientationBin(44.99), 9);
  EXPECT_EQ(OrientationBin(45.0), 10);
  EXPECT_EQ(OrientationBin(89.99), 18);
  EXPECT_EQ(OrientationBin(90.0), 0);

  std::array<int, kOrientationBins> bins{};
  EXPECT_FALSE(RadialShare(bins).has_value());
  bins[17] = 2;
  EXPECT_EQ(RadialShare(bins), 0);
  bins[0] = 1;
  EXPECT_EQ(RadialShare(bins), 33);  // 33.3 + 0.5 truncated
  bins[8] = 1;
  EXPECT_EQ(RadialShare(bins), 50);
  bins[17] = 0;
  EXPECT_EQ(RadialShare(bins), 100);
}

TEST(ShapeTexts, MediansAndTwoDecimals) {
  EXPECT_EQ(Median({3.0}), 3.0);
  EXPECT_EQ(Median({4.0, 1.0, 2.0}), 2.0);
  EXPECT_EQ(Median({4.0, 1.0, 2.0, 3.0}), 2.5);
  EXPECT_EQ(TwoDecimals(3.1), "3.10");
  EXPECT_EQ(TwoDecimals(0.756), "0.76");
  EXPECT_EQ(TwoDecimals(1234.567), "1234.60");
  ShapeStatistics s;
  s.elongationMedian = 2.5;
  s.elongationMean = 3;
  s.smoothnessMedian = 0.8;
  s.smoothnessMean = 0.81234;
  EXPECT_EQ(ElongationText(s), "Elongation:   2.50   Ava.: 3.00");
  EXPECT_EQ(SmoothnessText(s), "Smoothness: 0.80   Ava.: 0.81");
}

}  // namespace
}  // namespace vembrel
