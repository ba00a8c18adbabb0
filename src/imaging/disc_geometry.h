#pragma once
// Exact integer geometry of discs on the pixel grid: which columns of a row
// lie within a given distance of a centre, without rounding doubts.
#include <cmath>
#include <cstdint>
#include <vector>

namespace vembrel {

/// The largest h >= 0 with h * h <= m (m >= 0).
inline std::int64_t FloorSqrt(std::int64_t m) {
  auto h = static_cast<std::int64_t>(std::sqrt(static_cast<double>(m)));
  while (h > 0 && h * h > m) --h;
  while ((h + 1) * (h + 1) <= m) ++h;
  return h;
}

/// For |dy| = 0 .. radius - 1: the largest |dx| with dx^2 + dy^2 < radius^2,
/// i.e. the half width of the disc's row at that vertical distance. Rows at
/// |dy| >= radius hold no pixel of the (strict) disc.
inline std::vector<int> DiscHalfWidths(int radius) {
  std::vector<int> widths(radius > 0 ? radius : 0);
  const std::int64_t r2 = std::int64_t{radius} * radius;
  for (int dy = 0; dy < radius; ++dy) {
    widths[dy] = static_cast<int>(FloorSqrt(r2 - std::int64_t{dy} * dy - 1));
  }
  return widths;
}

}  // namespace vembrel
