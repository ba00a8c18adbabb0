// What a plate map adds to a batch: the dose-response fit of one compound
// (eight concentrations in triplicate) and the whole analysis of a 96-well
// plate with controls and six compounds over three readouts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "plate/well_names.h"
#include "results/dose_response_fit.h"
#include "results/plate_statistics.h"

namespace vembrel {
namespace {

void Curve(std::vector<double>& c, std::vector<double>& y) {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0.0, 20.0);
  for (int k = 0; k < 8; ++k) {
    const double level = 0.01 * std::pow(10.0, 4.0 * k / 7.0);
    for (int replicate = 0; replicate < 3; ++replicate) {
      c.push_back(level);
      y.push_back(LogLogistic(level, 100, 500, 0.8, 1.0) + noise(random));
    }
  }
}

void BM_DoseResponseFit(benchmark::State& state) {
  std::vector<double> c, y;
  Curve(c, y);
  for (auto _ : state) benchmark::DoNotOptimize(FitDoseResponse(c, y));
}
BENCHMARK(BM_DoseResponseFit)->Unit(benchmark::kMillisecond);

// Columns 1 and 12 controls, columns 2..11 six compounds at eight
// concentrations down the rows (some in duplicate).
void BM_AnalyseMappedPlate(benchmark::State& state) {
  std::string text = "well,role,compound,concentration,unit\n";
  PlateResults results;
  std::mt19937 random(9);
  std::uniform_int_distribution<int> counts(50, 400);
  for (int w = 0; w < 96; ++w) {
    const int row = w / 12, column = w % 12;
    text += WellName(w);
    if (column == 0) {
      text += ",negative_control,,,\n";
    } else if (column == 11) {
      text += ",positive_control,,,\n";
    } else {
      text += ",sample,Drug" + std::to_string((column - 1) * 6 / 10) + "," +
              std::to_string(std::pow(10.0, row - 4)) + ",uM\n";
    }
    WellResults well;
    well.well = w;
    well.nuclei = counts(random);
    well.calculatedNuclei = well.nuclei + 3;
    well.averageDistance = counts(random) / 4;
    results.wells[w] = well;
  }
  const MapRequest request{ParsePlateMap(text, "bench.csv"), DefaultReadouts(false), false};
  for (auto _ : state) benchmark::DoNotOptimize(AnalysePlate(request, results));
}
BENCHMARK(BM_AnalyseMappedPlate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vembrel
