#include "support/closing_zone.h"

#include <cmath>

#include "support/layout_plate.h"

namespace vembrel::testing {
namespace {

bool Open(int c, int r, double hours, double closurePerHour) {
  const double radius = kZone * std::sqrt(1 - closurePerHour / 100 * hours);
  const double dx = c - (kZoneX + 5 * hours * closurePerHour / kClosurePerHour), dy = r - kZoneY;
  return dx * dx + dy * dy < radius * radius;
}

// Nucleus k (6 x 6) on a circle of radius 260 around the zone's centre.
bool InNucleus(int c, int r, int count) {
  for (int k = 0; k < count; ++k) {
    const double angle = 2 * M_PI * k / 16;
    const int x = kZoneX + static_cast<int>(std::lround(260 * std::cos(angle)));
    const int y = kZoneY + static_cast<int>(std::lround(260 * std::sin(angle)));
    if (c >= x && c < x + 6 && r >= y && r < y + 6) return true;
  }
  return false;
}

}  // namespace

void WriteClosingZoneTimePoint(const std::string& folder, const std::string& well, int index,
                               double closurePerHour) {
  const double hours = index * kHoursApart;
  const int nuclei = index * kNucleiPerTimePoint;
  const MosaicGrey blue = [=](int c, int r) { return InNucleus(c, r, nuclei) ? 200 : 0; };
  const MosaicGrey green = [=](int c, int r) {
    return InNucleus(c, r, nuclei) || !Open(c, r, hours, closurePerHour) ? 200 : 20;
  };
  WriteLayoutWell(folder, OperettaNames(1, index + 1), well, {1, 2}, blue, green);
}

}  // namespace vembrel::testing
