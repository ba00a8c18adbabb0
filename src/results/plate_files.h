#pragma once
// The plate-level files a batch writes after its summary file: the
// workbook, the tables, the run manifest, the plate heatmaps and the report
// page, in that order, each replaced only by a complete file. One that
// cannot be written keeps its earlier version and is reported; the others
// are written all the same.
#include <string>
#include <vector>

#include "core/table_value.h"
#include "engine/plate_results.h"
#include "results/run_manifest.h"

namespace vembrel {

struct Plate;

/// A file WritePlateFiles wrote or tried to write.
struct PlateFileOutcome {
  std::string path;
  std::string error;  // "" when written; else why not, and that the earlier file is kept
};

/// Writes the files into resultsFolder (ending with a separator), the
/// workbook (the summary's lines of values, numbers as numbers, with the sheets
/// "Wells" and, at cell level, "Cells") only when asked. The workbook's
/// creation time is the plate's measurement date, so its bytes depend on
/// the results alone.
std::vector<PlateFileOutcome> WritePlateFiles(const Plate& plate, const PlateResults& results,
                                              const RunFacts& facts,
                                              const std::string& resultsFolder,
                                              const std::vector<CellLine>& summaryLines,
                                              bool workbook);

/// The plate heatmaps and the report page alone, of these results, into
/// resultsFolder (the desktop's "Export Report"); the report is the last
/// outcome.
std::vector<PlateFileOutcome> WriteReportFiles(const Plate& plate, const PlateResults& results,
                                               const RunFacts& facts,
                                               const std::string& resultsFolder);

}  // namespace vembrel
