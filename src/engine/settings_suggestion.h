#pragma once
// Suggested nucleus settings for a plate, from a few of its wells: cut-offs
// that separate nuclei from the background and size limits around the size
// the nuclei have. The user reviews them before a batch.
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

struct Plate;

struct SettingsSuggestion {
  AnalysisSettings settings;         // the base settings with the nucleus settings suggested
  std::vector<int> wells;            // the wells looked at
  std::vector<std::string> reasons;  // why each suggested value is what it is, for the user
};

/// Up to four included wells spread over the plate.
std::vector<int> WellsToSuggestFrom(const Plate& plate);

/// Looks at the wells' composites (windowed as the base settings window
/// them): the blue cut-off is Otsu's threshold of the blue channel, the
/// green cut-off the value 95 % of the pixels above it reach in green, and
/// the size limits a third and three times the median size of the objects
/// (of 3 pixels or more) above both cut-offs. Throws Error when the wells
/// hold no such object.
SettingsSuggestion SuggestSettings(const Plate& plate, const std::vector<int>& wells,
                                   const AnalysisSettings& base);

}  // namespace vembrel
