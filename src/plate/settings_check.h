#pragma once
// Which universal settings the analysis can work with: each value within the
// range of its control, cut-offs below their saturations, the minimal nucleus
// size below the maximal one, a ring size of 0..1024 and a ring increment of
// at least 1. Values outside these would crash or corrupt the analysis.
#include <optional>
#include <string>

#include "plate/analysis_settings.h"

namespace vembrel {

struct SettingsProblem {
  std::string key;     // "Cent_diam"
  std::string reason;  // "is outside 0..1024"
};

/// The first unusable value in file order, or nothing when all are usable.
std::optional<SettingsProblem> FindSettingsProblem(const AnalysisSettings& settings);

}  // namespace vembrel
