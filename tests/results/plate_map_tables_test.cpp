// The plate map's tables: each value in its column, the map's columns after
// "well", empty cells for what has no value.
#include <gtest/gtest.h>

#include <cmath>

#include "plate/well_names.h"
#include "results/plate_map_report.h"
#include "results/plate_map_tables.h"

namespace vembrel::testing {
namespace {

std::vector<std::string> Lines(const Table& table) {
  std::vector<std::string> lines;
  const std::string text = CsvText(table);
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(PlateMapTablesTest, EachValueStandsInItsColumn) {
  PlateAnalysis analysis;
  analysis.hasControls = true;
  ReadoutAnalysis& r = analysis.readouts.emplace_back();
  r.readout = Readout::AverageDistance;
  r.quality.nNegative = 3;
  r.quality.nPositive = 1;
  r.quality.meanNegative = 10;
  r.quality.sdNegative = 1.5;
  r.quality.meanPositive = 2;
  r.quality.zPrime = 0.25;
  r.quality.robustZPrime = 0.5;
  r.quality.ssmd = 4;
  r.quality.verdict = "marginal";
  r.quality.note = "a, b";
  r.percentOfControl.resize(96);
  r.percentInhibition.resize(96);
  r.percentOfControl[1] = 80;
  r.percentInhibition[1] = 25;
  ConditionRow& c = analysis.conditions.emplace_back();
  c.condition = "D 1 uM";
  c.role = WellRole::Sample;
  c.compound = "D";
  c.concentration = 1;
  c.unit = "uM";
  c.readout = Readout::Nuclei;
  c.description = {3, 6.0, 2.0, 1 / 3.0, 5.0, 1.0};
  DoseResponseRow& fitted = analysis.doseResponse.emplace_back();
  fitted.compound = "D";
  fitted.readout = Readout::CalculatedNuclei;
  fitted.fit.points = 12;
  fitted.fit.concentrations = 6;
  fitted.fit.fitted = true;
  fitted.fit.bottom = 1;
  fitted.fit.top = 2;
  fitted.fit.ic50 = 3;
  fitted.fit.hill = 4;
  fitted.fit.ic50Low = 2.5;
  fitted.fit.ic50High = 3.5;
  fitted.fit.rSquared = 0.75;
  fitted.fit.rss = 0.5;
  fitted.fit.converged = true;
  fitted.fit.flags = {"ic50_below_range", "no_convergence"};
  DoseResponseRow& few = analysis.doseResponse.emplace_back();
  few.compound = "E";
  few.readout = Readout::RadialShare;
  few.fit.points = 3;
  few.fit.concentrations = 3;
  few.fit.ic50 = std::nan("");
  few.fit.flags = {"too_few_concentrations"};

  EXPECT_EQ(Lines(PlateQualityTable(analysis))[1],
            "average_distance,3,1,10,1.5,2,,0.25,0.5,4,marginal,\"a, b\"");
  EXPECT_EQ(Lines(ConditionsTable(analysis))[1],
            "D 1 uM,sample,D,1,uM,nuclei,3,6,2,0.3333333333333333,5,1");
  const std::vector<std::string> dose = Lines(DoseResponseTable(analysis));
  EXPECT_EQ(dose[1],
            "D,calculated_nuclei,12,6,1,2,3,4,2.5,3.5,0.75,0.5,true,"
            "ic50_below_range;no_convergence");
  EXPECT_EQ(dose[2], "E,radial_share,3,3,,,,,,,,,,too_few_concentrations");

  MappedPlate map;
  map.otherVariables = {"donor"};
  for (MappedWell& well : map.wells) well.others = {""};
  map.wells[1] = {WellRole::NegativeControl, "V, 1", 0.5, "mM", "vehicle", {"d7"}, true};
  Table wells;
  wells.columns = {"plate", "well", "included"};
  for (int w = 0; w < 96; ++w) wells.rows.push_back({std::string("P"), WellName(w), true});
  AddMapColumns(wells, map, analysis);
  const std::vector<std::string> lines = Lines(wells);
  EXPECT_EQ(lines[0],
            "plate,well,role,compound,concentration,unit,condition,donor,"
            "average_distance_percent_of_control,average_distance_percent_inhibition,included");
  EXPECT_EQ(lines[1], "P,A01,,,,,,,,,true");
  EXPECT_EQ(lines[2], "P,A02,negative_control,\"V, 1\",0.5,mM,vehicle,d7,80,25,true");
  // Without controls no normalised columns.
  analysis.hasControls = false;
  Table plain;
  plain.columns = {"plate", "well"};
  plain.rows.assign(96, {std::string("P"), std::string("X")});
  AddMapColumns(plain, map, analysis);
  EXPECT_EQ(Lines(plain)[0], "plate,well,role,compound,concentration,unit,condition,donor");
}

TEST(PlateMapTablesTest, ChartAxesTickAtRoundNumbers) {
  EXPECT_EQ(AxisTicks(0, 100), (std::vector<double>{0, 20, 40, 60, 80, 100}));
  const std::vector<double> small = AxisTicks(-0.3, 0.7);
  const std::vector<double> expected{-0.2, 0, 0.2, 0.4, 0.6};
  ASSERT_EQ(small.size(), expected.size());
  for (std::size_t i = 0; i < small.size(); ++i) EXPECT_NEAR(small[i], expected[i], 1e-12);
  EXPECT_EQ(AxisTicks(-0.05, 1).front(), 0.0);
  EXPECT_FALSE(std::signbit(AxisTicks(-0.05, 1).front()));  // no "-0" label
  EXPECT_EQ(AxisTicks(3, 4.1), (std::vector<double>{3, 3.5, 4}));
  EXPECT_TRUE(AxisTicks(5, 5).empty());
}

}  // namespace
}  // namespace vembrel::testing
