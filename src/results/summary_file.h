#pragma once
// The summary results file: a header with the settings, one block per well
// that kept settings of its own, the per-well result grids laid out like the
// plate and the density table. 8-bit text, CR LF, TAB between cells. Its
// lines are made as cells holding values (core/table_value.h), which the
// workbook's "Migration" sheet takes as they are.
#include <string>
#include <vector>

#include "core/table_value.h"
#include "engine/plate_results.h"
#include "plate/analysis_settings.h"

namespace vembrel {

/// results folder + plate prefix + "Vembrel.csv".
std::string SummaryFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// Which columns of a well's settings row differ from the batch snapshot.
enum class SpecialSettingsKind { Nucleus, CellShape, Both };

/// The kind for a well row compared with the snapshot row; false when they agree.
bool FindSpecialSettings(const WellSettingsRow& row, const WellSettingsRow& snapshot,
                         SpecialSettingsKind& kind);

/// The 26 header lines: empty line, the settings header, two empty lines.
std::vector<CellLine> SummaryHeaderLines(const AnalysisSettings& settings, double measurementDate,
                                         const std::string& platePath,
                                         const std::string& platePrefix, double today);

/// The 19 lines of one special-settings block (only the nuclear columns are written).
std::vector<CellLine> SpecialSettingsLines(const std::string& well, SpecialSettingsKind kind,
                                           const WellSettingsRow& row);

/// The result part: coordinate grid, six value grids, density table. A
/// well without results has empty cells.
std::vector<CellLine> SummaryResultLines(const PlateResults& results);

/// Writes the whole file at once, each line as CellLineText: it is replaced
/// only by a complete file. Throws Error naming the path.
void WriteSummaryFile(const std::string& path, const std::vector<CellLine>& headerLines,
                      const std::vector<CellLine>& resultLines);

}  // namespace vembrel
