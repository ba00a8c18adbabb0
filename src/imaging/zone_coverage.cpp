#include "imaging/zone_coverage.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/disc_geometry.h"

namespace vembrel {

double ZoneCoverage(const Picture& cellMosaic, int x, int y, int radius, int cutoff) {
  if (radius <= 0 || cellMosaic.empty()) return 0;
  const std::vector<int> halfWidths = DiscHalfWidths(radius);
  std::int64_t inside = 0;
  std::int64_t covered = 0;
  const int firstRow = std::max(0, y - radius + 1);
  const int lastRow = std::min(cellMosaic.height - 1, y + radius - 1);
  for (int r = firstRow; r <= lastRow; ++r) {
    const int half = halfWidths[r > y ? r - y : y - r];
    const int c0 = std::max(0, x - half);
    const int c1 = std::min(cellMosaic.width - 1, x + half);
    if (c0 > c1) continue;
    inside += c1 - c0 + 1;
    const std::uint8_t* pixel = cellMosaic.bytes.data() + cellMosaic.offset(c0, r, kGreen);
    for (int c = c0; c <= c1; ++c, pixel += 4) covered += *pixel >= cutoff ? 1 : 0;
  }
  if (inside == 0) return 0;
  return 100.0 * static_cast<double>(covered) / static_cast<double>(inside);
}

}  // namespace vembrel
