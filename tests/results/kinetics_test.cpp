#include "results/kinetics.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vembrel {
namespace {

std::vector<TimedValue> Series(const std::vector<double>& hours,
                               const std::vector<std::optional<double>>& values) {
  std::vector<TimedValue> series;
  for (std::size_t i = 0; i < hours.size(); ++i) series.push_back({hours[i], values[i]});
  return series;
}

TEST(Kinetics, LeastSquaresLineMatchesTheTextbookSums) {
  // Worked by hand: mean hours 1.5, mean value 2.75, Sxx 5, Sxy 5.5, Syy 8.75;
  // line 1.1 + 1.1 t, residual sum of squares 2.7.
  const Kinetics k = SeriesKinetics(Series({0, 1, 2, 3}, {1, 3, 2, 5}), 50);
  EXPECT_EQ(k.pointCount, 4);
  EXPECT_NEAR(*k.slope, 1.1, 1e-12);
  EXPECT_NEAR(*k.slopeError, 0.5196152422706632, 1e-12);  // sqrt(2.7 / 2 / 5)
  EXPECT_NEAR(*k.rSquared, 1 - 2.7 / 8.75, 1e-12);
  EXPECT_FALSE(k.missingTimePoints);
}

TEST(Kinetics, LineNeedsSpreadAndEnoughPoints) {
  const Kinetics two = SeriesKinetics(Series({0, 4}, {10, 30}), 50);
  EXPECT_NEAR(*two.slope, 5, 1e-12);
  EXPECT_FALSE(two.slopeError);  // no degrees of freedom left
  EXPECT_NEAR(*two.rSquared, 1, 1e-12);

  const Kinetics flat = SeriesKinetics(Series({0, 1, 2}, {7, 7, 7}), 50);
  EXPECT_NEAR(*flat.slope, 0, 1e-12);
  EXPECT_NEAR(*flat.slopeError, 0, 1e-12);
  EXPECT_FALSE(flat.rSquared);  // no variance to explain

  const Kinetics one = SeriesKinetics(Series({0, 1}, {5, std::nullopt}), 50);
  EXPECT_EQ(one.pointCount, 1);
  EXPECT_FALSE(one.slope);
  EXPECT_FALSE(one.area);
  EXPECT_TRUE(one.missingTimePoints);
}

TEST(Kinetics, HalfTimeInterpolatesBetweenTheBracketingPoints) {
  const auto closure = Series({0, 6, 12, 18, 24}, {0, 20, 40, 60, 80});
  const Kinetics k = SeriesKinetics(closure, 50);
  EXPECT_NEAR(*k.halfTime, 15, 1e-12);
  EXPECT_FALSE(k.halfTimeCensored);
  // Trapezoids of width 6 over 0, 20, 40, 60, 80.
  EXPECT_NEAR(*k.area, 6 * (10 + 30 + 50 + 70), 1e-9);
  EXPECT_NEAR(*k.areaPerHour, 960.0 / 24, 1e-12);

  // Reached exactly at a time point, and already at the first.
  EXPECT_NEAR(*SeriesKinetics(Series({0, 2, 5}, {10, 50, 90}), 50).halfTime, 2, 1e-12);
  EXPECT_NEAR(*SeriesKinetics(Series({1, 2}, {60, 90}), 50).halfTime, 1, 1e-12);
  // The first crossing counts, not a later one after a dip.
  EXPECT_NEAR(*SeriesKinetics(Series({0, 1, 2, 3}, {0, 100, 0, 100}), 50).halfTime, 0.5, 1e-12);
}

TEST(Kinetics, HalfTimeNeverReachedIsCensoredAtTheLastTime) {
  const Kinetics k = SeriesKinetics(Series({0, 6, 12, 30}, {0, 10, 49.9, std::nullopt}), 50);
  EXPECT_FALSE(k.halfTime);
  EXPECT_TRUE(k.halfTimeCensored);
  EXPECT_EQ(*k.censoredAt, 12);  // the last point with a value
  EXPECT_TRUE(k.missingTimePoints);
  EXPECT_EQ(k.pointCount, 3);
}

TEST(Kinetics, MissingPointsAreSkippedNotZeroed) {
  // The gap at 6 h is bridged by one trapezoid from 0 to 12 h.
  const Kinetics k = SeriesKinetics(Series({0, 6, 12}, {0, std::nullopt, 60}), 50);
  EXPECT_NEAR(*k.area, 12 * 30, 1e-9);
  EXPECT_NEAR(*k.halfTime, 10, 1e-12);
  EXPECT_NEAR(*k.slope, 5, 1e-12);
}

TEST(Kinetics, ZoneClosureFromCoverage) {
  const auto closure = ZoneClosure(Series({0, 6, 12, 18}, {20, 60, std::nullopt, 100}));
  EXPECT_NEAR(*closure[0].value, 0, 1e-12);   // open 80
  EXPECT_NEAR(*closure[1].value, 50, 1e-12);  // open 40
  EXPECT_FALSE(closure[2].value);
  EXPECT_NEAR(*closure[3].value, 100, 1e-12);  // open 0
  EXPECT_EQ(closure[1].hours, 6);

  // A missing first point: the first point with a value is the start.
  const auto late = ZoneClosure(Series({0, 6}, {std::nullopt, 50}));
  EXPECT_NEAR(*late[1].value, 0, 1e-12);

  // A zone covered from the start has no closure to speak of.
  const auto covered = ZoneClosure(Series({0, 6}, {100, 100}));
  EXPECT_FALSE(covered[0].value);
  EXPECT_FALSE(covered[1].value);
}

TEST(Kinetics, CountHalfLevelIsHalfTheLargestValue) {
  const Kinetics k = CountKinetics(Series({0, 1, 2, 3}, {0, 10, 30, 80}));
  EXPECT_NEAR(*k.halfTime, 2.2, 1e-12);  // 40 lies a fifth of the way from 30 (2 h) to 80 (3 h)
  const Kinetics none = CountKinetics(Series({0, 1}, {0, 0}));
  EXPECT_FALSE(none.halfTime);
  EXPECT_TRUE(none.halfTimeCensored);
}

TEST(Kinetics, MeanSeriesLeavesOutMissingWells) {
  const auto mean = MeanSeries({Series({0, 1}, {10, std::nullopt}), Series({0, 1}, {20, 40})});
  EXPECT_NEAR(*mean[0].value, 15, 1e-12);
  EXPECT_NEAR(*mean[1].value, 40, 1e-12);
  EXPECT_EQ(mean[1].hours, 1);
  EXPECT_FALSE(MeanSeries({Series({0}, {std::nullopt})})[0].value);
  EXPECT_THROW(MeanSeries({Series({0, 1}, {1, 2}), Series({0, 2}, {1, 2})}), std::invalid_argument);
}

TEST(Kinetics, HoursMustIncrease) {
  EXPECT_THROW(SeriesKinetics(Series({0, 0}, {1, 2}), 50), std::invalid_argument);
  EXPECT_THROW(SeriesKinetics(Series({5, 1}, {1, 2}), 50), std::invalid_argument);
}

}  // namespace
}  // namespace vembrel
