#include "imaging/zone_fit.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/disc_geometry.h"
#include "imaging/ring_fit.h"

namespace vembrel {
namespace {

struct DiscTotals {
  std::int64_t sum = 0;
  std::int64_t pixels = 0;
};

/// Row prefix sums of the grey values, so a disc costs two lookups per row.
class GreyRows {
 public:
  explicit GreyRows(const Picture& picture)
      : width_(picture.width),
        height_(picture.height),
        prefix_(static_cast<std::size_t>(width_ + 1) * std::max(height_, 0)) {
    for (int r = 0; r < height_; ++r) {
      std::uint32_t* row = prefix_.data() + static_cast<std::size_t>(r) * (width_ + 1);
      std::uint32_t sum = 0;
      row[0] = 0;
      for (int c = 0; c < width_; ++c) {
        sum += picture.at(c, r, kBlue);
        row[c + 1] = sum;
      }
    }
  }

  /// Grey sum and pixel count of the strict disc, inside the picture.
  DiscTotals Disc(int x, int y, int radius) const {
    DiscTotals totals;
    if (radius <= 0) return totals;
    const std::vector<int> halfWidths = DiscHalfWidths(radius);
    const int firstRow = std::max(0, y - radius + 1);
    const int lastRow = std::min(height_ - 1, y + radius - 1);
    for (int r = firstRow; r <= lastRow; ++r) {
      const int half = halfWidths[r > y ? r - y : y - r];
      const int c0 = std::max(0, x - half);
      const int c1 = std::min(width_ - 1, x + half);
      if (c0 > c1) continue;
      const std::uint32_t* row = prefix_.data() + static_cast<std::size_t>(r) * (width_ + 1);
      totals.sum += row[c1 + 1] - row[c0];
      totals.pixels += c1 - c0 + 1;
    }
    return totals;
  }

  double Contrast(int x, int y, int radius) const {
    const DiscTotals inside = Disc(x, y, radius);
    const DiscTotals outer = Disc(x, y, radius + kZoneBand);
    const std::int64_t bandPixels = outer.pixels - inside.pixels;
    if (inside.pixels == 0 || bandPixels == 0) return 0;
    const double band =
        static_cast<double>(outer.sum - inside.sum) / static_cast<double>(bandPixels);
    return band - static_cast<double>(inside.sum) / static_cast<double>(inside.pixels);
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> prefix_;
};

}  // namespace

double ZoneContrast(const Picture& greenMosaic, int x, int y, int radius) {
  return GreyRows(greenMosaic).Contrast(x, y, radius);
}

ZoneFit FitZone(const Picture& greenMosaic, int minRadius, int maxRadius) {
  const GreyRows rows(greenMosaic);
  ZoneFit best;
  bool found = false;
  const auto consider = [&](int radius) {
    if (radius < minRadius || radius > maxRadius) return;
    const RingSearchResult centre = FitRing(greenMosaic, radius);
    const double contrast = rows.Contrast(centre.x, centre.y, radius);
    const bool better =
        !found || contrast > best.contrast || (contrast == best.contrast && radius < best.radius);
    if (!better) return;
    best = {centre.x, centre.y, radius, contrast};
    found = true;
  };
  for (int radius = minRadius; radius <= maxRadius; radius += 2) consider(radius);
  // The odd neighbours of the best even step.
  const int coarse = best.radius;
  consider(coarse - 1);
  consider(coarse + 1);
  return best;
}

}  // namespace vembrel
