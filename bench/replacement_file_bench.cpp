// Writing a plate's per-well files (ring snapshot, cell snapshot, cell data
// of 96 wells, as large as the demo plate's) through ReplacementFile: each
// file synced on its own, or all deferred and made durable by one SyncFolder
// at the end, as the batch does before it replaces the summary. The folder
// is on the disk of the temporary folder (set TMPDIR to measure another).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/replacement_file.h"
#include "core/text_file.h"

namespace {

namespace fs = std::filesystem;
using vembrel::Durability;

constexpr int kWells = 96;

void BM_PlateOfWellFiles(benchmark::State& bench) {
  const bool deferred = bench.range(0) == 1;
  std::string pattern = (fs::temp_directory_path() / "vembrel-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    bench.SkipWithError("mkdtemp failed");
    return;
  }
  const std::string folder = pattern + "/";
  const std::string ringSnapshot(30000, 'r');
  const std::string cellSnapshot(37000, 'c');
  const std::string cellData(4000, 'd');
  const Durability durability = deferred ? Durability::Deferred : Durability::Synced;
  for (auto _ : bench) {
    for (int well = 0; well < kWells; ++well) {
      const std::string name = std::to_string(well);
      vembrel::WriteFileAtomically(folder + name + ".jpg", ringSnapshot, durability);
      vembrel::WriteFileAtomically(folder + name + "_cells.jpg", cellSnapshot, durability);
      vembrel::WriteFileAtomically(folder + name + ".csv", cellData, durability);
    }
    if (deferred) vembrel::SyncFolder(folder);
  }
  // Seconds per well, of the wall-clock time.
  bench.counters["per_well"] = benchmark::Counter(
      kWells, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  std::error_code ignored;
  fs::remove_all(pattern, ignored);
}
BENCHMARK(BM_PlateOfWellFiles)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("deferred")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
