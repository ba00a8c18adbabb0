// The per-pass imaging work on a realistic well: composite, ring fit and the
// whole-mosaic nucleus scan with its density profile.
#include <benchmark/benchmark.h>

#include <random>

#include "imaging/composite.h"
#include "imaging/immigrants.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"

namespace {

using vembrel::Picture;

// A well-like pair of mosaics: green cells with a dark cell-free zone, blue
// nuclei of 30 to 120 pixels scattered over it.
struct WellMosaics {
  Picture blue{1024, 1024};
  Picture green{1024, 1024};
};

WellMosaics MakeWell() {
  WellMosaics well;
  std::mt19937 random(42);
  for (int r = 0; r < 1024; ++r) {
    for (int c = 0; c < 1024; ++c) {
      const int dx = c - 560, dy = r - 480;
      const bool zone = dx * dx + dy * dy < 330 * 330;
      const auto g = static_cast<std::uint8_t>((zone ? 15 : 90) + random() % 40);
      const auto b = static_cast<std::uint8_t>(random() % 25);
      for (int k = 0; k < 3; ++k) {
        well.green.at(c, r, k) = g;
        well.blue.at(c, r, k) = b;
      }
    }
  }
  for (int i = 0; i < 1500; ++i) {
    const int cx = static_cast<int>(random() % 1024), cy = static_cast<int>(random() % 1024);
    const int radius = 3 + static_cast<int>(random() % 4);
    for (int r = cy - radius; r <= cy + radius; ++r) {
      for (int c = cx - radius; c <= cx + radius; ++c) {
        if (r < 0 || c < 0 || r >= 1024 || c >= 1024) continue;
        if ((r - cy) * (r - cy) + (c - cx) * (c - cx) >= radius * radius) continue;
        for (int k = 0; k < 3; ++k) {
          well.blue.at(c, r, k) = static_cast<std::uint8_t>(120 + random() % 100);
          well.green.at(c, r, k) = static_cast<std::uint8_t>(60 + random() % 100);
        }
      }
    }
  }
  return well;
}

const WellMosaics& Well() {
  static const WellMosaics well = MakeWell();
  return well;
}

void BM_Composite(benchmark::State& state) {
  const WellMosaics& well = Well();
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
  const WellMosaics& well = Well();
  for (auto _ : state) benchmark::DoNotOptimize(vembrel::FitRing(well.green, 350));
}
BENCHMARK(BM_FitRing)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

namespace {

Picture WellComposite() {
  const WellMosaics& well = Well();
  Picture composite;
  vembrel::MakeComposite(well.blue, well.green, {}, {}, composite);
  return composite;
}

void BM_GetAllNuclei(benchmark::State& state) {
  const Picture composite = WellComposite();
  vembrel::NucleusScanSettings settings;
  settings.lowerCutoffBlue = 100;
  settings.lowerCutoffGreen = 40;
  settings.ringX = 560;
  settings.ringY = 480;
  settings.ringIncrement = 10;
  for (auto _ : state) {
    const vembrel::DensityProfile profile = vembrel::GetAllNuclei(composite, settings);
    benchmark::DoNotOptimize(profile.nbins);
  }
}
BENCHMARK(BM_GetAllNuclei)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CountImmigrants(benchmark::State& state) {
  const Picture composite = WellComposite();
  Picture ringMask = Well().green;
  vembrel::DrawRingMask(ringMask, 560, 480, 350);
  vembrel::ImmigrantSettings settings;
  settings.lowerCutoffBlue = 100;
  settings.lowerCutoffGreen = 40;
  settings.ringX = 560;
  settings.ringY = 480;
  Picture work, mask;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        vembrel::CountImmigrants(composite, ringMask, settings, work, mask).nuclei);
  }
}
BENCHMARK(BM_CountImmigrants)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
