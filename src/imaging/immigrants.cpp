#include "imaging/immigrants.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/error.h"

namespace vembrel {
namespace {

/// Step 3 of the pass: inside the ring the nucleus pixels become pure red,
/// outside the ring blue and green are blacked out.
void CutToRing(const Picture& composite, const Picture& ringMask, const ImmigrantSettings& s,
               Picture& work) {
  work = composite;
  const std::size_t size = work.bytes.size();
  std::uint8_t* w = work.bytes.data();
  const std::uint8_t* mask = ringMask.bytes.data();
  for (std::size_t i = 0; i < size; i += 4) {
    if (mask[i + kRed] == 255) {
      if (w[i] >= s.lowerCutoffBlue && w[i + 1] >= s.lowerCutoffGreen) {
        w[i] = 0;
        w[i + 1] = 0;
        w[i + 2] = 255;
      }
    } else {
      w[i] = 0;
      w[i + 1] = 0;
    }
  }
}

}  // namespace

ImmigrantCounts CountImmigrants(const Picture& composite, const Picture& ringMask,
                                const ImmigrantSettings& settings, Picture& work, Picture& mask) {
  if (composite.width != ringMask.width || composite.height != ringMask.height) {
    throw Error("The ring mask (" + std::to_string(ringMask.width) + " x " +
                std::to_string(ringMask.height) + ") does not fit the composite (" +
                std::to_string(composite.width) + " x " + std::to_string(composite.height) + ")");
  }
  CutToRing(composite, ringMask, settings, work);

  ImmigrantCounts counts;
  const int width = work.width;
  const std::int64_t pixels = std::int64_t{width} * work.height;
  std::uint8_t* red = work.bytes.data() + kRed;  // red byte of pixel k at red[4 * k]
  for (std::int64_t k = 0; k < pixels; ++k) counts.pixels += red[4 * k] == 255;
  mask = work;
  std::uint8_t* maskRed = mask.bytes.data() + kRed;

  std::vector<std::int32_t> queue;
  queue.reserve(4096);
  for (std::int64_t seed = 0; seed < pixels; ++seed) {
    if (red[4 * seed] != 255) continue;
    red[4 * seed] = 0;
    queue.clear();
    queue.push_back(static_cast<std::int32_t>(seed));
    for (std::size_t i = 0; i < queue.size(); ++i) {
      const std::int64_t p = queue[i];
      // Down, up, left, right, within the buffer; no column test.
      const std::int64_t neighbours[4] = {p - width, p + width, p - 1, p + 1};
      for (const std::int64_t q : neighbours) {
        if (q < 0 || q >= pixels || red[4 * q] != 255) continue;
        red[4 * q] = 0;
        queue.push_back(static_cast<std::int32_t>(q));
      }
    }
    const auto size = static_cast<std::int64_t>(queue.size());
    if (settings.minimalSize < size && size < settings.maximalSize) {
      const std::int64_t dx = settings.ringX - seed % width;
      const std::int64_t dy = settings.ringY - seed / width;
      counts.distanceSum += std::sqrt(static_cast<double>(dx * dx + dy * dy));
      // ObjectList holds red-byte buffer positions, 1-based, after the 54-byte header.
      counts.seeds.push_back(static_cast<double>(57 + 4 * seed));
      counts.acceptedArea += size;
      ++counts.nuclei;
    } else {
      // The same fill in the mask reaches exactly this nucleus: erase it there.
      for (const std::int32_t p : queue) maskRed[4 * std::int64_t{p}] = 0;
    }
  }

  if (counts.acceptedArea > 0) {
    const std::int64_t product = counts.nuclei * counts.pixels;
    counts.calculatedNuclei = static_cast<std::int64_t>(
        static_cast<double>(product) / static_cast<double>(counts.acceptedArea) + 0.5);
  }
  if (counts.nuclei > 0) {
    counts.averageDistance = static_cast<std::int64_t>(
        settings.ringRadius - counts.distanceSum / static_cast<double>(counts.nuclei));
    counts.averageNucleusSize = static_cast<std::int64_t>(
        static_cast<double>(counts.acceptedArea) / static_cast<double>(counts.nuclei) + 0.5);
  }
  work = mask;
  return counts;
}

Picture RingCrop(const Picture& picture, int ringX, int ringY, int radius) {
  if (radius <= 0) return Picture();
  const int side = 2 * radius;
  Picture crop(side, side);
  const int left = ringX - radius;
  const int top = picture.height - ringY - radius;
  for (int y = 0; y < side; ++y) {
    const int sy = top + y;
    if (sy < 0 || sy >= picture.height) continue;
    const int x0 = std::max(0, -left);
    const int x1 = std::min(side, picture.width - left);
    if (x0 >= x1) continue;
    std::copy_n(picture.topDown(left + x0, sy), 4 * static_cast<std::size_t>(x1 - x0),
                crop.topDown(x0, y));
  }
  return crop;
}

}  // namespace vembrel
