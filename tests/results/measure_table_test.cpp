// Every face of the results lists the measures of the measure table in its
// order: the wells, density, nuclei and cells tables (and so the workbook's
// sheets), the JSON of `well --json`, `batch --json` and Python's to_dict,
// the report's well table and the plate heatmaps. The tables' order is the
// files' order, written out here.
#include "results/measure_table.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <numbers>
#include <regex>

#include "plate/plate.h"
#include "plate/setting_explanations.h"
#include "results/plate_heatmap_file.h"
#include "results/report_page.h"
#include "results/result_tables.h"
#include "results/results_json.h"
#include "results/run_manifest.h"

namespace vembrel {
namespace {

using Names = std::vector<std::string>;

const Names kIdentifying = {"plate", "well", "included"};
const Names kPlainWellColumns = {"ring_x",
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
const Names kCellColumns = {"cells_kept",        "cells_seen",        "round_rough",
                            "round_smooth",      "oval_rough",        "oval_smooth",
                            "radial_share",      "elongation_median", "elongation_mean",
                            "smoothness_median", "smoothness_mean"};
const Names kTwinColumns = {"pixel_size_um", "ring_radius_um",      "ring_area_mm2",
                            "pixels_um2",    "average_distance_um", "average_nucleus_size_um2"};

Names Joined(std::initializer_list<Names> parts) {
  Names all;
  for (const Names& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Names ColumnsOf(MeasureLevel level, const MeasureConditions& conditions, unsigned face = 0) {
  Names names;
  for (const MeasureDescriptor* m : MeasuresOf(level, conditions, face)) {
    names.emplace_back(face == kInHeatmap ? m->caption : m->column);
  }
  return names;
}

// A well with every conditional measure: cells, a pixel size, a reviewed
// ring, a density profile of two rings (the second empty), one immigrant.
WellResults EveryMeasureWell() {
  WellResults r;
  r.well = 13;
  r.ring = {500, 520, 300};
  r.ringIncrement = 40;
  r.ringReviewed = true;
  r.cutoffs = WellCutoffs{40, 90};
  r.pixelSize = 0.5;
  r.nuclei = 1;
  r.pixels = 90;
  r.averageDistance = 20;
  r.averageNucleusSize = 30;
  r.density = {{6, 120}, {0, 0}};
  r.immigrants = {{510, 530, 90, 285.5}};
  r.quality = {QualityNote::MissingField, QualityNote::Saturated};
  CellMeasures cell;
  cell.size = 40;
  cell.width = 6;
  cell.height = 8;
  cell.length = 10;
  cell.nucleusSize = 12;
  cell.shapeClass = CellClass::OvalSmooth;
  r.cells = CellResults{1, 1, {cell}, {}};
  return r;
}

TEST(MeasureAgreement, EveryFaceListsTheTablesMeasuresInItsOrder) {
  PlateResults results;
  results.wells[13] = EveryMeasureWell();
  const Plate plate;
  const MeasureConditions all{true, true, true, true};

  // The tables, with and without their conditional columns.
  Names wellColumns = kPlainWellColumns;
  wellColumns.insert(wellColumns.begin() + 3, "ring_source");
  wellColumns.insert(wellColumns.end() - 1, {"nucleus_blue_cutoff", "nucleus_green_cutoff"});
  wellColumns = Joined({wellColumns, kCellColumns, kTwinColumns});
  EXPECT_EQ(WellsTable(plate, results, true).columns, Joined({kIdentifying, wellColumns}));
  EXPECT_EQ(ColumnsOf(MeasureLevel::Well, all), wellColumns);
  PlateResults plain;
  plain.wells[13] = WellResults{};
  EXPECT_EQ(WellsTable(plate, plain, false).columns, Joined({kIdentifying, kPlainWellColumns}));
  EXPECT_EQ(DensityProfileTable(results).columns,
            (Names{"well", "ring", "inner_radius", "outer_radius", "cells", "area", "density",
                   "inner_radius_um", "outer_radius_um", "area_mm2", "density_per_mm2"}));
  EXPECT_EQ(NucleiTable(results).columns,
            (Names{"well", "x", "y", "size", "distance", "size_um2", "distance_um"}));
  const Names cellsColumns = CellsTable(results).columns;
  EXPECT_EQ(cellsColumns,
            (Names{"well", "cell", "x", "y", "size", "width", "height", "circumference", "length",
                   "ratio", "correlation", "angle", "class", "nucleus_size", "size_um2", "width_um",
                   "height_um", "length_um", "nucleus_size_um2"}));
  EXPECT_EQ(Names(cellsColumns.begin() + 2, cellsColumns.end()),
            ColumnsOf(MeasureLevel::Cell, all));

  // The JSON: the well's measures after "well", then the profile and the cells.
  const nlohmann::ordered_json json = WellResultsJson(*results.wells[13]);
  Names keys;
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, Joined({{"well"}, wellColumns, {"density", "radii", "max_text", "cells"}}));
  Names binKeys, cellKeys;
  for (const auto& [key, value] : json["density"][0].items()) binKeys.push_back(key);
  for (const auto& [key, value] : json["cells"]["list"][0].items()) cellKeys.push_back(key);
  EXPECT_EQ(binKeys, ColumnsOf(MeasureLevel::DensityBin, all));
  EXPECT_EQ(cellKeys, ColumnsOf(MeasureLevel::Cell, all));
  EXPECT_EQ(json["qc"], nlohmann::ordered_json({"missing_field", "saturated"}));
  const nlohmann::ordered_json plainJson = WellResultsJson(WellResults{});
  EXPECT_FALSE(plainJson.contains("ring_source") || plainJson.contains("nucleus_blue_cutoff") ||
               plainJson.contains("cells_kept") || plainJson.contains("pixel_size_um") ||
               plainJson.contains("cells"));

  // The report's well table: its measures between the well and the pictures.
  RunFacts facts;
  facts.cellLevel = true;
  const std::string page = ReportPage(plate, results, facts, "");
  Names reportKeys;
  const std::regex key("<th data-key=\"([a-z_0-9]+)\">");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), key); it != std::sregex_iterator();
       ++it) {
    reportKeys.push_back((*it)[1]);
  }
  EXPECT_EQ(
      reportKeys,
      Joined({{"well"}, ColumnsOf(MeasureLevel::Well, all, kInReport), {"density", "snapshot"}}));
  EXPECT_EQ(ColumnsOf(MeasureLevel::Well, all, kInReport),
            (Names{"ring_radius", "nuclei", "calculated_nuclei", "average_distance", "total_nuclei",
                   "average_nucleus_size", "qc", "cells_kept", "radial_share", "ring_radius_um",
                   "average_distance_um"}));

