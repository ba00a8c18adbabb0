#include "results/dose_response_fit.h"

#include <cminpack.h>

#include <algorithm>
#include <array>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

namespace vembrel {
namespace {

// The fit works on bottom, top, log ic50 and hill, so ic50 stays positive.
constexpr int kParameters = 4;
constexpr int kLogIc50 = 2;

struct Points {
  std::vector<double> logConcentrations;
  std::vector<double> values;
};

// 1 / (1 + e^u) without overflow for large |u|.
double Logistic(double u) {
  if (u > 0) {
    const double e = std::exp(-u);
    return e / (1 + e);
  }
  return 1 / (1 + std::exp(u));
}

// Residuals (iflag 1) or their Jacobian (iflag 2), as lmder asks for them.
int Residuals(void* data, int m, int /*n*/, const double* x, double* residuals, double* jacobian,
              int rowStride, int iflag) {
  const Points& points = *static_cast<const Points*>(data);
  const double bottom = x[0];
  const double top = x[1];
  const double logIc50 = x[kLogIc50];
  const double hill = x[3];
  for (int i = 0; i < m; ++i) {
    const double distance = points.logConcentrations[i] - logIc50;
    const double s = Logistic(hill * distance);
    if (iflag == 1) {
      residuals[i] = bottom + (top - bottom) * s - points.values[i];
    } else {
      const double slope = (top - bottom) * s * (1 - s);
      jacobian[i + 0 * rowStride] = 1 - s;
      jacobian[i + 1 * rowStride] = s;
      jacobian[i + 2 * rowStride] = slope * hill;
      jacobian[i + 3 * rowStride] = -slope * distance;
    }
  }
  return 0;
}

struct Run {
  std::array<double, kParameters> x{};
  double rss = std::numeric_limits<double>::infinity();
  int info = 0;
};

Run Minimise(Points& points, const std::array<double, kParameters>& start, double tolerance) {
  const int m = static_cast<int>(points.values.size());
  Run run;
  run.x = start;
  std::vector<double> residuals(m);
  std::vector<double> jacobian(static_cast<std::size_t>(m) * kParameters);
  std::array<double, kParameters> diag{}, qtf{}, wa1{}, wa2{}, wa3{};
  std::array<int, kParameters> pivots{};
  std::vector<double> wa4(m);
  int evaluations = 0;
  int jacobians = 0;
  run.info =
      lmder(Residuals, &points, m, kParameters, run.x.data(), residuals.data(), jacobian.data(), m,
            tolerance, tolerance, 0.0, 2000, diag.data(), 1, 100.0, 0, &evaluations, &jacobians,
            pivots.data(), qtf.data(), wa1.data(), wa2.data(), wa3.data(), wa4.data());
  double rss = 0;
  Residuals(&points, m, kParameters, run.x.data(), residuals.data(), nullptr, m, 1);
  for (const double r : residuals) rss += r * r;
  const bool finite =
      std::all_of(run.x.begin(), run.x.end(), [](double v) { return std::isfinite(v); });
  run.rss = finite && std::isfinite(rss) ? rss : std::numeric_limits<double>::infinity();
  return run;
}

// The inverse of a symmetric positive definite 4 x 4 matrix by Gauss-Jordan
// elimination with partial pivoting; none when it is (nearly) singular.
std::optional<std::array<double, 16>> Inverse(std::array<double, 16> a) {
  std::array<double, 16> inverse{};
  for (int i = 0; i < 4; ++i) inverse[i * 4 + i] = 1;
  double largest = 0;
  for (const double v : a) largest = std::max(largest, std::abs(v));
  for (int column = 0; column < 4; ++column) {
    int pivot = column;
    for (int row = column + 1; row < 4; ++row) {
      if (std::abs(a[row * 4 + column]) > std::abs(a[pivot * 4 + column])) pivot = row;
    }
    if (!(std::abs(a[pivot * 4 + column]) > largest * 1e-13)) return std::nullopt;
    for (int k = 0; k < 4; ++k) {
      std::swap(a[column * 4 + k], a[pivot * 4 + k]);
      std::swap(inverse[column * 4 + k], inverse[pivot * 4 + k]);
    }
    const double scale = a[column * 4 + column];
    for (int k = 0; k < 4; ++k) {
      a[column * 4 + k] /= scale;
      inverse[column * 4 + k] /= scale;
    }
    for (int row = 0; row < 4; ++row) {
      if (row == column) continue;
      const double factor = a[row * 4 + column];
      for (int k = 0; k < 4; ++k) {
        a[row * 4 + k] -= factor * a[column * 4 + k];
        inverse[row * 4 + k] -= factor * inverse[column * 4 + k];
      }
    }
  }
  return inverse;
}

// The standard error of log ic50 at the optimum: sqrt(s^2 (J'J)^-1) with
// s^2 = rss / (points - 4).
std::optional<double> LogIc50StandardError(Points& points, const Run& best) {
  const int m = static_cast<int>(points.values.size());
  if (m <= kParameters) return std::nullopt;
  std::vector<double> jacobian(static_cast<std::size_t>(m) * kParameters);
  Residuals(&points, m, kParameters, best.x.data(), nullptr, jacobian.data(), m, 2);
  std::array<double, 16> normal{};
  for (int a = 0; a < kParameters; ++a) {
    for (int b = 0; b < kParameters; ++b) {
      double sum = 0;
      for (int i = 0; i < m; ++i) sum += jacobian[i + a * m] * jacobian[i + b * m];
      normal[a * 4 + b] = sum;
    }
  }
  const std::optional<std::array<double, 16>> inverse = Inverse(normal);
  if (!inverse) return std::nullopt;
  const double variance = best.rss / (m - kParameters) * (*inverse)[kLogIc50 * 4 + kLogIc50];
  if (!(variance > 0) || !std::isfinite(variance)) return std::nullopt;
  return std::sqrt(variance);
}

// For a fixed ic50 and slope the curve is linear in bottom and top: the
// plateaus that fit best, and the residual sum of squares they leave.
std::pair<std::array<double, kParameters>, double> BestPlateaus(const Points& points,
                                                                double logIc50, double hill) {
  double ss = 0, s1 = 0, one = 0, ys = 0, y1 = 0;
  const std::size_t m = points.values.size();
  std::vector<double> shares(m);
  for (std::size_t i = 0; i < m; ++i) {
    const double s = Logistic(hill * (points.logConcentrations[i] - logIc50));
    shares[i] = s;
    ss += s * s;
    s1 += s * (1 - s);
    one += (1 - s) * (1 - s);
    ys += points.values[i] * s;
    y1 += points.values[i] * (1 - s);
  }
  const double determinant = one * ss - s1 * s1;
  double bottom = 0, top = 0;
  if (std::abs(determinant) > 1e-12 * (one * ss)) {
    bottom = (y1 * ss - ys * s1) / determinant;
    top = (one * ys - s1 * y1) / determinant;
  } else {
    double mean = 0;
    for (const double v : points.values) mean += v;
    bottom = top = mean / static_cast<double>(m);
  }
  double rss = 0;
  for (std::size_t i = 0; i < m; ++i) {
    const double r = bottom + (top - bottom) * shares[i] - points.values[i];
    rss += r * r;
  }
  return {{bottom, top, logIc50, hill}, std::isfinite(rss) ? rss : 1e300};
}

}  // namespace

double LogLogistic(double c, double bottom, double top, double ic50, double hill) {
  return bottom + (top - bottom) * Logistic(hill * (std::log(c) - std::log(ic50)));
}

double StudentTQuantile(double q, double degreesOfFreedom) {
  return boost::math::quantile(boost::math::students_t_distribution<double>(degreesOfFreedom), q);
}

DoseResponseFit FitDoseResponse(const std::vector<double>& concentrations,
                                const std::vector<double>& values) {
  DoseResponseFit fit;
  fit.points = static_cast<int>(values.size());
  std::vector<double> levels = concentrations;
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
  fit.concentrations = static_cast<int>(levels.size());
  if (fit.concentrations < 4) {
    fit.flags.emplace_back("too_few_concentrations");
    return fit;
  }
  fit.fitted = true;
  Points points;
  for (const double c : concentrations) points.logConcentrations.push_back(std::log(c));
  points.values = values;

  // Starting points: a grid of ic50 (from a decade below the lowest to a
  // decade above the highest concentration) and slopes of either sign, each
  // with the plateaus that fit best for it (a linear least-squares problem);
  // the best few of the grid, and the plateaus read from the lowest and
  // highest concentrations, start the minimisation.
  const double from = std::log(levels.front()) - std::log(10.0);
  const double to = std::log(levels.back()) + std::log(10.0);
  constexpr int kSteps = 24;
  std::vector<std::pair<double, std::array<double, kParameters>>> grid;
  for (int k = 0; k <= kSteps; ++k) {
    const double logIc50 = from + (to - from) * k / kSteps;
    for (const double slope : {0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 5.0, 10.0}) {
      for (const double hill : {slope, -slope}) {
        const auto [start, rss] = BestPlateaus(points, logIc50, hill);
        grid.emplace_back(rss, start);
      }
    }
  }
  constexpr std::size_t kStarts = 6;
  std::partial_sort(grid.begin(), grid.begin() + kStarts, grid.end(),
                    [](const auto& a, const auto& b) { return a.first < b.first; });
  grid.resize(kStarts);
  const auto meanAt = [&](double level) {
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (concentrations[i] == level) {
        sum += values[i];
        ++n;
      }
    }
    return sum / n;
  };
  grid.emplace_back(0.0, std::array<double, kParameters>{
                             meanAt(levels.back()), meanAt(levels.front()), (from + to) / 2, 1.0});
  Run best;
  for (const auto& [rss, start] : grid) {
    const Run run = Minimise(points, start, 1.49012e-08);
    if (run.rss < best.rss) best = run;
  }
  // Polished from the best with tight tolerances; tolerances too small to
  // reach (6, 7, 8) mean no further step helps, so count as converged there.
  fit.converged = std::isfinite(best.rss) && best.info >= 1 && best.info <= 4;
  if (std::isfinite(best.rss)) {
    const Run polished = Minimise(points, best.x, 1e-14);
    if (polished.rss <= best.rss) {
      best = polished;
      fit.converged =
          fit.converged || (polished.info >= 1 && polished.info <= 8 && polished.info != 5);
    }
  }
  if (std::isfinite(best.rss)) {
    fit.bottom = best.x[0];
    fit.top = best.x[1];
    fit.ic50 = std::exp(best.x[kLogIc50]);
    fit.hill = best.x[3];
    fit.rss = best.rss;
  }
  double mean = 0;
  for (const double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  double total = 0;
  for (const double v : values) total += (v - mean) * (v - mean);
  if (total > 0 && std::isfinite(best.rss)) fit.rSquared = 1 - best.rss / total;
  if (fit.converged) {
    if (const std::optional<double> se = LogIc50StandardError(points, best)) {
      const double t = StudentTQuantile(0.975, fit.points - kParameters);
      fit.ic50Low = std::exp(best.x[kLogIc50] - t * *se);
      fit.ic50High = std::exp(best.x[kLogIc50] + t * *se);
    }
  }
  if (std::isfinite(best.rss)) {
    if (fit.ic50 < levels.front()) fit.flags.emplace_back("ic50_below_range");
    if (fit.ic50 > levels.back()) fit.flags.emplace_back("ic50_above_range");
  }
  if (!fit.converged) fit.flags.emplace_back("no_convergence");
  return fit;
}

}  // namespace vembrel
