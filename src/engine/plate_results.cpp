#include "engine/plate_results.h"

namespace vembrel {

void GrowRadii(std::vector<int>& radii, const WellResults& results) {
  const int rings = static_cast<int>(results.density.size());
  if (rings <= static_cast<int>(radii.size())) return;
  radii.resize(rings);
  for (int k = 0; k < rings; ++k) radii[k] = results.densityRadius(k);
}

PlateResults::PlateResults(const PlateFormat& plateFormat)
    : format(plateFormat),
      wells(static_cast<std::size_t>(plateFormat.wellCount())),
      settingsRows(static_cast<std::size_t>(plateFormat.wellCount()) + 1, WellSettingsRow{}) {}

void PlateResults::record(const WellResults& results, const AnalysisSettings& settings) {
  wells.at(results.well) = results;
  settingsRows.at(results.well) = ToWellSettingsRow(settings);
  GrowRadii(radii, results);
}

}  // namespace vembrel
