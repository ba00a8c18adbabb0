// The whole demo plate (96 wells, 768 pictures) through the batch, at
// nucleus level and at cell level, on 1 and 2 threads, and the parts of a
// well's time: reading and decoding the pictures, the analysis (passes without
// the batch's files) and writing the summary file and the workbook.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/memory_tuning.h"
#include "demo_plate_folder.h"
#include "engine/well_session.h"
#include "imaging/mosaic.h"
#include "plate/plate.h"
#include "results/batch_run.h"
#include "results/spreadsheet.h"
#include "results/summary_file.h"

namespace {

namespace fs = std::filesystem;
using namespace vembrel;

// The allocator settings of the program, before any benchmark runs.
const bool kTuned = (KeepPictureBuffersMapped(), true);

// The demo plate, written once per benchmark program into a temporary folder.
using DemoPlate = bench::DemoPlateFolder;

const DemoPlate& Demo() {
  static const DemoPlate demo;
  return demo;
}

void RunBatch(benchmark::State& bench, bool cells) {
  Demo();  // the plate is written before the timing starts
  const int jobs = static_cast<int>(bench.range(0));
  for (auto _ : bench) {
    BatchRun batch(OpenPlate(Demo().picture), AnalysisSettings{}, (Demo().root / "batch").string());
    batch.setCellLevel(cells);
    batch.runToEnd(jobs);
    if (!batch.failures().empty()) bench.SkipWithError(batch.failures().front().message.c_str());
  }
}

void BM_BatchNucleusLevel(benchmark::State& bench) {
  RunBatch(bench, false);
}
void BM_BatchCellLevel(benchmark::State& bench) {
  RunBatch(bench, true);
}

// Reading and decoding every picture of the plate into the well mosaics, as
// a well window loads them, one well after the other.
void BM_ReadAndDecodePictures(benchmark::State& bench) {
  const DemoPlate& demo = Demo();
  const Plate plate = OpenPlate(demo.picture);
  for (auto _ : bench) {
    std::size_t problems = 0;
    for (int well = 0; well < 96; ++well) {
      if (plate.wells[well].state != 1) continue;
      for (bool green : {false, true}) {
        const ChannelMosaic loaded = LoadChannelMosaic(ChannelFieldFiles(plate, well, green));
        benchmark::DoNotOptimize(loaded.mosaic.bytes.data());
        problems += loaded.problems().size();
      }
    }
    bench.counters["missing"] = static_cast<double>(problems);
  }
}

// Every well analysed outside a batch: reading plus the analysis, without
// snapshots or data files.
void AnalyseOnly(benchmark::State& bench, bool cells) {
  const Plate plate = OpenPlate(Demo().picture);
  for (auto _ : bench) {
    for (int well = 0; well < 96; ++well) {
      if (plate.wells[well].state != 1) continue;
      SessionOptions options;
      options.cellLevel = cells;
      const WellSession session(plate, well, AnalysisSettings{}, std::move(options));
      benchmark::DoNotOptimize(session.results().nuclei);
    }
  }
}

void BM_ReadAndAnalyseNucleusLevel(benchmark::State& bench) {
  AnalyseOnly(bench, false);
}
void BM_ReadAndAnalyseCellLevel(benchmark::State& bench) {
  AnalyseOnly(bench, true);
}

// The end of the batch: the summary file and the workbook from the plate's results.
void BM_WriteSummaryAndWorkbook(benchmark::State& bench) {
  const DemoPlate& demo = Demo();
  fs::create_directories(demo.root / "write");
  BatchRun batch(OpenPlate(demo.picture), AnalysisSettings{}, (demo.root / "write").string());
  batch.setWriteWorkbook(false);
  batch.runToEnd(2);
  const std::vector<CellLine> header =
      SummaryHeaderLines(AnalysisSettings{}, 0, demo.root.string(), "DEMO_", 0);
  for (auto _ : bench) {
    const std::vector<CellLine> results = SummaryResultLines(batch.results());
    WriteSummaryFile(batch.summaryFile(), header, results);
    std::vector<CellLine> lines = header;
    lines.insert(lines.end(), results.begin(), results.end());
    WriteWorkbook(WorkbookFileName(batch.resultsFolder(), "DEMO_"), lines);
  }
}

}  // namespace

BENCHMARK(BM_BatchNucleusLevel)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BatchCellLevel)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadAndDecodePictures)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadAndAnalyseNucleusLevel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadAndAnalyseCellLevel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WriteSummaryAndWorkbook)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
