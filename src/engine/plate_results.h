#pragma once
// The results of a plate's wells as the summary file shows them: the last
// results of every well, the settings each well was last analysed with, and
// the radii of the density rings.
#include <array>
#include <optional>
#include <vector>

#include "engine/well_results.h"
#include "plate/analysis_settings.h"

namespace vembrel {

inline constexpr int kWellCount = 96;

struct PlateResults {
  std::array<std::optional<WellResults>, kWellCount> wells;
  /// Rows 0..95: the settings each well was last analysed with; row 96 the
  /// universal settings when the batch started.
  std::array<WellSettingsRow, 97> settingsRows{};
  /// Outer radii of the density rings. The list only grows: an analysis with
  /// more rings than it holds rewrites it from its own radius and increment.
  std::vector<int> radii;

  /// Keeps a well's results and the settings it was analysed with.
  void record(const WellResults& results, const AnalysisSettings& settings);
  /// Forgets a well's results (never analysed, or failed).
  void forget(int well) { wells.at(well).reset(); }
};

/// The radii list after a well's results grew it.
void GrowRadii(std::vector<int>& radii, const WellResults& results);

}  // namespace vembrel
