#pragma once
// Suggested settings for a plate, from a few of its wells: the ring radius
// the cell-free zones have, nucleus cut-offs that separate nuclei from the
// background, size limits around the size the nuclei have, and the cell
// level's cut-off and sizes. The user reviews them before a batch.
#include <string>
#include <vector>

#include "plate/analysis_settings.h"

namespace vembrel {

struct Plate;

struct SettingsSuggestion {
  AnalysisSettings settings;         // the base settings with the suggested values
  std::vector<int> wells;            // the wells looked at
  std::vector<int> zoneRadii;        // the zone fitted in each of them that has a clear zone
  std::vector<std::string> reasons;  // why each suggested value is what it is, for the user
};

/// Up to four included wells spread over the plate.
std::vector<int> WellsToSuggestFrom(const Plate& plate);

/// The zone fit's range of radii when the ring radius is suggested.
inline constexpr int kSuggestedRadiusFrom = 80;
inline constexpr int kSuggestedRadiusTo = 600;

/// Looks at the wells' mosaics and composites (windowed as the base settings
/// window them):
/// - the ring radius is the median of the zone fits (kSuggestedRadiusFrom..To)
///   of the wells with a clear zone; the base radius when none has one;
/// - the nucleus blue cut-off is Otsu's threshold of the blue channel, the
///   green cut-off the value 95 % of the pixels above it reach in green, but
///   not above the cells' threshold (Otsu's of the green channel);
/// - the nucleus size limits are a quarter and four times the median size of
///   the objects (of 3 pixels or more) above both cut-offs, with no cap below
///   the settings' own limit;
/// - the cell cut-off is Otsu's threshold of the green channel, and the cell
///   size limits a quarter and four times the green area above it per nucleus.
/// Throws Error when the wells hold no such object.
SettingsSuggestion SuggestSettings(const Plate& plate, const std::vector<int>& wells,
                                   const AnalysisSettings& base);

}  // namespace vembrel
