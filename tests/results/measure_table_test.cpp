// Every measure column of the wells and density tables, at cell level and
// with micrometres, is declared with a caption, unit, range and definition.
#include "results/measure_table.h"

#include <gtest/gtest.h>

#include <set>

#include "plate/plate.h"
#include "plate/setting_explanations.h"
#include "results/result_tables.h"

namespace vembrel {
namespace {

TEST(Measures, EveryTableColumnIsDeclaredAndEveryDeclarationIsAColumn) {
  PlateResults results;
  WellResults well;
  well.pixelSize = 0.5;
  well.cells = CellResults{};
  well.density = {{1, 10}};
  results.wells[0] = well;
  std::set<std::string> columns;
  for (const std::string& column : WellsTable(Plate(), results, true).columns) {
    columns.insert(column);
  }
  for (const std::string& column : DensityProfileTable(results).columns) {
    columns.insert("density." + column);
  }
  for (const std::string& column : columns) {
    const MeasureDescriptor* measure = FindMeasure(column);
    const bool identifying = column == "plate" || column == "well" || column == "included" ||
                             column == "qc" || column == "density.well" ||
                             column == "density.ring" || column.ends_with("_radius") ||
                             column.ends_with("_radius_um");
    if (identifying && measure == nullptr) continue;
    ASSERT_NE(measure, nullptr) << column;
    EXPECT_FALSE(measure->caption.empty() || measure->unit.empty() || measure->range.empty() ||
                 measure->definition.empty())
        << column;
  }
  for (const MeasureDescriptor& measure : AllMeasures()) {
    EXPECT_TRUE(columns.count(std::string(measure.column))) << measure.column;
  }
  EXPECT_EQ(FindMeasure("no_such_column"), nullptr);
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
