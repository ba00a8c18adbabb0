// The wells table's and the report page's rows for wells at the edges:
// exactly one kept cell, a failed well, an included well no run analysed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "plate/plate.h"
#include "plate/well_names.h"
#include "results/report_page.h"
#include "results/result_tables.h"
#include "results/run_manifest.h"

namespace vembrel {
namespace {

Plate PlateOfThreeIncludedWells() {
  Plate plate;
  plate.open = true;
  plate.path = "/plates/p1/";
  plate.prefix = "P1_";
  for (const int well : {0, 1, 2}) plate.wells[well].state = 1;
  return plate;
}

WellResults AnalysedWellWithCells(int well, int kept) {
  WellResults r;
  r.well = well;
  r.nuclei = 7;
  CellResults cells;
  cells.kept = kept;
  cells.seeds = 3;
  cells.statistics.elongationMedian = 2.5;
  cells.statistics.elongationMean = 2.75;
  cells.statistics.smoothnessMedian = 0.5;
  cells.statistics.smoothnessMean = 0.625;
  r.cells = cells;
  return r;
}

TEST(WellsTable, ShapeStatisticsStandFromOneKeptCellOn) {
  const Plate plate = PlateOfThreeIncludedWells();
  PlateResults results;
  results.record(AnalysedWellWithCells(0, 1), {});
  results.record(AnalysedWellWithCells(1, 0), {});
  const Table table = WellsTable(plate, results, true);
  const auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(table.columns.begin(), table.columns.end(), name) -
                                    table.columns.begin());
  };
  const std::vector<TableValue>& one = table.rows[0];
  EXPECT_EQ(one[column("cells_kept")], TableValue(std::int64_t{1}));
  EXPECT_EQ(one[column("elongation_median")], TableValue(2.5));
  EXPECT_EQ(one[column("elongation_mean")], TableValue(2.75));
  EXPECT_EQ(one[column("smoothness_median")], TableValue(0.5));
  EXPECT_EQ(one[column("smoothness_mean")], TableValue(0.625));
  const std::vector<TableValue>& none = table.rows[1];
  EXPECT_EQ(none[column("cells_kept")], TableValue(std::int64_t{0}));
  EXPECT_EQ(none[column("elongation_median")], TableValue());
  EXPECT_EQ(none[column("smoothness_mean")], TableValue());
}

TEST(ReportPage, KeepsFailedAndUnanalysedIncludedWells) {
  const Plate plate = PlateOfThreeIncludedWells();
  PlateResults results;
  results.record(AnalysedWellWithCells(0, 1), {});
  RunFacts facts;
  facts.failures = {{1, "Well A02: no <field>"}};
  const std::string page = ReportPage(plate, results, facts, "");
  EXPECT_NE(page.find("<tr id=\"well-A01\">"), std::string::npos);
  const std::size_t failed = page.find("<tr class=\"failed\" id=\"well-A02\">");
  ASSERT_NE(failed, std::string::npos) << page;
  EXPECT_NE(page.find("Well A02: no &lt;field&gt;</td></tr>", failed), std::string::npos);
  const std::size_t unanalysed = page.find("<tr class=\"failed\" id=\"well-A03\">");
  ASSERT_NE(unanalysed, std::string::npos) << page;
  EXPECT_NE(page.find("not analysed</td></tr>", unanalysed), std::string::npos);
  EXPECT_EQ(page.find("id=\"well-A04\""), std::string::npos);  // not included
}

}  // namespace
}  // namespace vembrel
