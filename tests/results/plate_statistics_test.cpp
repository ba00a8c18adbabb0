// The plate's statistics against numpy: Z', robust Z', SSMD and each
// condition's description computed independently from the same values;
// the notes where a value cannot be had; the verdict's boundaries; and a
// mapped plate's normalisation, conditions, dose-response groups and
// dropped wells.
#include <gtest/gtest.h>

#include <random>

#include "core/error.h"
#include "plate/well_names.h"
#include "results/plate_statistics.h"
#include "support/python_oracle.h"

namespace vembrel::testing {
namespace {

using Json = nlohmann::json;

const char* const kNumpyStatistics = R"(
import json, sys
import numpy as np
data = json.load(open(sys.argv[1]))
def describe(v):
    v = np.array(v, dtype=float)
    med = np.median(v)
    return {"mean": v.mean(), "sd": v.std(ddof=1), "cv": v.std(ddof=1) / v.mean(),
            "median": med, "mad": np.median(np.abs(v - med))}
out = []
for case in data:
    neg = np.array(case["neg"], dtype=float)
    pos = np.array(case["pos"], dtype=float)
    sn, sp = neg.std(ddof=1), pos.std(ddof=1)
    mn, mp = np.median(neg), np.median(pos)
    madn = 1.4826 * np.median(np.abs(neg - mn))
    madp = 1.4826 * np.median(np.abs(pos - mp))
    out.append({
        "z": 1 - 3 * (sp + sn) / abs(pos.mean() - neg.mean()),
        "robust_z": 1 - 3 * (madp + madn) / abs(mp - mn),
        "ssmd": (neg.mean() - pos.mean()) / np.sqrt(sn ** 2 + sp ** 2),
        "neg": describe(neg), "pos": describe(pos)})
print(json.dumps(out))
)";

void ExpectClose(const std::optional<double>& value, const Json& expected, const char* what) {
  ASSERT_TRUE(value) << what;
  const double e = expected.get<double>();
  EXPECT_NEAR(*value, e, 1e-9 * (1 + std::abs(e))) << what;
}

TEST(PlateStatisticsTest, QualityAndDescriptionsEqualNumpys) {
  std::mt19937 random(42);
  std::normal_distribution<double> spread(0.0, 1.0);
  Json cases = Json::array();
  std::vector<std::pair<std::vector<double>, std::vector<double>>> controls;
  for (const auto& [nNegative, nPositive, separation] :
       {std::tuple{8, 8, 10.0}, {5, 6, 4.0}, {2, 3, 1.5}, {16, 7, -6.0}}) {
    std::vector<double> negatives, positives;
    for (int i = 0; i < nNegative; ++i) negatives.push_back(300 + 20 * spread(random));
    for (int i = 0; i < nPositive; ++i)
      positives.push_back(300 - 20 * separation + 15 * spread(random));
    cases.push_back({{"neg", negatives}, {"pos", positives}});
    controls.emplace_back(negatives, positives);
  }
  const Json numpy = RunPythonOracle(kNumpyStatistics, cases);
  ASSERT_TRUE(numpy.is_array()) << "python3 with numpy is needed";
  for (std::size_t k = 0; k < controls.size(); ++k) {
    SCOPED_TRACE(k);
    const auto& [negatives, positives] = controls[k];
    const ControlQuality q = QualityOfControls(negatives, positives);
    EXPECT_EQ(q.nNegative, static_cast<int>(negatives.size()));
    EXPECT_EQ(q.nPositive, static_cast<int>(positives.size()));
    ExpectClose(q.zPrime, numpy[k]["z"], "z'");
    ExpectClose(q.robustZPrime, numpy[k]["robust_z"], "robust z'");
    ExpectClose(q.ssmd, numpy[k]["ssmd"], "ssmd");
    ExpectClose(q.meanNegative, numpy[k]["neg"]["mean"], "mean-");
    ExpectClose(q.sdNegative, numpy[k]["neg"]["sd"], "sd-");
    ExpectClose(q.meanPositive, numpy[k]["pos"]["mean"], "mean+");
    ExpectClose(q.sdPositive, numpy[k]["pos"]["sd"], "sd+");
    EXPECT_EQ(q.verdict, ZPrimeVerdict(*q.zPrime));
    EXPECT_EQ(q.note, "");
    for (const auto& [values, expected] :
         {std::pair{&negatives, numpy[k]["neg"]}, std::pair{&positives, numpy[k]["pos"]}}) {
      const Description d = Describe(*values);
      EXPECT_EQ(d.n, static_cast<int>(values->size()));
      for (const auto& [value, name] : {std::pair{d.mean, "mean"},
                                        {d.sd, "sd"},
                                        {d.cv, "cv"},
                                        {d.median, "median"},
                                        {d.mad, "mad"}}) {
        ExpectClose(value, expected[name], name);
      }
    }
  }
}

TEST(PlateStatisticsTest, MissingValuesSayWhyAndNeverDivideByZero) {
  const ControlQuality one = QualityOfControls({100}, {10, 12});
  EXPECT_EQ(one.nNegative, 1);
  EXPECT_EQ(one.meanNegative, 100.0);
  EXPECT_FALSE(one.sdNegative);
  EXPECT_EQ(one.sdPositive, std::sqrt(2.0));
  EXPECT_FALSE(one.zPrime || one.robustZPrime || one.ssmd);
  EXPECT_EQ(one.verdict, "");
  EXPECT_EQ(one.note, "fewer than 2 negative controls (1)");
  const ControlQuality none = QualityOfControls({100, 90}, {});
  EXPECT_FALSE(none.meanPositive);
  EXPECT_FALSE(none.zPrime);
  EXPECT_EQ(none.note, "fewer than 2 positive controls (0)");
  const ControlQuality equal = QualityOfControls({10, 20}, {15, 15});
  EXPECT_FALSE(equal.zPrime);
  EXPECT_EQ(equal.verdict, "");
  EXPECT_EQ(equal.ssmd, 0.0);
  EXPECT_NE(equal.note.find("means are equal"), std::string::npos);
  EXPECT_NE(equal.note.find("medians are equal"), std::string::npos);
  const ControlQuality still = QualityOfControls({10, 10}, {5, 5});
  EXPECT_EQ(still.zPrime, 1.0);
  EXPECT_EQ(still.robustZPrime, 1.0);
  EXPECT_FALSE(still.ssmd);
  EXPECT_EQ(still.note, "neither control varies: no SSMD");

  const Description single = Describe({4});
  EXPECT_EQ(single.n, 1);
  EXPECT_EQ(single.mean, 4.0);
  EXPECT_EQ(single.median, 4.0);
  EXPECT_EQ(single.mad, 0.0);
  EXPECT_FALSE(single.sd || single.cv);
  const Description zero = Describe({-1, 1});
  EXPECT_FALSE(zero.cv);
  EXPECT_EQ(zero.sd, std::sqrt(2.0));
  EXPECT_EQ(Describe({}).n, 0);
  EXPECT_FALSE(Describe({}).mean);
}

TEST(PlateStatisticsTest, VerdictsAndNormalisationFollowTheirFormulas) {
  EXPECT_STREQ(ZPrimeVerdict(0.5), "excellent");
  EXPECT_STREQ(ZPrimeVerdict(0.4999), "marginal");
  EXPECT_STREQ(ZPrimeVerdict(1e-9), "marginal");
  EXPECT_STREQ(ZPrimeVerdict(0), "unusable");
  EXPECT_STREQ(ZPrimeVerdict(-2), "unusable");

  ControlQuality q;
  q.meanNegative = 200;
  q.meanPositive = 50;
  EXPECT_DOUBLE_EQ(*PercentOfControl(150, q), 75);
  EXPECT_DOUBLE_EQ(*PercentInhibition(150, q), 100 * 50.0 / 150.0);
  EXPECT_DOUBLE_EQ(*PercentInhibition(50, q), 100);
  EXPECT_DOUBLE_EQ(*PercentInhibition(200, q), 0);
  q.meanPositive = 200;
  EXPECT_FALSE(PercentInhibition(150, q));
  q.meanPositive.reset();
  EXPECT_FALSE(PercentInhibition(150, q));
  EXPECT_TRUE(PercentOfControl(150, q));
  q.meanNegative = 0;
  EXPECT_FALSE(PercentOfControl(150, q));
  q.meanNegative.reset();
  q.meanPositive = 50;
  EXPECT_FALSE(PercentOfControl(150, q));
  EXPECT_FALSE(PercentInhibition(150, q));
}

TEST(PlateStatisticsTest, ReadoutsAreNamedAsTheirColumns) {
  EXPECT_EQ(ParseReadouts("average_distance,nuclei,average_distance"),
            (std::vector<Readout>{Readout::AverageDistance, Readout::Nuclei}));
  EXPECT_EQ(ParseReadouts("radial_share,calculated_nuclei"),
            (std::vector<Readout>{Readout::RadialShare, Readout::CalculatedNuclei}));
  EXPECT_THROW(ParseReadouts("nuclei,cells"), UsageError);
  EXPECT_THROW(ParseReadouts(""), UsageError);
  EXPECT_EQ(DefaultReadouts(false).size(), 3u);
  EXPECT_EQ(DefaultReadouts(true).back(), Readout::RadialShare);
  WellResults well;
  well.nuclei = 7;
  well.calculatedNuclei = 9;
  well.averageDistance = 31;
  EXPECT_EQ(ReadoutValue(well, Readout::Nuclei), 7.0);
  EXPECT_EQ(ReadoutValue(well, Readout::CalculatedNuclei), 9.0);
  EXPECT_EQ(ReadoutValue(well, Readout::AverageDistance), 31.0);
  EXPECT_FALSE(ReadoutValue(well, Readout::RadialShare));
  well.cells.emplace().statistics.gauge = 64;
  EXPECT_EQ(ReadoutValue(well, Readout::RadialShare), 64.0);
}

// A plate of constructed results: negatives A01-D01 (one flagged), positives
// A12-D12, DrugA at six concentrations in duplicate down columns 2 and 3,
// DrugB (3 concentrations) in column 4, a condition named in the map for E05
// and F05, a DrugA well marked as a positive control.
TEST(PlateStatisticsTest, AMappedPlateIsNormalisedGroupedAndFitted) {
  std::string text = "well,role,compound,concentration,unit,condition\n";
  PlateResults results;
  const auto put = [&](const std::string& name, const std::string& map, std::int64_t nuclei,
                       bool flagged = false) {
    text += name + "," + map + "\n";
    WellResults well;
    well.well = WellIndex(name);
    well.nuclei = nuclei;
    well.averageDistance = 2 * nuclei;
    if (flagged) well.quality.push_back(QualityNote::Saturated);
    results.wells[well.well] = well;
  };
  put("A01", "negative_control,DMSO,,,", 200);
  put("B01", "negative_control,DMSO,,,", 210);
  put("C01", "negative_control,DMSO,,,", 190);
  put("D01", "negative_control,DMSO,,,", 900, true);
  put("A12", "positive_control,,,,", 20);
  put("B12", "positive_control,,,,", 30);
  put("C12", "positive_control,,,,", 25);
  put("D12", "positive_control,DrugA,1000,nM,", 10);
  const double levels[] = {1, 3, 10, 30, 100, 300};
  for (int k = 0; k < 6; ++k) {
    for (const int column : {2, 3}) {
      const std::string name = WellName(k * 12 + column - 1);
      const double value = 20 + 180 / (1 + levels[k] / 20.0) + (column == 2 ? 3 : -3);
      put(name, "sample,DrugA," + std::to_string(static_cast<int>(levels[k])) + ",nM,",
          static_cast<std::int64_t>(value));
    }
  }
  put("A04", "sample,DrugB,1,uM,", 100);
  put("B04", "sample,DrugB,2,uM,", 90);
  put("C04", ",DrugB,4,uM,", 80);
  put("E05", "sample,,,,scratch", 60);
  put("F05", "sample,,,,scratch", 70);
  text += "G05,sample,DrugC,5,uM,\n";  // mapped but not analysed

  MapRequest request{ParsePlateMap(text, "m.csv"), {Readout::Nuclei, Readout::AverageDistance}};
  const PlateAnalysis kept = AnalysePlate(request, results);
  EXPECT_TRUE(kept.droppedWells.empty());
  ASSERT_EQ(kept.readouts.size(), 2u);
  EXPECT_EQ(kept.readouts[0].quality.nNegative, 4);
  EXPECT_EQ(kept.readouts[0].quality.meanNegative, (200 + 210 + 190 + 900) / 4.0);

  request.dropFlagged = true;
  const PlateAnalysis analysis = AnalysePlate(request, results);
  EXPECT_EQ(analysis.droppedWells, std::vector<int>{WellIndex("D01")});
  EXPECT_TRUE(analysis.hasControls);
  const ReadoutAnalysis& nuclei = analysis.readouts[0];
  EXPECT_EQ(nuclei.readout, Readout::Nuclei);
  EXPECT_EQ(nuclei.quality.nNegative, 3);
  EXPECT_EQ(nuclei.quality.nPositive, 4);
  EXPECT_DOUBLE_EQ(*nuclei.quality.meanNegative, 200);
  EXPECT_DOUBLE_EQ(*nuclei.quality.meanPositive, 85 / 4.0);
  EXPECT_DOUBLE_EQ(*nuclei.percentOfControl[WellIndex("E05")], 30);
  EXPECT_DOUBLE_EQ(*nuclei.percentInhibition[WellIndex("E05")],
                   100 * (200 - 60) / (200 - 85 / 4.0));
  // A dropped well still gets its normalised values; a well without results none.
  EXPECT_DOUBLE_EQ(*nuclei.percentOfControl[WellIndex("D01")], 450);
  EXPECT_FALSE(nuclei.values[WellIndex("G05")]);
  EXPECT_FALSE(nuclei.percentOfControl[WellIndex("G05")]);
  EXPECT_DOUBLE_EQ(*analysis.readouts[1].quality.meanNegative, 400);

  // Conditions in plate order, each with every readout.
  std::vector<std::string> names;
  for (const ConditionRow& row : analysis.conditions) {
    if (row.readout == Readout::Nuclei) names.push_back(row.condition);
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "DMSO", "DrugA 1 nM", "DrugB 1 uM", "positive_control", "DrugA 3 nM",
                       "DrugB 2 uM", "DrugA 10 nM", "DrugB 4 uM", "DrugA 30 nM", "DrugA 1000 nM",
                       "DrugA 100 nM", "scratch", "DrugA 300 nM", "DrugC 5 uM"}));
  ASSERT_EQ(analysis.conditions.size(), 2 * names.size());
  const ConditionRow& dmso = analysis.conditions[0];
  EXPECT_EQ(dmso.role, WellRole::NegativeControl);
  EXPECT_EQ(dmso.compound, "DMSO");
  EXPECT_FALSE(dmso.concentration);
  EXPECT_EQ(dmso.description.n, 3);
  EXPECT_DOUBLE_EQ(*dmso.description.mean, 200);
  EXPECT_EQ(analysis.conditions[1].readout, Readout::AverageDistance);
  EXPECT_DOUBLE_EQ(*analysis.conditions[1].description.mean, 400);
  const ConditionRow& drugA1 = analysis.conditions[2];
  EXPECT_EQ(drugA1.condition, "DrugA 1 nM");
  EXPECT_EQ(drugA1.role, WellRole::Sample);
  EXPECT_EQ(drugA1.concentration, 1.0);
  EXPECT_EQ(drugA1.unit, "nM");
  EXPECT_EQ(drugA1.description.n, 2);
  const auto condition = [&](const std::string& name) {
    return *std::find_if(analysis.conditions.begin(), analysis.conditions.end(),
                         [&](const ConditionRow& row) { return row.condition == name; });
  };
  // C04 alone, without a role; G05 has no results.
  EXPECT_FALSE(condition("DrugB 4 uM").role);
  EXPECT_EQ(condition("positive_control").description.n, 3);
  EXPECT_EQ(condition("scratch").description.n, 2);
  EXPECT_EQ(condition("scratch").compound, "");
  EXPECT_EQ(condition("DrugC 5 uM").description.n, 0);

  // DrugA: 12 points at 6 concentrations, the positive control left out;
  // DrugB: too few concentrations; DrugC: no value.
  ASSERT_EQ(analysis.doseResponse.size(), 6u);
  const DoseResponseRow& drugA = analysis.doseResponse[0];
  EXPECT_EQ(drugA.compound, "DrugA");
  EXPECT_EQ(drugA.unit, "nM");
  EXPECT_EQ(drugA.readout, Readout::Nuclei);
  EXPECT_EQ(drugA.fit.points, 12);
  EXPECT_EQ(drugA.fit.concentrations, 6);
  EXPECT_TRUE(drugA.fit.converged);
  EXPECT_NEAR(drugA.fit.ic50, 20, 4);
  EXPECT_EQ(analysis.doseResponse[1].readout, Readout::AverageDistance);
  EXPECT_NEAR(analysis.doseResponse[1].fit.ic50, 20, 4);
  const DoseResponseRow& drugB = analysis.doseResponse[2];
  EXPECT_EQ(drugB.compound, "DrugB");
  EXPECT_EQ(drugB.fit.points, 3);
  EXPECT_EQ(drugB.fit.flags, std::vector<std::string>{"too_few_concentrations"});
  EXPECT_EQ(analysis.doseResponse[4].compound, "DrugC");
  EXPECT_EQ(analysis.doseResponse[4].fit.points, 0);
}

}  // namespace
}  // namespace vembrel::testing
