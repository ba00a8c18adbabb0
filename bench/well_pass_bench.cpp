// The analysis pass of a well session on a demo well (what a slider move
// costs), and opening a well (loading the eight field files, composite, ring
// fit and first pass).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "demo/demo_plate.h"
#include "engine/well_session.h"
#include "plate/plate.h"

namespace {

// A temporary folder with one well of the demo plate.
class BenchPlate {
 public:
  BenchPlate() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vembrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    vembrel::WriteDemoPlate((folder_ / "plate").string(), 1, {0});
  }
  ~BenchPlate() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string picture() const { return (folder_ / "plate" / "DEMO_A01f00d0.tif").string(); }

 private:
  std::filesystem::path folder_;
};

void BM_WellPass(benchmark::State& state) {
  BenchPlate plate;
  vembrel::WellSession session(vembrel::OpenPlate(plate.picture()), 0, {});
  int cutoff = 100;
  for (auto _ : state) {
    cutoff = cutoff == 100 ? 101 : 100;  // each change runs one pass
    session.set(vembrel::SettingId::NucleiBlueCutoff, cutoff);
  }
  state.counters["nuclei"] = static_cast<double>(session.results().totalNuclei);
}
BENCHMARK(BM_WellPass)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_OpenWell(benchmark::State& state) {
  BenchPlate plate;
  const vembrel::Plate opened = vembrel::OpenPlate(plate.picture());
  for (auto _ : state) {
    vembrel::WellSession session(opened, 0, {});
    benchmark::DoNotOptimize(session.results().nuclei);
  }
}
BENCHMARK(BM_OpenWell)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace
