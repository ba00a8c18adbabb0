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

bool AnyPixelSize(const PlateResults& results) {
  for (const auto& r : results.wells) {
    if (r && r->pixelSize) return true;
  }
  return false;
}

// The micrometre twins of some pixel columns: appended to a table whose
// wells have a pixel size, empty in the rows of a well without one.
struct Twins {
  bool shown = false;
  void addColumns(Table& table, std::initializer_list<const char*> names) {
    if (!shown) return;
    for (const char* name : names) table.columns.emplace_back(name);
    count = names.size();
  }
  template <class Make>
  void addValues(std::vector<TableValue>& row, const std::optional<double>& pixelSize, Make make) {
    if (!shown) return;
    const std::size_t first = row.size();
    row.resize(first + count);
    if (pixelSize) make(row.data() + first, *pixelSize);
  }
  std::size_t count = 0;
};

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
  // Likewise only a plate whose wells chose their own nucleus cut-offs shows
  // them, before the notes.
  const bool cutoffs = std::any_of(results.wells.begin(), results.wells.end(),
                                   [](const auto& r) { return r && r->cutoffs; });
  if (cutoffs) {
    const auto notes = std::find(table.columns.begin(), table.columns.end(), "qc");
    table.columns.insert(notes, {"nucleus_blue_cutoff", "nucleus_green_cutoff"});
  }
  Twins twins{AnyPixelSize(results)};
  const std::size_t pixelColumns = table.columns.size();
  twins.addColumns(table, {"pixel_size_um", "ring_radius_um", "ring_area_mm2", "pixels_um2",
                           "average_distance_um", "average_nucleus_size_um2"});
  const std::string label = PlateLabel(plate);
  for (int w = 0; w < kWellCount; ++w) {
    std::vector<TableValue> row{label, WellName(w), plate.wells[w].state == 1};
    row.resize(pixelColumns);
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
      if (cutoffs) {
        row[c++] = r->cutoffs ? TableValue(std::int64_t{r->cutoffs->blue}) : TableValue();
        row[c++] = r->cutoffs ? TableValue(std::int64_t{r->cutoffs->green}) : TableValue();
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
    twins.addValues(row, r ? r->pixelSize : std::nullopt, [&](TableValue* out, double size) {
      const double radius = r->ring.radius;
      out[0] = size;
      out[1] = Micrometres(radius, size);
      out[2] = SquareMillimetres(RingArea(r->ring), size);
      out[3] = SquareMicrometres(static_cast<double>(r->pixels), size);
      out[4] = Micrometres(static_cast<double>(r->averageDistance), size);
      out[5] = SquareMicrometres(static_cast<double>(r->averageNucleusSize), size);
    });
    table.rows.push_back(std::move(row));
  }
  return table;
}

Table DensityProfileTable(const PlateResults& results) {
  Table table;
  table.columns = {"well", "ring", "inner_radius", "outer_radius", "cells", "area", "density"};
  Twins twins{AnyPixelSize(results)};
  twins.addColumns(table, {"inner_radius_um", "outer_radius_um", "area_mm2", "density_per_mm2"});
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    for (std::size_t k = 0; k < r->density.size(); ++k) {
      const DensityBin& bin = r->density[k];
      const bool last = k + 1 == r->density.size();
      const std::int64_t inner =
          std::int64_t{r->ring.radius} + static_cast<std::int64_t>(k) * r->ringIncrement;
      const int outer = r->densityRadius(static_cast<int>(k));
      table.rows.push_back(
          {WellName(w), static_cast<std::int64_t>(k + 1), inner,
           last ? TableValue() : TableValue(std::int64_t{outer}), std::int64_t{bin.nuclei},
           std::int64_t{bin.area},
           bin.area > 0 ? TableValue(static_cast<double>(bin.nuclei) / bin.area) : TableValue()});
      twins.addValues(table.rows.back(), r->pixelSize, [&](TableValue* out, double size) {
        out[0] = Micrometres(static_cast<double>(inner), size);
        out[1] = last ? TableValue() : TableValue(Micrometres(outer, size));
        out[2] = SquareMillimetres(bin.area, size);
        out[3] =
            (bin.area > 0
                 ? TableValue(PerSquareMillimetre(static_cast<double>(bin.nuclei) / bin.area, size))
                 : TableValue());
      });
    }
  }
  return table;
}

Table NucleiTable(const PlateResults& results) {
  Table table;
  table.columns = {"well", "x", "y", "size", "distance"};
  Twins twins{AnyPixelSize(results)};
  twins.addColumns(table, {"size_um2", "distance_um"});
  for (int w = 0; w < kWellCount; ++w) {
    const auto& r = results.wells[w];
    if (!r) continue;
    for (const NucleusMeasures& nucleus : r->immigrants) {
      table.rows.push_back({WellName(w), std::int64_t{nucleus.x}, std::int64_t{nucleus.y},
                            nucleus.size, nucleus.distance});
      twins.addValues(table.rows.back(), r->pixelSize, [&](TableValue* out, double size) {
        out[0] = SquareMicrometres(static_cast<double>(nucleus.size), size);
        out[1] = Micrometres(nucleus.distance, size);
      });
    }
  }
  return table;
}

Table CellsTable(const PlateResults& results) {
  Table table;
  table.columns = {"well",   "cell",          "x",      "y",     "size",        "width",
                   "height", "circumference", "length", "ratio", "correlation", "angle",
                   "class",  "nucleus_size"};
  Twins twins{AnyPixelSize(results)};
  twins.addColumns(table, {"size_um2", "width_um", "height_um", "length_um", "nucleus_size_um2"});
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
      twins.addValues(table.rows.back(), r->pixelSize, [&](TableValue* out, double size) {
        out[0] = SquareMicrometres(cell.size, size);
        out[1] = Micrometres(cell.width, size);
        out[2] = Micrometres(cell.height, size);
        out[3] = Micrometres(cell.length, size);
        out[4] = SquareMicrometres(cell.nucleusSize, size);
      });
    }
  }
  return table;
}

}  // namespace vembrel
