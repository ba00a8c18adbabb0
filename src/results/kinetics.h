#pragma once
// Kinetics of one readout over a well's time points: the least-squares slope,
// the time to half closure and the area under the curve. Pure functions on
// (hours, value) series, shared by wells and by condition means.
#include <optional>
#include <string>
#include <vector>

namespace vembrel {

/// One time point of a series; value is empty where the well was not analysed
/// at that time point.
struct TimedValue {
  double hours = 0;
  std::optional<double> value;
};

/// The kinetics of one series. Optional values are empty when undefined
/// (too few points, no spread in time or in value).
struct Kinetics {
  int pointCount = 0;                 // points with a value
  std::optional<double> slope;        // per hour, least squares over all points
  std::optional<double> slopeError;   // its standard error (needs 3 points)
  std::optional<double> rSquared;     // of the straight line
  std::optional<double> halfTime;     // hours at which the curve first reaches its half level
  bool halfTimeCensored = false;      // the half level was never reached
  std::optional<double> censoredAt;   // the last time looked at, when censored
  std::optional<double> area;         // trapezoid rule, value x hours
  std::optional<double> areaPerHour;  // area / time span
  bool missingTimePoints = false;     // some time points had no value
};

/// Closure of the cell-free zone in % at each time point, from the zone's
/// coverage in %: open(t) = 100 - coverage(t), closure(t) = 100 (open(t0) -
/// open(t)) / open(t0), t0 the first point with a value. Empty values stay
/// empty; all are empty when the zone was fully covered at t0.
std::vector<TimedValue> ZoneClosure(const std::vector<TimedValue>& coverage);

/// Kinetics of a series whose half level is `halfLevel` (50 for a closure in
/// %): the half time is the first time the curve reaches it, interpolated
/// linearly between the bracketing points. Hours must increase.
Kinetics SeriesKinetics(const std::vector<TimedValue>& series, double halfLevel);

/// Kinetics of a count that rises over time (immigrant nuclei): the half
/// level is half the largest value of the series.
Kinetics CountKinetics(const std::vector<TimedValue>& series);

/// The mean of several wells' series at each time point (wells with no value
/// at a time point are left out there), for a condition's curve. All series
/// must share the same hours.
std::vector<TimedValue> MeanSeries(const std::vector<std::vector<TimedValue>>& wells);

}  // namespace vembrel
