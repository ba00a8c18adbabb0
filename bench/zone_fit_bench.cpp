// The zone fit's time per well on one thread: demo wells (zones of radius
// 300 to 380, up to 40 migrated cells), fitted over the radii 200..460 as
// `--fit-radius 200:460` does, and the assessment alone that every analysis
// runs for the no-zone note. Memory is tuned as the program tunes it: with
// glibc's defaults the work buffers' pages would be mapped and faulted in
// afresh on some calls and not on others, which times the allocator instead.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/memory_tuning.h"
#include "demo/demo_plate.h"
#include "imaging/mosaic.h"
#include "imaging/zone_fit.h"

namespace {

const bool kTuned = (vembrel::KeepPictureBuffersMapped(), true);

const std::vector<vembrel::Picture>& GreenMosaics() {
  static const std::vector<vembrel::Picture> mosaics = [] {
    std::vector<vembrel::Picture> result;
    for (int well : {0, 17, 35, 58, 83, 95}) {
      const std::array<vembrel::Picture, 8> fields = vembrel::MakeDemoWellFields(1, well);
      result.push_back(vembrel::AssembleMosaic({fields[4], fields[5], fields[6], fields[7]}));
    }
    return result;
  }();
  return mosaics;
}

void BM_FitZone(benchmark::State& state) {
  const auto& mosaics = GreenMosaics();
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vembrel::FitZone(mosaics[next], 200, 460));
    next = (next + 1) % mosaics.size();
  }
}
BENCHMARK(BM_FitZone)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_AssessZone(benchmark::State& state) {
  const auto& mosaics = GreenMosaics();
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vembrel::AssessZone(mosaics[next]));
    next = (next + 1) % mosaics.size();
  }
}
BENCHMARK(BM_AssessZone)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
