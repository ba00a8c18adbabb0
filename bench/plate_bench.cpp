// Demo plate generation and picture loading: one well rendered in memory, one
// well written as eight TIFF files, and one 512 x 512 field loaded back.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "demo/demo_plate.h"
#include "imaging/tiff_loader.h"
#include "plate/plate.h"

namespace {

std::string ScratchFolder() {
  return (std::filesystem::temp_directory_path() / ("vembrel-bench-" + std::to_string(getpid())))
      .string();
}

void BM_MakeDemoWellFields(benchmark::State& state) {
  int well = 0;
  for (auto _ : state) {
    auto fields = vembrel::MakeDemoWellFields(1, well);
    benchmark::DoNotOptimize(fields);
    well = (well + 1) % 96;
  }
}
BENCHMARK(BM_MakeDemoWellFields)->Unit(benchmark::kMillisecond);

void BM_WriteDemoWell(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  int well = 0;
  for (auto _ : state) {
    vembrel::WriteDemoPlate(folder, 1, {well});
    well = (well + 1) % 96;
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteDemoWell)->Unit(benchmark::kMillisecond);

void BM_LoadTiffField(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  vembrel::WriteDemoPlate(folder, 1, {0});
  const std::string file = folder + "/DEMO_A01f00d1.tif";
  for (auto _ : state) {
    auto picture = vembrel::ReadTiffPicture(file);
    benchmark::DoNotOptimize(picture);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadTiffField)->Unit(benchmark::kMicrosecond);

// Opening a whole demo plate: listing its folder and recording every field.
void BM_OpenPlate(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  std::vector<int> wells(96);
  for (int well = 0; well < 96; ++well) wells[well] = well;
  vembrel::WriteDemoPlate(folder, 1, wells);
  for (auto _ : state) {
    auto plate = vembrel::OpenPlate(folder + "/DEMO_A01f00d0.tif");
    benchmark::DoNotOptimize(plate);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_OpenPlate)->Unit(benchmark::kMillisecond);

}  // namespace
