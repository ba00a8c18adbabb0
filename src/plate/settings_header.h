#pragma once
// The settings as text lines, shared by the summary file (its header and the
// blocks of wells with special settings) and the cell data files.
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

/// The 23 settings lines (measurement date, analysis date, path, prefix, circle
/// size, the settings of both channels and of the immigrant cells), without
/// line ends. Dates are days since 1899-12-30, written as short date texts.
std::vector<std::string> SettingsHeaderLines(const AnalysisSettings& settings,
                                             double measurementDate, const std::string& platePath,
                                             const std::string& platePrefix, double today);

/// The 16 lines from "Circle size:" to "Delta Rings:" of the header, for
/// these settings or for the nuclear columns of a well's settings row.
std::vector<std::string> SettingsBlockLines(const AnalysisSettings& settings);
std::vector<std::string> SettingsBlockLines(const WellSettingsRow& row);

}  // namespace vembrel
