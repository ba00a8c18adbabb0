// What each file a batch writes costs, one benchmark per kind of file, on the
// demo plate analysed at cell level: per well the record, the cell data file,
// the ring and cell snapshots and the whole-well picture (drawing and JPEG
// apart), each timed per well over wells A01..A12; per plate (93 wells) the
// summary, the tables, the workbook, the run manifest, the plate heatmaps and
// the report.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/date_text.h"
#include "core/memory_tuning.h"
#include "core/text_file.h"
#include "demo_plate_folder.h"
#include "engine/analysed_well.h"
#include "engine/cell_data_file.h"
#include "engine/well_session.h"
#include "imaging/image_files.h"
#include "plate/plate.h"
#include "render/plate_heatmap.h"
#include "results/batch_run.h"
#include "results/plate_heatmap_file.h"
#include "results/report_page.h"
#include "results/result_tables.h"
#include "results/run_manifest.h"
#include "results/spreadsheet.h"
#include "results/summary_file.h"
#include "results/table.h"

namespace {

namespace fs = std::filesystem;
using namespace vembrel;

const bool kTuned = (KeepPictureBuffersMapped(), true);

constexpr int kWellsPerRound = 12;  // A01..A12

// The demo plate, its batch at cell level, and the sessions of wells A01..A12.
struct Analysed {
  bench::DemoPlateFolder demo;
  const fs::path& root = demo.root;
  Plate plate;
  PlateResults results;
  std::vector<CellLine> summaryLines;
  std::vector<std::unique_ptr<WellSession>> sessions;
  RunFacts facts;

