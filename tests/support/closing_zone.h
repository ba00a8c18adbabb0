#pragma once
// A well pictured again and again while its cell-free zone closes at a known
// rate and immigrant nuclei arrive at a known rate: Harmony-style time
// points (sk1, sk2, ...), one every kHoursApart hours.
#include <string>

namespace vembrel::testing {

inline constexpr int kZoneX = 520, kZoneY = 500, kZone = 300;
inline constexpr double kClosurePerHour = 10;  // % of the zone's area
inline constexpr double kHoursApart = 2;
inline constexpr int kNucleiPerTimePoint = 4;

/// Writes the well's fields of time point `index` (from 0) into the folder:
/// the open part of the zone a disc of (1 - 0.1 h) of the zone's area,
/// drifting right by 5 px an hour (a held ring must not follow it), and
/// index x kNucleiPerTimePoint nuclei of 6 x 6 pixels inside the zone;
/// closing at another rate (% of its area an hour) when given, the drift
/// in proportion (none for a zone that stays open).
void WriteClosingZoneTimePoint(const std::string& folder, const std::string& well, int index,
                               double closurePerHour = kClosurePerHour);

}  // namespace vembrel::testing
