#include "results/plate_heatmap_file.h"

#include "plate/plate.h"
#include "results/measure_table.h"
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
  // The panels of the measure table's heatmap measures, in its order.
  MeasureConditions conditions;
  conditions.cellLevel = cellLevel;
  for (const MeasureDescriptor* m : MeasuresOf(MeasureLevel::Well, conditions, kInHeatmap)) {
    HeatmapPanel made = map.emptyPanel(std::string(m->caption));
    for (int w = 0; w < results.format.wellCount(); ++w) {
      const auto& r = results.wells[w];
      if (!r) continue;
      const TableValue value = m->read(*r, 0);
      if (const auto* count = std::get_if<std::int64_t>(&value)) {
        made.values[w] = static_cast<double>(*count);
        made.labels[w] = std::to_string(*count);
      } else if (const auto* decimal = std::get_if<double>(&value)) {
        made.values[w] = *decimal;
        made.labels[w] = ExactDecimalText(*decimal);
      }
    }
    map.panels.push_back(std::move(made));
  }
  return map;
}

}  // namespace vembrel
