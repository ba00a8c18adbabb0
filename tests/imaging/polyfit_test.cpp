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
    FitPolynomial(x, y, c, r, points, terms);
  } catch (const MathError& e) {
    // Nothing is written on failure.
    EXPECT_EQ(r, -7.0);
    for (const double v : c) EXPECT_EQ(v, -7.0);
    return e.what();
  }
  return "no error";
}

TEST(FitPolynomial, ReportsTermsBeforePointsAndSingularSystems) {
  EXPECT_EQ(FitMessage({0}, {0}, 1, 0), "PolyFit called with less than one term");
  EXPECT_EQ(FitMessage({0}, {0}, 1, 2), "PolyFit called with less than two points");
  EXPECT_EQ(FitMessage({0, 0, 0}, {1, 2, 3}, 3, 2), "Error in GaussJordan: matrix is singular");
  EXPECT_EQ(FitMessage({0, 0, 0}, {1, 2, 3}, 3, 3), "Error in GaussJordan2: matrix is singular");
}

TEST(FitPolynomial, KnownFitsAndTheirCorrelation) {
  // Six points and six terms interpolate a quintic.
  const std::vector<double> quintic{0.5, -1.0, 0.25, 2.0, -0.5, 0.125};
  const std::vector<double> qx{-1.5, -0.9, -0.2, 0.4, 1.1, 2.0};
  std::vector<double> qy;
  for (const double v : qx) {
    double value = 0, power = 1;
    for (const double t : quintic) value += t * power, power *= v;
    qy.push_back(value);
  }
  const struct {
    const char* name;
    std::vector<double> x, y, c;
    double r;
    bool exactR;
  } cases[] = {
      {"line through two points", {1, 3}, {3, 7}, {1, 2}, 1, false},
      {"constant values", {-2, -1, 0.5, 1, 3}, {5, 5, 5, 5, 5}, {5, 0, 0}, 1, true},
      {"one term fits the mean: SSE = SST", {0, 1}, {0, 2}, {1}, 0, true},
      {"quintic", qx, qy, quintic, 1, false},
  };
  for (const auto& k : cases) {
    std::vector<double> c(k.c.size(), -7.0);
    double r = -7.0;
    FitPolynomial(k.x, k.y, c, r, static_cast<int>(k.x.size()), static_cast<int>(k.c.size()));
    for (std::size_t j = 0; j < c.size(); ++j) EXPECT_NEAR(c[j], k.c[j], 1e-8) << k.name << j;
    if (k.exactR) {
      EXPECT_EQ(r, k.r) << k.name;
    } else {
      EXPECT_NEAR(r, k.r, 1e-9) << k.name;
    }
  }
}

TEST(SolveLinearSystem, OffDiagonalPivotsAreUnscrambledInTheInverse) {
  Matrix a{{0, 1}, {2, 0}};
  const std::array<double, 2> b{3, 4};
  std::array<double, 2> c{};
  SolveLinearSystem(a, b, c, 2);
  EXPECT_EQ(c[0], 2.0);
  EXPECT_EQ(c[1], 3.0);
  EXPECT_EQ(a, (Matrix{{0, 0.5}, {1, 0}}));

  Matrix zero{{0, 0}, {0, 0}};
  EXPECT_THROW(SolveLinearSystem(zero, b, c, 2), MathError);
}

}  // namespace
}  // namespace vembrel
