#include "results/result_tables.h"

#include <algorithm>

#include "plate/plate.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// After ring_radius.
constexpr std::size_t kRingSourceColumn = 6;

TableValue Optional(const std::optional<int>& value) {
  return value ? TableValue(std::int64_t{*value}) : TableValue();
}

std::string QualityText(const WellResults& well) {
  std::string text;
  for (const QualityNote note : well.quality) {
    if (!text.empty()) text += ';';
    text += QualityNoteName(note);
  }
  return text;
}

}  // namespace

std::string TableFileName(const std::string& resultsFolder, const std::string& platePrefix,
                          const std::string& kind) {
  return resultsFolder + platePrefix + "Vembrel_" + kind + ".csv";
}

std::string PlateLabel(const Plate& plate) {
  std::string label = plate.prefix;
  if (!label.empty() && label.back() == '_') label.pop_back();
  return label;
}

const char* CellClassWord(CellClass shapeClass) {
  static const char* const kWords[] = {"round_rough", "round_smooth", "oval_rough", "oval_smooth"};
  return kWords[static_cast<int>(shapeClass)];
}

Table WellsTable(const Plate& plate, const PlateResults& results, bool cellLevel) {
  Table table;
  table.columns = {"plate",
                   "well",
                   "included",
                   "ring_x",
                   "ring_y",
                   "ring_radius",
                   "nuclei",
                   "pixels",
                   "calculated_nuclei",
                   "average_distance",
                   "total_nuclei",
                   "average_nucleus_size",
                   "nuclei_outside",
                   "qc"};
  if (cellLevel) {
    for (const char* column : {"cells_kept", "cells_seen", "round_rough", "round_smooth",
                               "oval_rough", "oval_smooth", "radial_share", "elongation_median",
                               "elongation_mean", "smoothness_median", "smoothness_mean"}) {
      table.columns.emplace_back(column);
    }
  }
  // Only a plate with reviewed rings says where each ring came from, so a
  // plate of fitted rings keeps its columns.
  const bool ringSource = std::any_of(results.wells.begin(), results.wells.end(),
                                      [](const auto& r) { return r && r->ringReviewed; });
  if (ringSource) {
    table.columns.insert(table.columns.begin() + kRingSourceColumn, "ring_source");
  }
  const std::string label = PlateLabel(plate);
  for (int w = 0; w < kWellCount; ++w) {
    std::vector<TableValue> row{label, WellName(w), plate.wells[w].state == 1};
    row.resize(table.columns.size());
    const auto& r = results.wells[w];
    if (r) {
      std::size_t c = 3;
      for (const std::int64_t value :
           {std::int64_t{r->ring.x}, std::int64_t{r->ring.y}, std::int64_t{r->ring.radius},
            r->nuclei, r->pixels, r->calculatedNuclei, r->averageDistance, r->totalNuclei,
            r->averageNucleusSize, r->nucleiOutside}) {
        row[c++] = value;
        if (ringSource && c == kRingSourceColumn) {
          row[c++] = std::string(r->ringReviewed ? "reviewed" : "fitted");
        }
      }
      row[c++] = QualityText(*r);
      if (cellLevel && r->cells) {
        const CellResults& cells = *r->cells;
        const ShapeStatistics& s = cells.statistics;
        row[c++] = std::int64_t{cells.kept};
        row[c++] = std::int64_t{cells.seeds};
        for (const int count : s.classCounts) row[c++] = std::int64_t{count};
        row[c++] = Optional(s.gauge);
        if (cells.kept >= 1) {
          for (const double value :
               {s.elongationMedian, s.elongationMean, s.smoothnessMedian, s.smoothnessMean}) {
            row[c++] = value;
          }
        }
      }
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

Table DensityProfileTable(const PlateResults& results) {
  Table table;
  table.columns = {"well", "ring", "inner_radius", "outer_radius", "cells", "area", "density"};
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    for (std::size_t k = 0; k < r->density.size(); ++k) {
      const DensityBin& bin = r->density[k];
      const bool last = k + 1 == r->density.size();
      table.rows.push_back(
          {WellName(w), static_cast<std::int64_t>(k + 1),
           std::int64_t{r->ring.radius} + static_cast<std::int64_t>(k) * r->ringIncrement,
           last ? TableValue() : TableValue(std::int64_t{r->densityRadius(static_cast<int>(k))}),
           std::int64_t{bin.nuclei}, std::int64_t{bin.area},
           bin.area > 0 ? TableValue(static_cast<double>(bin.nuclei) / bin.area) : TableValue()});
    }
  }
  return table;
}

Table NucleiTable(const PlateResults& results) {
  Table table;
  table.columns = {"well", "x", "y", "size", "distance"};
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    for (const NucleusMeasures& nucleus : r->immigrants) {
      table.rows.push_back({WellName(w), std::int64_t{nucleus.x}, std::int64_t{nucleus.y},
                            nucleus.size, nucleus.distance});
    }
  }
  return table;
}

Table CellsTable(const PlateResults& results) {
  Table table;
  table.columns = {"well",   "cell",          "x",      "y",     "size",        "width",
                   "height", "circumference", "length", "ratio", "correlation", "angle",
                   "class",  "nucleus_size"};
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r || !r->cells) continue;
    const auto& cells = r->cells->cells;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const CellMeasures& cell = cells[i];
      table.rows.push_back(
          {WellName(w), static_cast<std::int64_t>(i), cell.x, cell.y, std::int64_t{cell.size},
           std::int64_t{cell.width}, std::int64_t{cell.height}, std::int64_t{cell.circumference},
           cell.length, cell.ratio, cell.correlation,
           cell.angle ? TableValue(*cell.angle) : TableValue(),
           std::string(CellClassWord(cell.shapeClass)), std::int64_t{cell.nucleusSize}});
    }
  }
  return table;
}

}  // namespace vembrel
