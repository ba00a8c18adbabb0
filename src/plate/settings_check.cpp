#include "plate/settings_check.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vembrel {

std::optional<SettingsProblem> FindSettingsProblem(const CentralSettings& s) {
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
      {"Cent_COG", s.Cent_COG, 0, 254},
      {"Cent_COB", s.Cent_COB, 0, 254},
      {"Cent_SB", s.Cent_SB, 1, 255},
      {"Cent_SG", s.Cent_SG, 1, 255},
      {"Cent_diam", s.Cent_diam, 0, 1024},
      {"Cent_LCG", s.Cent_LCG, 0, 255},
      {"Cent_LCB", s.Cent_LCB, 0, 255},
      {"Cent_MINS", s.Cent_MINS, 0, 254},
      {"Cent_MAXS", s.Cent_MAXS, 1, 255},
      {"Cent_RISI", s.Cent_RISI, 1, noLimit},
      {"Cent_Cell_GCO", s.Cent_Cell_GCO, 0, 254},
      {"Cent_Cell_Min", s.Cent_Cell_Min, 1, 4096},
      {"Cent_Cell_Max", s.Cent_Cell_Max, 1, 65536},
      {"Cent_Cell_Ratio", scaled(s.Cent_Cell_Ratio, 10), 1, 200, " tenths"},
      {"Cent_Cell_Coeff", scaled(s.Cent_Cell_Coeff, 100), 0, 100, " hundredths"},
  };
  for (const Limit& limit : limits) {
    if (limit.value >= limit.low && limit.value <= limit.high) continue;
    if (limit.high == noLimit) {
      return SettingsProblem{limit.key, "is below " + std::to_string(limit.low)};
    }
    return SettingsProblem{limit.key, "is outside " + std::to_string(limit.low) + ".." +
                                          std::to_string(limit.high) + limit.unit};
  }
  if (s.Cent_COG >= s.Cent_SG) {
    return SettingsProblem{"Cent_COG", "is not below Cent_SG " + std::to_string(s.Cent_SG)};
  }
  if (s.Cent_COB >= s.Cent_SB) {
    return SettingsProblem{"Cent_COB", "is not below Cent_SB " + std::to_string(s.Cent_SB)};
  }
  if (s.Cent_MINS >= s.Cent_MAXS) {
    return SettingsProblem{"Cent_MINS", "is not below Cent_MAXS " + std::to_string(s.Cent_MAXS)};
  }
  return std::nullopt;
}

}  // namespace vembrel
