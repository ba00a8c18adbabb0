#include "imaging/polyfit.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/error.h"

namespace vembrel {
namespace {

std::string FitMessage(std::vector<double> x, std::vector<double> y, int points, int terms) {
  std::vector<double> c(std::max(terms, 1), -7.0);
  double r = -7.0;
  try {
    PolyFit(x, y, c, r, points, terms);
  } catch (const MathError& e) {
    // Nothing is written on failure.
    EXPECT_EQ(r, -7.0);
    for (const double v : c) EXPECT_EQ(v, -7.0);
    return e.what();
  }
  return "no error";
}

TEST(PolyFit, ReportsTermsBeforePointsAndSingularSystems) {
  EXPECT_EQ(FitMessage({0}, {0}, 1, 0), "PolyFit called with less than one term");
  EXPECT_EQ(FitMessage({0}, {0}, 1, 2), "PolyFit called with less than two points");
  EXPECT_EQ(FitMessage({0, 0, 0}, {1, 2, 3}, 3, 2), "Error in GaussJordan: matrix is singular");
  EXPECT_EQ(FitMessage({0, 0, 0}, {1, 2, 3}, 3, 3), "Error in GaussJordan2: matrix is singular");
}

TEST(PolyFit, StraightLineThroughTwoPoints) {
  const std::vector<double> x{1, 3}, y{3, 7};
  std::array<double, 2> c{};
  double r = 0;
  PolyFit(x, y, c, r, 2, 2);
  EXPECT_NEAR(c[0], 1.0, 1e-12);
  EXPECT_NEAR(c[1], 2.0, 1e-12);
  EXPECT_NEAR(r, 1.0, 1e-12);
}

TEST(PolyFit, SixPointsAndSixTermsInterpolate) {
  const std::array<double, 6> truth{0.5, -1.0, 0.25, 2.0, -0.5, 0.125};
  std::vector<double> x{-1.5, -0.9, -0.2, 0.4, 1.1, 2.0}, y;
  for (const double v : x) {
    double value = 0, power = 1;
    for (const double t : truth) value += t * power, power *= v;
    y.push_back(value);
  }
  std::array<double, 6> c{};
  double r = 0;
  PolyFit(x, y, c, r, 6, 6);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(c[j], truth[j], 1e-8) << j;
  EXPECT_NEAR(r, 1.0, 1e-9);
}

TEST(PolyFit, ConstantValuesGiveExactlyOne) {
  const std::vector<double> x{-2, -1, 0.5, 1, 3}, y{5, 5, 5, 5, 5};
  std::array<double, 3> c{};
  double r = 0;
  PolyFit(x, y, c, r, 5, 3);
  EXPECT_NEAR(c[0], 5.0, 1e-12);
  EXPECT_NEAR(c[1], 0.0, 1e-12);
  EXPECT_NEAR(c[2], 0.0, 1e-12);
  EXPECT_EQ(r, 1.0);
}

TEST(PolyFit, NoBetterThanTheMeanGivesZero) {
  // One term fits the mean: SSE equals SST exactly, so R is 0.
  const std::vector<double> x{0, 1}, y{0, 2};
  std::array<double, 1> c{};
  double r = -1;
  PolyFit(x, y, c, r, 2, 1);
  EXPECT_EQ(c[0], 1.0);
  EXPECT_EQ(r, 0.0);
}

TEST(GaussJordan, OffDiagonalPivotsAreUnscrambledInTheInverse) {
  Matrix a{{0, 1}, {2, 0}};
  const std::array<double, 2> b{3, 4};
  std::array<double, 2> c{};
  GaussJordan(a, b, c, 2);
  EXPECT_EQ(c[0], 2.0);
  EXPECT_EQ(c[1], 3.0);
  EXPECT_EQ(a, (Matrix{{0, 0.5}, {1, 0}}));

  Matrix zero{{0, 0}, {0, 0}};
  EXPECT_THROW(GaussJordan(zero, b, c, 2), MathError);
}

}  // namespace
}  // namespace vembrel
