// The well window's analysis pass on a realistic well, and opening the window
// (loading the eight field files, composite, ring fit and first pass).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "engine/workspace.h"
#include "imaging/mosaic.h"
#include "plate/well_names.h"

namespace {

using vembrel::kFieldSize;

void WriteField(const std::string& path, const std::vector<std::uint8_t>& topDown) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) throw std::runtime_error("cannot write " + path);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t{kFieldSize});
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t{kFieldSize});
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t{kFieldSize});
  for (int y = 0; y < kFieldSize; ++y) {
    TIFFWriteScanline(tif, const_cast<std::uint8_t*>(topDown.data()) + y * kFieldSize, y, 0);
  }
  TIFFClose(tif);
}

// A plate folder with one well like the assay's: green cells around a dark
// cell-free zone, blue nuclei of 30 to 110 pixels with green around them.
class BenchPlate {
 public:
  BenchPlate() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vembrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    std::filesystem::create_directories(folder_ / "plate");
    writeWell();
  }
  ~BenchPlate() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string picture() const { return (folder_ / "plate" / "B_A01f00d0.tif").string(); }

 private:
  void writeWell() {
    std::vector<std::uint8_t> blue(1024 * 1024), green(1024 * 1024);  // row from the bottom
    std::mt19937 random(7);
    for (int r = 0; r < 1024; ++r) {
      for (int c = 0; c < 1024; ++c) {
        const int dx = c - 560, dy = r - 480;
        const bool zone = dx * dx + dy * dy < 330 * 330;
        green[r * 1024 + c] = static_cast<std::uint8_t>((zone ? 10 : 80) + random() % 30);
        blue[r * 1024 + c] = static_cast<std::uint8_t>(random() % 20);
      }
    }
    for (int i = 0; i < 1500; ++i) {
      const int cx = static_cast<int>(random() % 1024), cy = static_cast<int>(random() % 1024);
      const int radius = 3 + static_cast<int>(random() % 4);
      for (int r = std::max(cy - 2 * radius, 0); r <= std::min(cy + 2 * radius, 1023); ++r) {
        for (int c = std::max(cx - 2 * radius, 0); c <= std::min(cx + 2 * radius, 1023); ++c) {
          const int d2 = (r - cy) * (r - cy) + (c - cx) * (c - cx);
          if (d2 < radius * radius)
            blue[r * 1024 + c] = static_cast<std::uint8_t>(170 + random() % 80);
          if (d2 < 4 * radius * radius)
            green[r * 1024 + c] = static_cast<std::uint8_t>(140 + random() % 100);
        }
      }
    }
    for (int field = 0; field < 4; ++field) {
      std::vector<std::uint8_t> b(kFieldSize * kFieldSize), g(kFieldSize * kFieldSize);
      for (int y = 0; y < kFieldSize; ++y) {
        const int row = vembrel::QuadrantRow(field) + kFieldSize - 1 - y;
        for (int x = 0; x < kFieldSize; ++x) {
          const int column = vembrel::QuadrantColumn(field) + x;
          b[y * kFieldSize + x] = blue[row * 1024 + column];
          g[y * kFieldSize + x] = green[row * 1024 + column];
        }
      }
      const std::string base = (folder_ / "plate" / ("B_A01f0" + std::to_string(field))).string();
      WriteField(base + "d0.tif", b);
      WriteField(base + "d1.tif", g);
    }
  }

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
