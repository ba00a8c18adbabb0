#include "plate/settings_check.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vembrel {

std::optional<SettingsProblem> FindSettingsProblem(const AnalysisSettings& s) {
  struct Limit {
    const char* key;
    long long value;
    long long low;
    long long high;
    const char* unit = "";
  };
  // The float controls hold tenths and hundredths, set by rounding to nearest;
  // -1 stands for a value no control can hold.
  const auto scaled = [](double value, double factor) -> long long {
    const double rounded = std::nearbyint(value * factor);
    return std::isfinite(rounded) && std::fabs(rounded) < 1e9 ? static_cast<long long>(rounded)
                                                              : -1;
  };
  const long long noLimit = std::numeric_limits<std::int32_t>::max();
  const Limit limits[] = {
      {"Cent_COG", s.display.green.cutoff, 0, 254},
      {"Cent_COB", s.display.blue.cutoff, 0, 254},
      {"Cent_SB", s.display.blue.saturation, 1, 255},
      {"Cent_SG", s.display.green.saturation, 1, 255},
      {"Cent_diam", s.ring.radius, 0, 1024},
      {"Cent_LCG", s.nuclei.greenCutoff, 0, 255},
      {"Cent_LCB", s.nuclei.blueCutoff, 0, 255},
      {"Cent_MINS", s.nuclei.minimalSize, 0, 254},
      {"Cent_MAXS", s.nuclei.maximalSize, 1, 255},
      {"Cent_RISI", s.ring.increment, 1, noLimit},
      {"Cent_Cell_GCO", s.cells.greenCutoff, 0, 254},
      {"Cent_Cell_Min", s.cells.minimalSize, 1, 4096},
      {"Cent_Cell_Max", s.cells.maximalSize, 1, 65536},
      {"Cent_Cell_Ratio", scaled(s.cells.lengthRatio, 10), 1, 200, " tenths"},
      {"Cent_Cell_Coeff", scaled(s.cells.smoothness, 100), 0, 100, " hundredths"},
  };
  for (const Limit& limit : limits) {
    if (limit.value >= limit.low && limit.value <= limit.high) continue;
    if (limit.high == noLimit) {
      return SettingsProblem{limit.key, "is below " + std::to_string(limit.low)};
    }
    return SettingsProblem{limit.key, "is outside " + std::to_string(limit.low) + ".." +
                                          std::to_string(limit.high) + limit.unit};
  }
  if (s.display.green.cutoff >= s.display.green.saturation) {
    return SettingsProblem{"Cent_COG",
                           "is not below Cent_SG " + std::to_string(s.display.green.saturation)};
  }
  if (s.display.blue.cutoff >= s.display.blue.saturation) {
    return SettingsProblem{"Cent_COB",
                           "is not below Cent_SB " + std::to_string(s.display.blue.saturation)};
  }
  if (s.nuclei.minimalSize >= s.nuclei.maximalSize) {
    return SettingsProblem{"Cent_MINS",
                           "is not below Cent_MAXS " + std::to_string(s.nuclei.maximalSize)};
  }
  return std::nullopt;
}

}  // namespace vembrel
