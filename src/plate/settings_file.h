#pragma once
// The ".VLS" settings file: 17 pairs of a bracketed key line and a value
// line, CR LF, in the order of the settings table (plate/settings_table.h).
#include <cstddef>
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

/// Larger settings files are refused unread.
inline constexpr std::size_t kSettingsFileLimit = 64 * 1024;

/// The 34 lines of the settings file for these settings, without line ends:
/// "[<key> - <description>]", then the value (an integer as its 32 bits read
/// unsigned, TRUE or FALSE, a decimal as " 3.00000000000000E+0000").
std::vector<std::string> SettingsFileLines(const AnalysisSettings& settings);
/// Writes the file (atomically). Throws Error naming the path.
void WriteSettingsFile(const std::string& path, const AnalysisSettings& settings);
/// The chosen save name, with ".VLS" appended when it has no extension.
std::string WithSettingsExtension(const std::string& chosenName);

/// Reads and checks the whole file; returns the settings it holds, or throws
/// Error naming the path, the line or key and at most 80 characters of the
/// offending text; the caller then applies nothing. The file must be a
/// regular file of at most kSettingsFileLimit bytes. Each non-blank line is a
/// key line, exactly "[<key> - <description>]" or "[<key>]", or the value line
/// right after one; every key at most once. The nuclear keys are
/// required; missing cell-level keys take their defaults (files from before
/// the cell level). Integers convert as StrToInt takes them, flags
/// read TRUE or FALSE in any case with blanks around, decimals take "." or
/// ","; values must lie in their ranges and keep the table's order rules.
AnalysisSettings ReadSettingsFile(const std::string& path);

}  // namespace vembrel