  Analysed() {
    plate = OpenPlate(demo.picture);
    BatchRun batch(plate, AnalysisSettings{}, (root / "batch").string() + "/");
    batch.setCellLevel(true);
    batch.runToEnd(2);
    results = batch.results();
    summaryLines = SummaryHeaderLines(AnalysisSettings{}, 0, root.string(), "DEMO_", 0);
    for (CellLine& line : SummaryResultLines(results)) summaryLines.push_back(std::move(line));
    for (int well = 0; well < kWellsPerRound; ++well) {
      SessionOptions options;
      options.cellLevel = true;
      sessions.push_back(
          std::make_unique<WellSession>(plate, well, AnalysisSettings{}, std::move(options)));
    }
    facts.cellLevel = true;
    facts.settings = AnalysisSettings{};
    fs::create_directories(out());
    fs::create_directories(out() + "CellShape");
    fs::create_directories(out() + "CellJPEGS");
  }
  std::string out() const { return (root / "out").string() + "/"; }
};

Analysed& Demo() {
  static Analysed demo;
  return demo;
}

// Per-well files: each iteration makes the file of the next of the twelve wells.
template <class Make>
void PerWell(benchmark::State& bench, Make make) {
  Analysed& demo = Demo();
  std::size_t bytes = 0, next = 0;
  for (auto _ : bench) bytes += make(*demo.sessions[next++ % demo.sessions.size()]);
  bench.counters["bytes"] =
      benchmark::Counter(static_cast<double>(bytes) / static_cast<double>(bench.iterations()));
}

void BM_WellRecord(benchmark::State& bench) {
  PerWell(bench, [](const WellSession& session) {
    const AnalysedWell record{session.results(), session.settings(),
                              PlateRequest(Demo().plate, session.settings(), true, std::nullopt),
                              ProgramVersion()};
    const std::string text = AnalysedWellText(record);
    WriteFileAtomically(Demo().out() + "record.json", text, Durability::Deferred);
    return text.size();
  });
}

void BM_CellDataFile(benchmark::State& bench) {
  PerWell(bench, [](const WellSession& session) {
    const std::string path = CellDataFileName(Demo().out(), "DEMO_", session.wellName());
    AtomicTextFile data(path);
    std::size_t size = 0;
    for (const std::string& line : CellDataLines(session, Now())) {
      data.line(line);
      size += line.size() + 1;
    }
    data.commit(Durability::Deferred);
    return size;
  });
}

void BM_RingSnapshotJpeg(benchmark::State& bench) {
  PerWell(bench, [](const WellSession& session) {
    return JpegBytes(session.pictures().ringCrop, "ring crop").size();
  });
}

void BM_CellSnapshotJpeg(benchmark::State& bench) {
  PerWell(bench, [](const WellSession& session) {
    return JpegBytes(session.pictures().cellCrop, "cell crop").size();
  });
}

void BM_WholeWellOverviewDrawing(benchmark::State& bench) {
  PerWell(bench, [](const WellSession& session) {
    const Picture picture = session.wholeWellOverview();
    benchmark::DoNotOptimize(picture.bytes.data());
    return picture.bytes.size();
  });
}

void BM_WholeWellOverviewJpeg(benchmark::State& bench) {
  std::vector<Picture> pictures;
  for (const auto& session : Demo().sessions) pictures.push_back(session->wholeWellOverview());
  std::size_t next = 0;
  PerWell(bench, [&](const WellSession&) {
    return JpegBytes(pictures[next++ % pictures.size()], "whole well").size();
  });
}

// Per-plate files: the time of one file for the 93 analysed wells.
void BM_SummaryFile(benchmark::State& bench) {
  Analysed& demo = Demo();
  for (auto _ : bench) {
    WriteSummaryFile(SummaryFileName(demo.out(), "DEMO_"), demo.summaryLines, {});
  }
}

void BM_Tables(benchmark::State& bench) {
  Analysed& demo = Demo();
  const Plate& plate = demo.plate;
  const PlateResults& results = demo.results;
  for (auto _ : bench) {
    const Table wells = WellsTable(plate, results, true);
    WriteFileAtomically(TableFileName(demo.out(), "DEMO_", "wells"), CsvText(wells));
    WriteFileAtomically(TableFileName(demo.out(), "DEMO_", "density"),
                        CsvText(DensityProfileTable(results)));
    WriteFileAtomically(TableFileName(demo.out(), "DEMO_", "nuclei"),
                        CsvText(NucleiTable(results)));
    WriteFileAtomically(TableFileName(demo.out(), "DEMO_", "cells"), CsvText(CellsTable(results)));
  }
}

void BM_Workbook(benchmark::State& bench) {
  Analysed& demo = Demo();
  const Plate& plate = demo.plate;
  const PlateResults& results = demo.results;
  for (auto _ : bench) {
    const Table wells = WellsTable(plate, results, true);
    const Table cells = CellsTable(results);
    WorkbookExtras extras;
    extras.sheets.push_back({"Wells", &wells});
    extras.sheets.push_back({"Cells", &cells});
    extras.created = 315532800;
    WriteWorkbook(WorkbookFileName(demo.out(), "DEMO_"), demo.summaryLines, extras);
  }
}

void BM_RunManifest(benchmark::State& bench) {
  Analysed& demo = Demo();
  for (auto _ : bench) {
    WriteFileAtomically(RunManifestFileName(demo.out(), "DEMO_"),
                        RunManifestText(demo.plate, demo.results, demo.facts));
  }
}

void BM_PlateHeatmaps(benchmark::State& bench) {
  Analysed& demo = Demo();
  for (auto _ : bench) {
    WritePng(DrawPlateHeatmaps(PlateHeatmapOf(demo.plate, demo.results, true)),
             PlateHeatmapFileName(demo.out(), "DEMO_"));
  }
}

void BM_Report(benchmark::State& bench) {
  Analysed& demo = Demo();
  for (auto _ : bench) {
    WriteFileAtomically(
        ReportPageFileName(demo.out(), "DEMO_"),
        ReportPage(demo.plate, demo.results, demo.facts, "DEMO_Vembrel_plate.png", ""));
  }
}

}  // namespace

BENCHMARK(BM_WellRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RingSnapshotJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellSnapshotJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeWellOverviewDrawing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeWellOverviewJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SummaryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Workbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunManifest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlateHeatmaps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond);