  // The heatmaps: a panel per heatmap measure, cells kept at cell level only.
  Names panels;
  for (const HeatmapPanel& panel : PlateHeatmapOf(plate, results, true).panels) {
    panels.push_back(panel.title);
  }
  EXPECT_EQ(panels, (Names{"Immigrant nuclei", "Average distance", "Total nuclei", "Cells kept"}));
  EXPECT_EQ(panels, ColumnsOf(MeasureLevel::Well, all, kInHeatmap));
  EXPECT_EQ(PlateHeatmapOf(plate, results, false).panels.size(), 3u);
}

TEST(MeasureAgreement, ItemRowsReadTheirOwnItem) {
  PlateResults results;
  results.wells[13] = EveryMeasureWell();
  const Table density = DensityProfileTable(results);
  ASSERT_EQ(density.rows.size(), 2u);
  // Rings 300..340 and 340 onwards: the last has no outer radius, an empty
  // ring no density.
  EXPECT_EQ(density.rows[0],
            (std::vector<TableValue>{std::string("B02"), std::int64_t{1}, std::int64_t{300},
                                     std::int64_t{340}, std::int64_t{6}, std::int64_t{120}, 0.05,
                                     150.0, 170.0, 120 * 0.25 / 1e6, 0.05 * 1e6 / 0.25}));
  EXPECT_EQ(density.rows[1], (std::vector<TableValue>{std::string("B02"),
                                                      std::int64_t{2},
                                                      std::int64_t{340},
                                                      {},
                                                      std::int64_t{0},
                                                      std::int64_t{0},
                                                      {},
                                                      170.0,
                                                      {},
                                                      0.0,
                                                      {}}));
  EXPECT_EQ(NucleiTable(results).rows.at(0),
            (std::vector<TableValue>{std::string("B02"), std::int64_t{510}, std::int64_t{530},
                                     std::int64_t{90}, 285.5, 22.5, 142.75}));
  const std::vector<TableValue> cell = CellsTable(results).rows.at(0);
  EXPECT_EQ(cell[12], TableValue(std::string("oval_smooth")));
  EXPECT_EQ(cell[11], TableValue());  // no angle
  // The micrometre twins at 0.5 um per pixel: lengths halved, areas quartered.
  EXPECT_EQ(std::vector<TableValue>(cell.begin() + 14, cell.end()),
            (std::vector<TableValue>{10.0, 3.0, 4.0, 5.0, 3.0}));
  const Table wells = WellsTable(Plate(), results, true);
  const std::vector<TableValue> twins(wells.rows.at(13).end() - 6, wells.rows.at(13).end());
  EXPECT_EQ(std::vector<TableValue>(twins.begin(), twins.begin() + 2),
            (std::vector<TableValue>{0.5, 150.0}));
  EXPECT_NEAR(std::get<double>(twins[2]), std::numbers::pi * 300 * 300 * 0.25 / 1e6, 1e-12);
  EXPECT_EQ(std::vector<TableValue>(twins.begin() + 3, twins.end()),
            (std::vector<TableValue>{22.5, 10.0, 7.5}));
}

TEST(Measures, EveryMeasureIsDescribedAndFoundAtItsLevel) {
  for (const MeasureDescriptor& m : AllMeasures()) {
    EXPECT_FALSE(m.caption.empty() || m.unit.empty() || m.range.empty() || m.definition.empty())
        << m.column;
    EXPECT_EQ(FindMeasure(m.level, m.column), &m);
  }
  EXPECT_EQ(FindMeasure(MeasureLevel::Well, "size"), nullptr);
  EXPECT_EQ(FindMeasure(MeasureLevel::Nucleus, "size")->caption, "Nucleus size");
}

TEST(SettingExplanations, RangesReadAsAPersonWouldSayThem) {
  EXPECT_EQ(SettingRangeText(Describe(SettingId::DisplayGreenCutoff)), "0 to 254");
  EXPECT_EQ(SettingRangeText(Describe(SettingId::RingIncrement)), "1 and up");
  EXPECT_EQ(SettingRangeText(Describe(SettingId::CellsLengthRatio)), "0.1 to 20 in steps of 0.1");
  EXPECT_EQ(SettingRangeText(Describe(SettingId::CellsSmoothness)), "0 to 1 in steps of 0.01");
  EXPECT_EQ(SettingRangeText(Describe(SettingId::DisplayBlueFullRange)), "yes or no");
  for (const SettingDescriptor& setting : AllSettings()) {
    EXPECT_FALSE(Explain(setting.id).unit.empty()) << setting.key;
    EXPECT_FALSE(Explain(setting.id).effect.empty()) << setting.key;
  }
  const std::string reference = SettingsReferenceMarkdown();
  EXPECT_NE(reference.find("| `Cent_Cell_Coeff` | `cells.smoothness` | Universal cellular "
                           "settings, \"Roughness coeff:\" | fit quality (0-1) | 0 to 1 in steps "
                           "of 0.01 | 0.75 |"),
            std::string::npos)
      << reference;
  EXPECT_NE(reference.find("| yes or no | yes |"), std::string::npos);
}

}  // namespace
}  // namespace vembrel
