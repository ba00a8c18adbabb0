#pragma once
// The summary results file: a header with the settings, one block per well
// that kept settings of its own, and, once the batch is done, the per-well
// result grids and the density table. 8-bit text, CR LF, TAB between cells.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "plate/analysis_settings.h"

namespace vembrel {

/// results folder + plate prefix + "Vembrel.csv".
std::string SummaryFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// Which columns of a well's settings row differ from the batch snapshot.
enum class SpecialSettingsKind { Nucleus, CellShape, Both };

/// The kind for a well row compared with the snapshot row; false when they agree.
bool FindSpecialSettings(const WellSettingsRow& row, const WellSettingsRow& snapshot,
                         SpecialSettingsKind& kind);

/// The 26 header lines: empty line, SettingsHeader, two empty lines.
std::vector<std::string> SummaryHeaderLines(const AnalysisSettings& settings,
                                            double measurementDate, const std::string& platePath,
                                            const std::string& platePrefix, double today);

/// The 19 lines of one special-settings block (the cell columns themselves
/// are not written, only the nuclear ones).
std::vector<std::string> SpecialSettingsLines(const std::string& caption, SpecialSettingsKind kind,
                                              const WellSettingsRow& row);

/// The result part appended by writetherest: coordinate grid, six value grids,
/// density table.
std::vector<std::string> SummaryResultLines(const ProgramState& state);

/// Creates (or replaces) the summary file with these lines. The file appears
/// complete or not at all. Throws Error naming the path.
void WriteSummaryHeader(const std::string& path, const std::vector<std::string>& lines);

/// writetherest: appends the result part to the summary file written by
/// WriteSummaryHeader, again replacing the file only once it is complete.
/// Throws Error naming the path.
void writetherest(const std::string& path, const ProgramState& state);

}  // namespace vembrel
