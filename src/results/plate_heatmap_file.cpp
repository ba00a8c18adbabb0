#include "results/plate_heatmap_file.h"

#include <functional>

#include "plate/plate.h"
#include "results/result_tables.h"

namespace vembrel {

std::string PlateHeatmapFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel_plate.png";
}

HeatmapPlate PlateHeatmapOf(const Plate& plate, const PlateResults& results, bool cellLevel) {
  const PlateFormat& format = results.format;
  std::vector<std::string> rowNames;
  for (int row = 0; row < format.rows(); ++row) rowNames.push_back(RowName(row));
  HeatmapPlate map(format.rows(), format.columns(), std::move(rowNames));
  const std::string label = PlateLabel(plate);
  map.heading = "Plate " + (label.empty() ? plate.path : label);
  for (int w = 0; w < results.format.wellCount(); ++w) {
    const auto& r = results.wells[w];
    map.excluded[w] = plate.wells[w].state != 1 && !r;
    map.failed[w] = plate.wells[w].state == 1 && !r;
    map.flagged[w] = r && !r->quality.empty();
  }
  using Value = std::function<std::optional<std::int64_t>(const WellResults&)>;
  const auto panel = [&](const char* title, const Value& value) {
    HeatmapPanel made = map.emptyPanel(title);
    for (int w = 0; w < results.format.wellCount(); ++w) {
      const auto& r = results.wells[w];
      if (!r) continue;
      if (const std::optional<std::int64_t> v = value(*r)) {
        made.values[w] = static_cast<double>(*v);
        made.labels[w] = std::to_string(*v);
      }
    }
    map.panels.push_back(std::move(made));
  };
  panel("Immigrant nuclei", [](const WellResults& r) { return r.nuclei; });
  panel("Average distance", [](const WellResults& r) { return r.averageDistance; });
  panel("Total nuclei", [](const WellResults& r) { return r.totalNuclei; });
  if (cellLevel) {
    panel("Cells kept", [](const WellResults& r) -> std::optional<std::int64_t> {
      if (!r.cells) return std::nullopt;
      return r.cells->kept;
    });
  }
  return map;
}

}  // namespace vembrel
