#pragma once
// The settings as JSON by their dotted names (settings table), for the run
// manifest and the Python module: {"display": {"green": {"cutoff": 10, ...}}}.
#include <nlohmann/json_fwd.hpp>

#include "plate/analysis_settings.h"

namespace vembrel {

/// All 17 settings nested by the parts of their names, in settings-file
/// order: integers as numbers, flags as booleans, decimals as floats.
nlohmann::ordered_json SettingsToJson(const AnalysisSettings& settings);

/// The settings `json` gives, the others taken from `base`. Names may be
/// nested ({"ring": {"radius": 300}}) or dotted ({"ring.radius": 300}).
/// Throws Error naming the setting for an unknown name, a setting given twice,
/// a value of the wrong type (integers must be whole numbers, flags
/// booleans), a value outside its range, or a broken order rule.
AnalysisSettings SettingsFromJson(const nlohmann::ordered_json& json,
                                  const AnalysisSettings& base = {});

}  // namespace vembrel
