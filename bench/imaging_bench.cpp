// The per-pass imaging work on a demo well: composite, ring fit, the
// whole-mosaic nucleus scan with its density profile, and the counting step.
#include <benchmark/benchmark.h>

#include "imaging/composite.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"
#include "plate/demo_plate.h"

namespace {

using vembrel::Picture;

struct WellPictures {
  Picture blue;
  Picture green;
  Picture composite;
  vembrel::RingSearchResult ring;
};

// Well A01 of demo plate 1, windowed with the default settings.
const WellPictures& Well() {
  static const WellPictures well = [] {
    const std::array<Picture, 8> fields = vembrel::MakeDemoWellFields(1, 0);
    WellPictures w;
    w.blue = vembrel::AssembleMosaic({fields[0], fields[1], fields[2], fields[3]});
    w.green = vembrel::AssembleMosaic({fields[4], fields[5], fields[6], fields[7]});
    vembrel::MakeComposite(w.blue, w.green, {}, {}, w.composite);
    w.ring = vembrel::FitRing(w.green, 350);
    return w;
  }();
  return well;
}

void BM_Composite(benchmark::State& state) {
  const WellPictures& well = Well();
  Picture composite;
  const vembrel::ChannelWindow blue{10, 240, true};
  const vembrel::ChannelWindow green{5, 250, false};
  for (auto _ : state) {
    vembrel::MakeComposite(well.blue, well.green, blue, green, composite);
    benchmark::DoNotOptimize(composite.bytes.data());
  }
}
BENCHMARK(BM_Composite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FitRing(benchmark::State& state) {
  const WellPictures& well = Well();
  for (auto _ : state) benchmark::DoNotOptimize(vembrel::FitRing(well.green, 350));
  state.counters["trials"] = vembrel::FitRing(well.green, 350).trials;
}
BENCHMARK(BM_FitRing)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GetAllNuclei(benchmark::State& state) {
  const WellPictures& well = Well();
  vembrel::NucleusScanSettings settings;
  settings.ringX = well.ring.x;
  settings.ringY = well.ring.y;
  int total = 0;
  for (auto _ : state) {
    const vembrel::DensityProfile profile = vembrel::GetAllNuclei(well.composite, settings);
    total = profile.total;
    benchmark::DoNotOptimize(profile.nbins);
  }
  state.counters["nuclei"] = total;
}
BENCHMARK(BM_GetAllNuclei)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CountImmigrants(benchmark::State& state) {
  const WellPictures& well = Well();
  Picture ringMask = well.green;
  vembrel::DrawRingMask(ringMask, well.ring.x, well.ring.y, 350);
  vembrel::ImmigrantSettings settings;
  settings.ringX = well.ring.x;
  settings.ringY = well.ring.y;
  Picture result;
  std::int64_t nuclei = 0;
  for (auto _ : state) {
    nuclei = vembrel::CountImmigrants(well.composite, ringMask, settings, result).nuclei;
    benchmark::DoNotOptimize(nuclei);
  }
  state.counters["nuclei"] = static_cast<double>(nuclei);
}
BENCHMARK(BM_CountImmigrants)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
