#pragma once
// The settings lines shared by the summary file and the cell data files.
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

/// The 23 settings lines (measurement date, analysis date, path, prefix, circle
/// size, the settings of both channels and of the immigrant cells), without
/// line ends. Dates are days since 1899-12-30, written as short date texts.
std::vector<std::string> SettingsHeader(const AnalysisSettings& settings, double measurementDate,
                                        const std::string& platePath,
                                        const std::string& platePrefix, double today);

/// "YES" or "NO", as the stretch lines write a flag.
inline const char* YesNo(bool flag) {
  return flag ? "YES" : "NO";
}

}  // namespace vembrel
