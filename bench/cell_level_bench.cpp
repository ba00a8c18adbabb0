// The cell level on a realistic well: segmentation from the seeds, outline
// measurements with the chord walk and the polynomial fit, and the drawings.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>

#include "demo/demo_plate.h"
#include "engine/well_session.h"
#include "imaging/cell_segmentation.h"
#include "imaging/cell_shape.h"
#include "plate/plate.h"
#include "render/cell_drawings.h"

namespace {

using namespace vembrel;

constexpr int kRingX = 512, kRingY = 512, kRadius = 350;

// Buffers as a pass leaves them: the composite, the result picture, and the
// seeds of the accepted nuclei.
struct CellWell {
  Picture composite{kMosaicSize, kMosaicSize};
  Picture result{kMosaicSize, kMosaicSize};
  std::vector<double> seeds;
};

// Elongated and round cells (20 to about 1500 pixels) with a nucleus each,
// scattered inside the ring on a dim, noisy background.
CellWell MakeCellWell(int cellCount, int largeEvery) {
  CellWell well;
  std::mt19937 random(7);
  for (int r = 0; r < kMosaicSize; ++r) {
    for (int c = 0; c < kMosaicSize; ++c) {
      well.composite.at(c, r, kGreen) = static_cast<std::uint8_t>(random() % 30);
      well.composite.at(c, r, kBlue) = static_cast<std::uint8_t>(random() % 20);
    }
  }
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < cellCount; ++i) {
    const double angle = unit(random) * 2 * M_PI, distance = unit(random) * (kRadius - 60);
    const int cx = kRingX + static_cast<int>(distance * std::cos(angle));
    const int cy = kRingY + static_cast<int>(distance * std::sin(angle));
    const bool large = largeEvery > 0 && i % largeEvery == 0;
    const double a = large ? 28 + unit(random) * 20 : 5 + unit(random) * 14;
    const double b = large ? 8 + unit(random) * 6 : 3 + unit(random) * 6;
    const double tilt = unit(random) * M_PI;
    const int reach = static_cast<int>(a) + 1;
    for (int r = cy - reach; r <= cy + reach; ++r) {
      for (int c = cx - reach; c <= cx + reach; ++c) {
        const double u = (c - cx) * std::cos(tilt) + (r - cy) * std::sin(tilt);
        const double v = -(c - cx) * std::sin(tilt) + (r - cy) * std::cos(tilt);
        const double e = (u * u) / (a * a) + (v * v) / (b * b);
        if (e >= 1) continue;
        well.composite.at(c, r, kGreen) = static_cast<std::uint8_t>(60 + random() % 120);
      }
    }
    int firstPosition = -1;
    for (int r = cy - 2; r <= cy + 2; ++r) {
      for (int c = cx - 2; c <= cx + 2; ++c) {
        if ((r - cy) * (r - cy) + (c - cx) * (c - cx) > 5) continue;
        well.composite.at(c, r, kBlue) = 200;
        well.composite.at(c, r, kGreen) = 100;
        if (firstPosition < 0) firstPosition = RedBytePosition(c, r);
      }
    }
    well.seeds.push_back(firstPosition);
  }
  std::sort(well.seeds.begin(), well.seeds.end());
  well.result = well.composite;
  return well;
}

void RunCellLevel(benchmark::State& state, const CellWell& well) {
  CellSegmentationSettings settings;
  settings.ring.x = kRingX;
  settings.ring.y = kRingY;
  settings.ring.radius = kRadius;
  ShapeSettings shape;
  shape.ring = {kRingX, kRingY, kRadius};
  int kept = 0;
  // The result picture keeps its memory between runs.
  Picture mask = well.result;
  for (auto _ : state) {
    mask = well.result;
    CellColourGenerator colours;
    CellSegmentation cells = SegmentCells(well.composite, mask, well.seeds, settings, colours);
    ShapeAnalysis analysis = AnalyseShapes(cells.cells, shape);
    Picture crop = CopyRingCrop(well.result, shape.ring);
    for (const ShapedCell& cell : analysis.cells) {
      DrawOutline(crop, cell.m, shape.ring);
      DrawLongAxis(crop, cell.m, cell.cls, shape.ring);
    }
    benchmark::DoNotOptimize(DrawThumbnailGallery(analysis, cells.cells, well.result));
    benchmark::DoNotOptimize(DrawPieChart(analysis.statistics));
    benchmark::DoNotOptimize(DrawHistogram(analysis.statistics));
    kept = cells.kept();
  }
  state.counters["kept"] = kept;
  state.counters["seeds"] = static_cast<double>(well.seeds.size());
}

