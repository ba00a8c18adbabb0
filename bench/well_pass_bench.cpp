// The well window's analysis pass on a demo well, and opening the window
// (loading the eight field files, composite, ring fit and first pass).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/program_state.h"
#include "engine/workspace.h"
#include "plate/demo_plate.h"

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
  auto program = std::make_unique<vembrel::ProgramState>();
  vembrel::Workspace workspace(*program);
  workspace.FileOpen(plate.picture());
  workspace.selectphoto(0, vembrel::MouseButton::Left);
  vembrel::WellWindow& window = *workspace.activeWindow();
  for (auto _ : state) {
    // A new generation invalidates the pass's memo, so every pass is analysed.
    ++program->analysisGeneration;
    window.LaatsteFig();
    benchmark::DoNotOptimize(program->DoneSignal);
  }
  state.counters["nuclei"] = std::stod(window.label("Label31"));
}
BENCHMARK(BM_WellPass)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_FormShow(benchmark::State& state) {
  BenchPlate plate;
  auto program = std::make_unique<vembrel::ProgramState>();
  vembrel::Workspace workspace(*program);
  workspace.FileOpen(plate.picture());
  for (auto _ : state) {
    workspace.selectphoto(0, vembrel::MouseButton::Left);
    workspace.closeAllWindows();
  }
}
BENCHMARK(BM_FormShow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace
