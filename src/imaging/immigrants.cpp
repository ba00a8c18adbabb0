#include "imaging/immigrants.h"

#include <cmath>
#include <span>
#include <string>

#include "core/error.h"
#include "imaging/pixel_kernels.h"
#include "imaging/pixel_marks.h"
#include "imaging/square_crop.h"

namespace vembrel {
namespace {

/// Step 3 of the pass: inside the ring the nucleus pixels become pure red,
/// outside the ring blue and green are blacked out. Marks the red (255)
/// pixels and returns their number.
std::int64_t CutToRing(const Picture& composite, const Picture& ringMask,
                       const ImmigrantSettings& s, Picture& result, PixelMarks& marks) {
  result.width = composite.width;
  result.height = composite.height;
  result.bytes.resize(composite.bytes.size());
  return CutPixelsToRing(composite.bytes.data(), ringMask.bytes.data(), marks.pixels(),
                         s.lowerCutoffBlue, s.lowerCutoffGreen, result.bytes.data(), marks.marks());
}

}  // namespace

ImmigrantCounts CountImmigrants(const Picture& composite, const Picture& ringMask,
                                const ImmigrantSettings& settings, Picture& result) {
  if (composite.width != ringMask.width || composite.height != ringMask.height) {
    throw Error("The ring mask (" + std::to_string(ringMask.width) + " x " +
                std::to_string(ringMask.height) + ") does not fit the composite (" +
                std::to_string(composite.width) + " x " + std::to_string(composite.height) + ")");
  }
  const int width = composite.width;
  const std::int64_t pixels = std::int64_t{width} * composite.height;
  // The pass runs on every slider movement: keep its buffers between runs.
  thread_local PixelMarks marks;
  marks.Reset(width, pixels);
  ImmigrantCounts counts;
  counts.pixels = CutToRing(composite, ringMask, settings, result, marks);

  // The fill runs on the marks (the red bytes of 255) of the cut picture; a
  // rejected nucleus is erased from it, which leaves the result picture.
  // Down, up, left, right; no column test.
  const std::int64_t order[4] = {-std::int64_t{width}, width, -1, 1};
  for (std::int64_t seed = 0; (seed = marks.NextMark(seed)) < pixels; ++seed) {
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
      for (const std::int32_t p : std::span(marks.queue(), static_cast<std::size_t>(size))) {
        result.bytes[4 * static_cast<std::size_t>(p) + kRed] = 0;
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

Picture RingCrop(const Picture& picture, int ringX, int ringY, int radius) {
  if (radius <= 0) return Picture();
  return SquareCrop(picture, ringX - radius, picture.height - ringY - radius, 2 * radius);
}

}  // namespace vembrel
