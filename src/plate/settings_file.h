#pragma once
// The ".VLS" settings file: 17 pairs of a bracketed key line and a value line, CR LF.
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

/// The 34 lines of the settings file for these settings, without line ends.
std::vector<std::string> SettingsFileLines(const AnalysisSettings& settings);
/// Writes the file (atomically). Throws Error naming the path.
void WriteSettingsFile(const std::string& path, const AnalysisSettings& settings);
/// The chosen save name, with ".VLS" appended when it has no extension.
std::string WithSettingsExtension(const std::string& chosenName);
/// Value line after the first line whose text after its first "[" starts with
/// key; the key itself when there is none (or the match is the last line).
std::string SettingsReadValue(const std::vector<std::string>& lines, const std::string& key);
/// Reads and checks the whole file; returns the settings it holds. Missing
/// cell keys take their defaults; floats are read with "." or ",". Throws
/// Error naming the path, the key and the offending text for a missing or
/// malformed value and for values the analysis cannot use (plate/settings_check.h);
/// nothing is applied by the caller in that case.
AnalysisSettings ReadSettingsFile(const std::string& path);

}  // namespace vembrel