// About 150 ordinary cells, as in a busy well.
void BM_CellLevelRecompute(benchmark::State& state) {
  static const CellWell well = MakeCellWell(150, 0);
  RunCellLevel(state, well);
}
BENCHMARK(BM_CellLevelRecompute)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Every fifth cell long and large, where the quadratic chord walk would show.
void BM_CellLevelLargeCells(benchmark::State& state) {
  static const CellWell well = MakeCellWell(150, 5);
  RunCellLevel(state, well);
}
BENCHMARK(BM_CellLevelLargeCells)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CellSegmentationOnly(benchmark::State& state) {
  static const CellWell well = MakeCellWell(150, 5);
  CellSegmentationSettings settings;
  settings.ring.x = kRingX;
  settings.ring.y = kRingY;
  settings.ring.radius = kRadius;
  Picture mask = well.result;
  for (auto _ : state) {
    mask = well.result;
    CellColourGenerator colours;
    benchmark::DoNotOptimize(SegmentCells(well.composite, mask, well.seeds, settings, colours));
  }
}
BENCHMARK(BM_CellSegmentationOnly)->Unit(benchmark::kMillisecond);

void BM_CellShapesOnly(benchmark::State& state) {
  static const CellWell well = MakeCellWell(150, 5);
  CellSegmentationSettings settings;
  settings.ring.x = kRingX;
  settings.ring.y = kRingY;
  settings.ring.radius = kRadius;
  Picture mask = well.result;
  CellColourGenerator colours;
  CellSegmentation cells = SegmentCells(well.composite, mask, well.seeds, settings, colours);
  ShapeSettings shape;
  shape.ring = {kRingX, kRingY, kRadius};
  for (auto _ : state) {
    CellList copy = cells.cells;
    benchmark::DoNotOptimize(AnalyseShapes(copy, shape));
  }
}
BENCHMARK(BM_CellShapesOnly)->Unit(benchmark::kMillisecond);

void BM_CellChartsOnly(benchmark::State& state) {
  ShapeStatistics s;
  s.classCounts = {10, 20, 5, 7};
  s.bins[3] = 4;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawPieChart(s));
    benchmark::DoNotOptimize(DrawHistogram(s));
  }
}
BENCHMARK(BM_CellChartsOnly)->Unit(benchmark::kMillisecond);

// The whole recompute of a well session at cell level (buffers, segmentation,
// measurements, drawings) on a demo plate well read from its files.
class DemoWell {
 public:
  explicit DemoWell(int well) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vembrel-cells-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    WriteDemoPlate((folder_ / "plate").string(), 2026, {well});
    SessionOptions options;
    options.cellLevel = true;
    session_ =
        std::make_unique<WellSession>(OpenPlate((folder_ / "plate" / "DEMO_A01f00d0.tif").string()),
                                      well, AnalysisSettings{}, std::move(options));
  }
  ~DemoWell() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  WellSession& session() { return *session_; }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<WellSession> session_;
};

void BM_DemoWellCellLevel(benchmark::State& state) {
  static DemoWell demo(0);
  int steps = 75;
  for (auto _ : state) {
    steps = steps == 75 ? 74 : 75;  // each change reruns the cell level alone
    demo.session().set(SettingId::CellsSmoothness, steps / 100.0);
  }
  state.counters["kept"] = demo.session().results().cells->kept;
  state.counters["seeds"] = demo.session().results().cells->seeds;
}
BENCHMARK(BM_DemoWellCellLevel)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
