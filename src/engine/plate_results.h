#pragma once
// The results of a plate's wells as the summary file shows them: the last
// results of every well, the settings each well was last analysed with, and
// the radii of the density rings.
#include <array>
#include <optional>
#include <vector>

#include "engine/well_results.h"
#include "plate/analysis_settings.h"
#include "plate/plate_format.h"

namespace vembrel {

struct PlateResults {
  /// No results for a plate of the format.
  explicit PlateResults(const PlateFormat& plateFormat = {});

  PlateFormat format;
  std::vector<std::optional<WellResults>> wells;  // one per well of the format
  /// One row per well: the settings it was last analysed with; then one more,
  /// the universal settings when the batch started (batchSettingsRow).
  std::vector<WellSettingsRow> settingsRows;
  /// Outer radii of the density rings. The list only grows: an analysis with
  /// more rings than it holds rewrites it from its own radius and increment.
  std::vector<int> radii;

  /// Keeps a well's results and the settings it was analysed with.
  void record(const WellResults& results, const AnalysisSettings& settings);
  /// Forgets a well's results (never analysed, or failed).
  void forget(int well) { wells.at(well).reset(); }
  WellSettingsRow& batchSettingsRow() { return settingsRows.back(); }
  const WellSettingsRow& batchSettingsRow() const { return settingsRows.back(); }
};

/// The radii list after a well's results grew it.
void GrowRadii(std::vector<int>& radii, const WellResults& results);

}  // namespace vembrel
