// The dose-response fit against scipy.optimize.curve_fit on constructed and
// awkward data: its residual sum of squares is never worse than the best
// scipy finds from several starts, its parameters and Wald interval match
// scipy's at the same optimum, and the flags say what the curve and data lack.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <random>

#include "results/dose_response_fit.h"
#include "support/python_oracle.h"

namespace vembrel::testing {
namespace {

using Json = nlohmann::json;

// scipy's fit of the same points: the least residual sum of squares over
// several starts, with its parameters, covariance and t quantile (Debian's
// python3 with numpy and scipy).
const char* const kScipyFit = R"(
import json, sys
import numpy as np
from scipy.optimize import curve_fit
from scipy.stats import t as student_t
data = json.load(open(sys.argv[1]))
c = np.array(data["c"], dtype=float)
y = np.array(data["y"], dtype=float)
def curve(c, bottom, top, ic50, hill):
    return bottom + (top - bottom) / (1 + (c / ic50) ** hill)
mid = float(np.exp(np.median(np.log(c))))
starts = [[1, 1, 1, 1], [y.min(), y.max(), mid, 1], [y.max(), y.min(), mid, 1],
          [y.min(), y.max(), mid, -1], [y[c == c.max()].mean(), y[c == c.min()].mean(), mid, 1]]
best = None
with np.errstate(all="ignore"):
    for p0 in starts:
        try:
            p, cov = curve_fit(curve, c, y, p0=p0, maxfev=20000)
        except Exception:
            continue
        rss = float(np.sum((curve(c, *p) - y) ** 2))
        if np.isfinite(rss) and p[2] > 0 and (best is None or rss < best[0]):
            best = (rss, p, cov)
out = {"rss": None}
if best is not None:
    rss, p, cov = best
    out = {"rss": rss, "p": [float(v) for v in p], "var_ic50": float(cov[2][2]),
           "t": float(student_t.ppf(0.975, len(y) - 4))}
print(json.dumps(out))
)";

Json ScipyFit(const std::vector<double>& c, const std::vector<double>& y) {
  return RunPythonOracle(kScipyFit, Json{{"c", c}, {"y", y}});
}

struct Curve {
  double bottom, top, ic50, hill;
};

// Eight concentrations 0.01 .. 100 (a factor of about 3.7), three replicates,
// values from the curve plus normal noise of the given SD.
void Construct(const Curve& curve, double noise, unsigned seed, std::vector<double>& c,
               std::vector<double>& y) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0.0, noise);
  for (int k = 0; k < 8; ++k) {
    const double level = 0.01 * std::pow(10.0, 4.0 * k / 7.0);
    for (int replicate = 0; replicate < 3; ++replicate) {
      c.push_back(level);
      y.push_back(LogLogistic(level, curve.bottom, curve.top, curve.ic50, curve.hill) +
                  (noise > 0 ? normal(random) : 0.0));
    }
  }
}

bool HasFlag(const DoseResponseFit& fit, const std::string& flag) {
  return std::find(fit.flags.begin(), fit.flags.end(), flag) != fit.flags.end();
}

// Our optimum is at least scipy's; where both reach the same optimum the
// parameters and the interval agree with scipy's.
void ExpectAtLeastScipy(const std::string& what, const std::vector<double>& c,
                        const std::vector<double>& y, bool sameOptimum) {
  SCOPED_TRACE(what);
  const DoseResponseFit fit = FitDoseResponse(c, y);
  const Json scipy = ScipyFit(c, y);
  ASSERT_TRUE(scipy.is_object()) << "python3 with numpy and scipy is needed";
  ASSERT_TRUE(fit.fitted);
  EXPECT_TRUE(fit.converged);
  double total = 0, mean = 0;
  for (const double v : y) mean += v / static_cast<double>(y.size());
  for (const double v : y) total += (v - mean) * (v - mean);
  double rss = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const double r = LogLogistic(c[i], fit.bottom, fit.top, fit.ic50, fit.hill) - y[i];
    rss += r * r;
  }
  EXPECT_NEAR(fit.rss, rss, 1e-9 * (1 + rss));
  if (total > 0) {
    ASSERT_TRUE(fit.rSquared);
    EXPECT_NEAR(*fit.rSquared, 1 - rss / total, 1e-12);
  }
  if (scipy["rss"].is_null()) return;  // scipy found nothing to compare with
  const double scipyRss = scipy["rss"].get<double>();
  EXPECT_LE(fit.rss, scipyRss * (1 + 1e-9) + 1e-12) << "scipy: " << scipyRss;
  if (!sameOptimum) return;
  const auto& p = scipy["p"];
  EXPECT_NEAR(fit.bottom, p[0].get<double>(), 1e-4 * (1 + std::abs(fit.bottom)));
  EXPECT_NEAR(fit.top, p[1].get<double>(), 1e-4 * (1 + std::abs(fit.top)));
  EXPECT_NEAR(fit.ic50, p[2].get<double>(), 1e-4 * fit.ic50);
  EXPECT_NEAR(fit.hill, p[3].get<double>(), 1e-4 * (1 + std::abs(fit.hill)));
  // The interval on log ic50: its SE is scipy's SE of ic50 over ic50.
  const double se = std::sqrt(scipy["var_ic50"].get<double>()) / p[2].get<double>();
  const double t = scipy["t"].get<double>();
  ASSERT_TRUE(fit.ic50Low && fit.ic50High);
  EXPECT_NEAR(std::log(*fit.ic50Low), std::log(p[2].get<double>()) - t * se, 1e-3 * t * se);
  EXPECT_NEAR(std::log(*fit.ic50High), std::log(p[2].get<double>()) + t * se, 1e-3 * t * se);
}

