#include "results/kinetics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vembrel {
namespace {

struct Point {
  double hours;
  double value;
};

std::vector<Point> PresentPoints(const std::vector<TimedValue>& series) {
  std::vector<Point> points;
  for (std::size_t i = 0; i < series.size(); ++i) {
    if (i > 0 && !(series[i].hours > series[i - 1].hours)) {
      throw std::invalid_argument("time points must increase in hours");
    }
    if (series[i].value) points.push_back({series[i].hours, *series[i].value});
  }
  return points;
}

void FitLine(const std::vector<Point>& points, Kinetics& kinetics) {
  const auto n = static_cast<double>(points.size());
  if (points.size() < 2) return;
  double sumHours = 0;
  double sumValues = 0;
  for (const Point& p : points) {
    sumHours += p.hours;
    sumValues += p.value;
  }
  const double meanHours = sumHours / n;
  const double meanValue = sumValues / n;
  double sxx = 0;
  double sxy = 0;
  double syy = 0;
  for (const Point& p : points) {
    const double dt = p.hours - meanHours;
    const double dy = p.value - meanValue;
    sxx += dt * dt;
    sxy += dt * dy;
    syy += dy * dy;
  }
  if (!(sxx > 0)) return;
  const double slope = sxy / sxx;
  const double intercept = meanValue - slope * meanHours;
  double residuals = 0;
  for (const Point& p : points) {
    const double r = p.value - (intercept + slope * p.hours);
    residuals += r * r;
  }
  kinetics.slope = slope;
  if (points.size() >= 3) kinetics.slopeError = std::sqrt(residuals / (n - 2) / sxx);
  if (syy > 0) kinetics.rSquared = 1 - residuals / syy;
}

void FindHalfTime(const std::vector<Point>& points, double halfLevel, Kinetics& kinetics) {
  if (points.empty()) return;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].value < halfLevel) continue;
    if (i == 0) {
      kinetics.halfTime = points[0].hours;
    } else {
      const Point& before = points[i - 1];
      const Point& after = points[i];
      kinetics.halfTime = before.hours + (halfLevel - before.value) * (after.hours - before.hours) /
                                             (after.value - before.value);
    }
    return;
  }
  kinetics.halfTimeCensored = true;
  kinetics.censoredAt = points.back().hours;
}

void Integrate(const std::vector<Point>& points, Kinetics& kinetics) {
  if (points.size() < 2) return;
  double area = 0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    area += (points[i].hours - points[i - 1].hours) * (points[i].value + points[i - 1].value) / 2;
  }
  kinetics.area = area;
  kinetics.areaPerHour = area / (points.back().hours - points.front().hours);
}

}  // namespace

std::vector<TimedValue> ZoneClosure(const std::vector<TimedValue>& coverage) {
  std::vector<TimedValue> closure = coverage;
  const auto first =
      std::find_if(coverage.begin(), coverage.end(), [](const TimedValue& t) { return t.value; });
  const double openAtStart = first == coverage.end() ? 0 : 100 - *first->value;
  for (TimedValue& point : closure) {
    if (!point.value) continue;
    if (openAtStart > 0) {
      point.value = 100 * (openAtStart - (100 - *point.value)) / openAtStart;
    } else {
      point.value.reset();
    }
  }
  return closure;
}

Kinetics SeriesKinetics(const std::vector<TimedValue>& series, double halfLevel) {
  const std::vector<Point> points = PresentPoints(series);
  Kinetics kinetics;
  kinetics.pointCount = static_cast<int>(points.size());
  kinetics.missingTimePoints = points.size() < series.size();
  FitLine(points, kinetics);
  FindHalfTime(points, halfLevel, kinetics);
  Integrate(points, kinetics);
  return kinetics;
}

Kinetics CountKinetics(const std::vector<TimedValue>& series) {
  double largest = 0;
  bool any = false;
  for (const TimedValue& point : series) {
    if (!point.value) continue;
    largest = any ? std::max(largest, *point.value) : *point.value;
    any = true;
  }
  // A series that never rises above zero has no half level to reach.
  if (!(largest > 0)) largest = 0;
  Kinetics kinetics =
      SeriesKinetics(series, largest > 0 ? largest / 2 : std::numeric_limits<double>::infinity());
  return kinetics;
}

std::vector<TimedValue> MeanSeries(const std::vector<std::vector<TimedValue>>& wells) {
  if (wells.empty()) return {};
  std::vector<TimedValue> mean(wells.front().size());
  for (std::size_t t = 0; t < mean.size(); ++t) {
    mean[t].hours = wells.front()[t].hours;
    double sum = 0;
    int count = 0;
    for (const std::vector<TimedValue>& well : wells) {
      if (well.size() != mean.size() || well[t].hours != mean[t].hours) {
        throw std::invalid_argument("the wells' time points differ");
      }
      if (!well[t].value) continue;
      sum += *well[t].value;
      ++count;
    }
    if (count > 0) mean[t].value = sum / count;
  }
  return mean;
}

}  // namespace vembrel
