#pragma once
// The four-parameter log-logistic dose-response curve
//   y = bottom + (top - bottom) / (1 + (c / ic50)^hill)
// fitted to every point (replicates as separate points) by unweighted least
// squares with MINPACK's Levenberg-Marquardt (cminpack), started from a
// grid of starting points and polished from the best.
#include <optional>
#include <string>
#include <vector>

namespace vembrel {

struct DoseResponseFit {
  int points = 0;
  int concentrations = 0;  // distinct
  bool fitted = false;     // false with fewer than 4 concentrations
  double bottom = 0;
  double top = 0;
  double ic50 = 0;
  double hill = 0;
  /// The 95 % Wald interval of ic50, taken on log ic50 with Student's t of
  /// points - 4 degrees of freedom; none without a degree of freedom, when
  /// the curve's parameters cannot be told apart, or without convergence.
  std::optional<double> ic50Low;
  std::optional<double> ic50High;
  std::optional<double> rSquared;  // none when every value is the same
  double rss = 0;                  // residual sum of squares
  bool converged = false;
  /// ic50_below_range, ic50_above_range, too_few_concentrations, no_convergence.
  std::vector<std::string> flags;
};

/// The curve's value at concentration c (> 0).
double LogLogistic(double c, double bottom, double top, double ic50, double hill);

/// Fits the curve; concentrations (all > 0) and values pair up.
DoseResponseFit FitDoseResponse(const std::vector<double>& concentrations,
                                const std::vector<double>& values);

/// The q-quantile of Student's t with the given degrees of freedom.
double StudentTQuantile(double q, double degreesOfFreedom);

}  // namespace vembrel