TEST(DoseResponseFitTest, FindsAConstructedCurveExactly) {
  std::vector<double> c, y;
  Construct({10, 90, 1.5, 1.2}, 0, 1, c, y);
  const DoseResponseFit fit = FitDoseResponse(c, y);
  ASSERT_TRUE(fit.fitted);
  EXPECT_TRUE(fit.converged);
  EXPECT_EQ(fit.points, 24);
  EXPECT_EQ(fit.concentrations, 8);
  EXPECT_NEAR(fit.bottom, 10, 1e-6);
  EXPECT_NEAR(fit.top, 90, 1e-6);
  EXPECT_NEAR(fit.ic50, 1.5, 1e-6);
  EXPECT_NEAR(fit.hill, 1.2, 1e-6);
  EXPECT_LT(fit.rss, 1e-12);
  EXPECT_TRUE(fit.flags.empty());
  // A rising curve is the same curve with a negative slope.
  std::vector<double> rc, ry;
  Construct({90, 10, 0.2, -0.8}, 0, 1, rc, ry);
  const DoseResponseFit rising = FitDoseResponse(rc, ry);
  EXPECT_NEAR(LogLogistic(0.05, rising.bottom, rising.top, rising.ic50, rising.hill),
              LogLogistic(0.05, 90, 10, 0.2, -0.8), 1e-6);
  EXPECT_LT(rising.rss, 1e-12);
}

TEST(DoseResponseFitTest, ReachesScipysOptimumOnNoisyAndAwkwardData) {
  std::vector<double> c, y;
  Construct({100, 500, 0.8, 1.0}, 25, 7, c, y);
  ExpectAtLeastScipy("noisy", c, y, true);

  std::vector<double> oc = c, oy = y;
  oy[5] += 400;  // one outlier
  ExpectAtLeastScipy("one outlier", oc, oy, false);

  c.clear(), y.clear();
  Construct({200, 200, 1, 1}, 10, 3, c, y);
  ExpectAtLeastScipy("flat", c, y, false);

  c.clear(), y.clear();
  Construct({0, 300, 60, 1.5}, 8, 11, c, y);  // no lower plateau within the range
  ExpectAtLeastScipy("no plateau", c, y, false);

  c.clear(), y.clear();
  Construct({40, 120, 0.05, 4}, 5, 5, c, y);  // steep
  ExpectAtLeastScipy("steep", c, y, false);
}

TEST(DoseResponseFitTest, FlagsWhatTheDataCannotTell) {
  // Three concentrations are no curve.
  const DoseResponseFit few = FitDoseResponse({1, 1, 2, 3}, {5, 6, 7, 8});
  EXPECT_FALSE(few.fitted);
  EXPECT_EQ(few.concentrations, 3);
  EXPECT_EQ(few.flags, std::vector<std::string>{"too_few_concentrations"});
  // Four concentrations fit, but four points leave no degree of freedom for an interval.
  const DoseResponseFit four = FitDoseResponse({1, 2, 3, 4}, {9, 7, 3, 1});
  EXPECT_TRUE(four.fitted);
  EXPECT_EQ(four.concentrations, 4);
  EXPECT_FALSE(four.ic50Low);
  EXPECT_FALSE(HasFlag(four, "too_few_concentrations"));
  // All values equal: no R squared.
  const DoseResponseFit same = FitDoseResponse({1, 2, 3, 4, 5}, {7, 7, 7, 7, 7});
  EXPECT_FALSE(same.rSquared);
  EXPECT_LT(same.rss, 1e-20);
  // A curve whose midpoint lies beyond either end of the concentrations.
  std::vector<double> c, y;
  Construct({0, 100, 1e4, 1}, 0, 1, c, y);
  EXPECT_TRUE(HasFlag(FitDoseResponse(c, y), "ic50_above_range"));
  EXPECT_FALSE(HasFlag(FitDoseResponse(c, y), "ic50_below_range"));
  c.clear(), y.clear();
  Construct({0, 100, 1e-4, 1}, 0, 1, c, y);
  EXPECT_TRUE(HasFlag(FitDoseResponse(c, y), "ic50_below_range"));
  EXPECT_FALSE(HasFlag(FitDoseResponse(c, y), "ic50_above_range"));
  // Just within and just beyond the lowest concentration (0.01).
  c.clear(), y.clear();
  Construct({0, 100, 0.0105, 1}, 0, 1, c, y);
  EXPECT_TRUE(FitDoseResponse(c, y).flags.empty());
  c.clear(), y.clear();
  Construct({0, 100, 0.0095, 1}, 0, 1, c, y);
  EXPECT_EQ(FitDoseResponse(c, y).flags, std::vector<std::string>{"ic50_below_range"});
  // ... and the highest (100).
  c.clear(), y.clear();
  Construct({0, 100, 95, 1}, 0, 1, c, y);
  EXPECT_TRUE(FitDoseResponse(c, y).flags.empty());
  c.clear(), y.clear();
  Construct({0, 100, 105, 1}, 0, 1, c, y);
  EXPECT_EQ(FitDoseResponse(c, y).flags, std::vector<std::string>{"ic50_above_range"});
}

TEST(DoseResponseFitTest, TQuantilesAreStudents) {
  EXPECT_NEAR(StudentTQuantile(0.975, 1), 12.706204736432095, 1e-8);
  EXPECT_NEAR(StudentTQuantile(0.975, 20), 2.0859634472658364, 1e-12);
  EXPECT_NEAR(StudentTQuantile(0.5, 7), 0, 1e-12);
}

}  // namespace
}  // namespace vembrel::testing
