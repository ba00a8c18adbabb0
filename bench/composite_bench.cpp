// Placeholder replaced by the imaging benchmarks.
#include <benchmark/benchmark.h>

#include "core/central_settings.h"

static void BM_WellSettingsRow(benchmark::State& state) {
  vembrel::CentralSettings s;
  for (auto _ : state) benchmark::DoNotOptimize(vembrel::ToWellSettingsRow(s));
}
BENCHMARK(BM_WellSettingsRow);
