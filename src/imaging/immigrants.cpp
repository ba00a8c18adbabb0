#include "imaging/immigrants.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string>

#include "imaging/disc_geometry.h"
#include "imaging/pixel_kernels.h"
#include "imaging/pixel_marks.h"
#include "imaging/square_crop.h"

namespace vembrel {
namespace {

/// The part of the result picture that is written: composite columns
/// left .. left + out.width - 1 and rows (from the bottom) bottom .. bottom
/// + out.height - 1; parts of it off the composite stay black.
struct CutWindow {
  int left = 0;
  int bottom = 0;
};

/// The composite rows that the window covers: from .. to - 1.
struct RowSpan {
  int from = 0;
  int to = 0;
};

/// Step 3 of the pass: inside the ring the nucleus pixels become pure red,
/// outside the ring blue and green are blacked out. Marks the red (255)
/// pixels and returns their number. The ring's rows are found from its
/// disc, not read from a mask: that spares a pass over a whole mosaic.
/// Composite pixels outside the window are neither read nor marked, and the
/// marks of rows outside it are not written: every pass takes all the marks
/// it makes, so they are still clear from the last one (or new and zero).
std::int64_t CutToRing(const Picture& composite, const ImmigrantSettings& s, CutWindow window,
                       RowSpan rows, Picture& out, PixelMarks& marks) {
  const int width = composite.width;
  const Ring& ring = s.ring;
  const std::vector<int> halfWidths = DiscHalfWidths(ring.radius);
  const int lo = std::clamp(window.left, 0, width);
  const int hi = std::clamp(window.left + out.width, lo, width);
  if (lo == hi) return 0;
  std::int64_t red = 0;
  for (int r = rows.from; r < rows.to; ++r) {
    const std::size_t first = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    std::uint8_t* rowMarks = marks.marks() + first;
    const int outRow = r - window.bottom;
    std::memset(rowMarks, 0, static_cast<std::size_t>(lo));
    std::memset(rowMarks + hi, 0, static_cast<std::size_t>(width - hi));
    // The inside columns c0 .. c1 - 1, as DrawRingMask paints them.
    const std::int64_t dy = r > ring.y ? std::int64_t{r} - ring.y : std::int64_t{ring.y} - r;
    std::int64_t c0 = 0;
    std::int64_t c1 = 0;
    if (dy < ring.radius) {
      c0 = std::int64_t{ring.x} - halfWidths[static_cast<std::size_t>(dy)] - lo;
      c1 = std::int64_t{ring.x} + halfWidths[static_cast<std::size_t>(dy)] + 1 - lo;
    }
    const std::size_t outFirst =
        static_cast<std::size_t>(outRow) * static_cast<std::size_t>(out.width) +
        static_cast<std::size_t>(lo - window.left);
    red +=
        CutRowToRing(composite.bytes.data() + 4 * (first + lo), hi - lo, c0, c1, s.lowerCutoffBlue,
                     s.lowerCutoffGreen, out.bytes.data() + 4 * outFirst, rowMarks + lo);
  }
  return red;
}

/// Steps 2 to 5 on the window of the composite written into out.
ImmigrantCounts CountInWindow(const Picture& composite, const ImmigrantSettings& settings,
                              CutWindow window, Picture& out) {
  const int width = composite.width;
  const std::int64_t pixels = std::int64_t{width} * composite.height;
  // The pass runs on every slider movement: keep its buffers between runs.
  thread_local PixelMarks marks;
  marks.Reset(width, pixels);
  const RowSpan rows{std::clamp(window.bottom, 0, composite.height),
                     std::clamp(window.bottom + out.height, 0, composite.height)};
  ImmigrantCounts counts;
  counts.pixels = CutToRing(composite, settings, window, rows, out, marks);

  // The fill runs on the marks (the red bytes of 255) of the cut picture; a
  // rejected nucleus is erased from it, which leaves the result picture.
  // Down, up, left, right; no column test.
  const std::int64_t order[4] = {-std::int64_t{width}, width, -1, 1};
  const std::int64_t last = std::int64_t{rows.to} * width;
  for (std::int64_t seed = std::int64_t{rows.from} * width;
       (seed = marks.NextMark(seed, last)) < last; ++seed) {
    const std::int64_t size = marks.Fill(seed, order);
    if (settings.minimalSize < size && size < settings.maximalSize) {
      const std::int64_t dx = settings.ring.x - seed % width;
      const std::int64_t dy = settings.ring.y - seed / width;
      const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
      counts.distanceSum += distance;
      counts.accepted.push_back(
          {static_cast<int>(seed % width), static_cast<int>(seed / width), size, distance});
      // Seeds are red-byte buffer positions, 1-based, after a bitmap file's 54-byte header.
      counts.seeds.push_back(static_cast<double>(57 + 4 * seed));
      counts.acceptedArea += size;
      ++counts.nuclei;
    } else {
      counts.rejected.push_back(
          {static_cast<int>(seed % width), static_cast<int>(seed / width), size, 0.0});
      // Marks lie only within the window.
      for (const std::int32_t p : std::span(marks.queue(), static_cast<std::size_t>(size))) {
        const std::size_t at = static_cast<std::size_t>(p / width - window.bottom) *
                                   static_cast<std::size_t>(out.width) +
                               static_cast<std::size_t>(p % width - window.left);
        out.bytes[4 * at + kRed] = 0;
      }
    }
  }

  if (counts.acceptedArea > 0) {
    const std::int64_t product = counts.nuclei * counts.pixels;
    counts.calculatedNuclei = static_cast<std::int64_t>(
        static_cast<double>(product) / static_cast<double>(counts.acceptedArea) + 0.5);
  }
  if (counts.nuclei > 0) {
    counts.averageDistance = static_cast<std::int64_t>(
        settings.ring.radius - counts.distanceSum / static_cast<double>(counts.nuclei));
    counts.averageNucleusSize = static_cast<std::int64_t>(
        static_cast<double>(counts.acceptedArea) / static_cast<double>(counts.nuclei) + 0.5);
  }
  return counts;
}

}  // namespace

ImmigrantCounts CountImmigrants(const Picture& composite, const ImmigrantSettings& settings,
                                Picture& result) {
  result.width = composite.width;
  result.height = composite.height;
  result.bytes.resize(composite.bytes.size());
  return CountInWindow(composite, settings, CutWindow{}, result);
}

ImmigrantCounts CountImmigrantsInRingCrop(const Picture& composite,
                                          const ImmigrantSettings& settings, Picture& crop) {
  const Ring& ring = settings.ring;
  if (ring.radius <= 0) {
    crop = Picture();
    return CountInWindow(composite, settings, CutWindow{}, crop);
  }
  const int side = 2 * ring.radius;
  crop.width = crop.height = side;
  crop.bytes.resize(static_cast<std::size_t>(side) * side * 4);
  // The cut writes only where the square meets the composite: a square
  // reaching beyond it is cleared first.
  const bool inside = ring.x >= ring.radius && ring.y >= ring.radius &&
                      ring.x + ring.radius <= composite.width &&
                      ring.y + ring.radius <= composite.height;
  if (!inside) std::memset(crop.bytes.data(), 0, crop.bytes.size());
  return CountInWindow(composite, settings, CutWindow{ring.x - ring.radius, ring.y - ring.radius},
                       crop);
}

Picture RingCrop(const Picture& picture, int ringX, int ringY, int radius) {
  if (radius <= 0) return Picture();
  return SquareCrop(picture, ringX - radius, picture.height - ringY - radius, 2 * radius);
}

}  // namespace vembrel
