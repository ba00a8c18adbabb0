#pragma once
// Settings file text with chosen value lines exchanged or dropped, for the
// tests of what the readers accept and refuse.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plate/settings_file.h"

namespace vembrel::testing {

/// key -> new value line; std::nullopt drops the key and its value.
using SettingsChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

inline std::string SettingsText(const SettingsChanges& changes = {},
                                const AnalysisSettings& settings = {},
                                const std::string& lineEnd = "\r\n") {
  const std::vector<std::string> lines = SettingsFileLines(settings);
  std::string text;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    std::optional<std::string> value = lines[i + 1];
    for (const auto& [key, changed] : changes) {
      if (lines[i].rfind("[" + key + " ", 0) == 0) value = changed;
    }
    if (value) text += lines[i] + lineEnd + *value + lineEnd;
  }
  return text;
}

}  // namespace vembrel::testing
