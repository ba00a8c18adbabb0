#pragma once
// The settings as text lines, shared by the summary file (its header and the
// blocks of wells with special settings) and the cell data files.
#include <string>
#include <vector>

#include "core/table_value.h"
#include "plate/analysis_settings.h"

namespace vembrel {

/// The 23 settings lines (measurement date, analysis date, path, prefix, circle
/// size, the settings of both channels and of the immigrant cells) as cells:
/// captions and flags (YES, NO) as texts, values as integers. Dates are days
/// since 1899-12-30, written as short date texts.
std::vector<CellLine> SettingsHeaderLines(const AnalysisSettings& settings, double measurementDate,
                                          const std::string& platePath,
                                          const std::string& platePrefix, double today);

/// The 16 lines from "Circle size:" to "Delta Rings:" of the header, for
/// these settings or for the nuclear columns of a well's settings row.
std::vector<CellLine> SettingsBlockLines(const AnalysisSettings& settings);
std::vector<CellLine> SettingsBlockLines(const WellSettingsRow& row);

}  // namespace vembrel
