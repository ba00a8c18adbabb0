#include "results/plate_files.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "core/date_text.h"
#include "core/error.h"
#include "core/text_file.h"
#include "imaging/image_files.h"
#include "plate/plate.h"
#include "results/plate_heatmap_file.h"
#include "results/plate_map_report.h"
#include "results/plate_map_tables.h"
#include "results/report_page.h"
#include "results/result_tables.h"
#include "results/spreadsheet.h"

namespace vembrel {
namespace {

// 1980-01-01, the earliest time a zip archive records, for plates without a date.
constexpr std::time_t kNoDate = 315532800;

void Attempt(std::vector<PlateFileOutcome>& outcomes, const std::string& path,
             const std::function<void()>& write) {
  PlateFileOutcome outcome{path, ""};
  try {
    write();
  } catch (const std::exception& e) {
    outcome.error = std::string(e.what()) + "; the earlier file is kept";
  }
  outcomes.push_back(std::move(outcome));
}

// The plate heatmaps, then the report page that shows them.
void WriteReport(std::vector<PlateFileOutcome>& outcomes, const Plate& plate,
                 const PlateResults& results, const RunFacts& facts,
                 const std::string& resultsFolder, const std::string& mapSections) {
  const std::string heatmapFile = PlateHeatmapFileName(resultsFolder, plate.prefix);
  Attempt(outcomes, heatmapFile, [&] {
    WritePng(DrawPlateHeatmaps(PlateHeatmapOf(plate, results, facts.cellLevel)), heatmapFile);
  });
  const std::string reportFile = ReportPageFileName(resultsFolder, plate.prefix);
  Attempt(outcomes, reportFile, [&] {
    WriteFileAtomically(reportFile, ReportPage(plate, results, facts,
                                               plate.prefix + "Vembrel_plate.png", mapSections));
  });
}

// Removes a table that an earlier run wrote and this one does not (an
// earlier cell-level run's cells, an earlier mapped run's plate-map tables):
// left in the folder, it would pass for this run's.
void RemoveEarlierTable(std::vector<PlateFileOutcome>& outcomes, const std::string& path,
                        const std::string& earlierRun) {
  std::error_code error;
  if (std::filesystem::symlink_status(path, error).type() ==
      std::filesystem::file_type::not_found) {
    return;
  }
  Attempt(outcomes, path, [&] {
    if (!std::filesystem::remove(path, error)) {
      throw Error("Unable to remove '" + path + "' of " + earlierRun + ": " + error.message());
    }
  });
}

}  // namespace

std::vector<PlateFileOutcome> WritePlateFiles(const Plate& plate, const PlateResults& results,
                                              const RunFacts& facts,
                                              const std::string& resultsFolder,
                                              const std::vector<CellLine>& summaryLines,
                                              bool workbook) {
  std::vector<PlateFileOutcome> outcomes;
  const std::string& prefix = plate.prefix;
  Table wells = WellsTable(plate, results, facts.cellLevel);
  const Table cells = facts.cellLevel ? CellsTable(results) : Table{};
  // With a plate map: its columns in the wells table and three more tables.
  std::optional<PlateAnalysis> analysis;
  Table conditions, quality, doseResponse;
  if (facts.plateMap) {
    analysis = AnalyseMappedPlate(*facts.plateMap, results, facts.cellLevel);
    AddMapColumns(wells, facts.plateMap->map, *analysis);
    conditions = ConditionsTable(*analysis);
    quality = PlateQualityTable(*analysis);
    doseResponse = DoseResponseTable(*analysis);
  }
  if (workbook) {
    Attempt(outcomes, WorkbookFileName(resultsFolder, prefix), [&] {
      WorkbookExtras extras;
      extras.sheets.push_back({"Wells", &wells});
      if (facts.cellLevel) extras.sheets.push_back({"Cells", &cells});
      if (analysis) {
        extras.sheets.push_back({"Conditions", &conditions});
        extras.sheets.push_back({"Plate quality", &quality});
        extras.sheets.push_back({"Dose response", &doseResponse});
      }
      const std::time_t measured =
          plate.measurementDate > 0 ? TimeFromDateTime(plate.measurementDate) : -1;
      extras.created = measured != -1 ? measured : kNoDate;
      WriteWorkbook(WorkbookFileName(resultsFolder, prefix), summaryLines, extras);
    });
  }
  const auto writeTable = [&](const std::string& kind, const Table& table) {
    const std::string path = TableFileName(resultsFolder, prefix, kind);
    Attempt(outcomes, path, [&] { WriteFileAtomically(path, CsvText(table)); });
  };
  writeTable("wells", wells);
  writeTable("density", DensityProfileTable(results));
  writeTable("nuclei", NucleiTable(results));
  if (facts.cellLevel) {
    writeTable("cells", cells);
  } else {
    RemoveEarlierTable(outcomes, TableFileName(resultsFolder, prefix, "cells"),
                       "an earlier cell-level run");
  }
  if (analysis) {
    writeTable("conditions", conditions);
    writeTable("plate_quality", quality);
    writeTable("dose_response", doseResponse);
  } else {
    for (const char* kind : {"conditions", "plate_quality", "dose_response"}) {
      RemoveEarlierTable(outcomes, TableFileName(resultsFolder, prefix, kind),
                         "an earlier run with a plate map");
    }
  }

  const nlohmann::ordered_json manifest = RunManifest(plate, results, facts);
  const std::string manifestFile = RunManifestFileName(resultsFolder, prefix);
  Attempt(outcomes, manifestFile,
          [&] { WriteFileAtomically(manifestFile, RunManifestText(manifest)); });
  WriteReport(outcomes, plate, results, facts, resultsFolder,
              analysis ? PlateMapReportSections(facts.plateMap->map, *analysis) : "");
  return outcomes;
}

std::vector<PlateFileOutcome> WriteReportFiles(const Plate& plate, const PlateResults& results,
                                               const RunFacts& facts,
                                               const std::string& resultsFolder) {
  std::vector<PlateFileOutcome> outcomes;
  std::string mapSections;
  if (facts.plateMap) {
    mapSections = PlateMapReportSections(
        facts.plateMap->map, AnalyseMappedPlate(*facts.plateMap, results, facts.cellLevel));
  }
  WriteReport(outcomes, plate, results, facts, resultsFolder, mapSections);
  return outcomes;
}

}  // namespace vembrel
