#include "imaging/nuclei.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/error.h"
#include "imaging/disc_geometry.h"
#include "imaging/pixel_kernels.h"
#include "imaging/pixel_marks.h"

namespace vembrel {
namespace {

/// Marks the nucleus pixels (blue and green at least their cut-offs).
void MarkNucleusPixels(const Picture& composite, int cutoffBlue, int cutoffGreen,
                       PixelMarks& marks) {
  marks.Reset(composite.width, std::int64_t{composite.width} * composite.height);
  MarkPixelsAtLeast(composite.bytes.data(), marks.pixels(), cutoffBlue, cutoffGreen, marks.marks());
}

/// Bin of a distance: scanning down from the top, the first bin whose lower
/// edge lies below d; -1 for d within the ring.
int BinOf(double distance, const NucleusScanSettings& s, int nbins) {
  for (int b = nbins - 1; b >= 0; --b) {
    if (s.ring.radius + b * s.ringIncrement < distance) return b;
  }
  return -1;
}

}  // namespace

// The sample point (x, y) lies beyond an edge T exactly when
// (x - X)^2 + (y - Y)^2 > T^2: the square root of an integer is correctly
// rounded, so comparing roots with the integer edge gives the same answer.
// Each row therefore needs one integer square root per edge, not one root
// per point.
std::vector<std::int32_t> DensityAreas(int width, int height, const NucleusScanSettings& s,
                                       int nbins) {
  if (nbins <= 0) return {};
  std::vector<std::int64_t> beyond(nbins, 0);  // points beyond the lower edge of bin b
  const std::int64_t rowPoints = std::int64_t{width} + 1;
  for (int y = 0; y <= height; ++y) {
    const std::int64_t dy = y - s.ring.y;
    for (int b = 0; b < nbins; ++b) {
      const std::int64_t edge = s.ring.radius + std::int64_t{b} * s.ringIncrement;
      const std::int64_t room = edge * edge - dy * dy;
      std::int64_t within = 0;
      if (room >= 0) {
        const std::int64_t half = FloorSqrt(room);
        const std::int64_t x0 = std::max<std::int64_t>(0, s.ring.x - half);
        const std::int64_t x1 = std::min<std::int64_t>(width, s.ring.x + half);
        if (x0 <= x1) within = x1 - x0 + 1;
      }
      beyond[b] += rowPoints - within;
    }
  }
  std::vector<std::int32_t> areas(nbins);
  for (int b = 0; b < nbins; ++b) {
    const std::int64_t next = b + 1 < nbins ? beyond[b + 1] : 0;
    areas[b] = static_cast<std::int32_t>(beyond[b] - next);
  }
  return areas;
}

namespace {

void BuildProfile(DensityProfile& profile, double dmax, int width, int height,
                  const NucleusScanSettings& s) {
  const auto reach = static_cast<std::int64_t>(dmax - s.ring.radius + 0.5);
  const std::int64_t nbins = reach / s.ringIncrement;
  // No nucleus lies an increment beyond the ring: no profile.
  if (nbins <= 0) return;
  const int bins = static_cast<int>(nbins);
  profile.nbins = bins;
  profile.counts.assign(bins, 0);
  for (double d : profile.distances) {
    const int b = BinOf(d, s, bins);
    if (b >= 0) ++profile.counts[b];
  }
  profile.areas = DensityAreas(width, height, s, bins);

  profile.densities.assign(bins, 0.0);
  double greatest = 0;
  for (int k = 0; k < bins; ++k) {
    // A bin without sample points (ring centre far outside) has density 0.
    if (profile.areas[k] > 0) {
      profile.densities[k] = static_cast<double>(profile.counts[k]) / profile.areas[k];
    }
    if (profile.densities[k] > greatest) {
      greatest = profile.densities[k];
      profile.best = k;
    }
  }
  profile.maxText = "Max: " + std::to_string(profile.counts[profile.best]) + " in " +
                    std::to_string(profile.areas[profile.best]) + " pixel";
  profile.barWidth = 180 / bins;
  profile.barHeights.assign(bins, 0);
  if (greatest > 0) {
    for (int k = 0; k < bins; ++k) {
      profile.barHeights[k] = static_cast<int>(100 * profile.densities[k] / greatest + 0.5);
    }
  }
}

}  // namespace

namespace {

void CheckScanSettings(const NucleusScanSettings& settings) {
  if (settings.ringIncrement < 1) {
    throw Error("The ring increment must be at least 1, not " +
                std::to_string(settings.ringIncrement));
  }
  if (settings.ring.radius < 0) {
    throw Error("The ring size must not be negative: " + std::to_string(settings.ring.radius));
  }
}

DensityProfile ScanMarks(const Picture& composite, const NucleusScanSettings& settings,
                         PixelMarks& marks) {
  DensityProfile profile;
  const int width = composite.width;
  const std::int64_t pixels = std::int64_t{width} * composite.height;

  // Above, left, right, below; the horizontal neighbours follow storage
  // order, so a row's last pixel touches the next row's first.
  const std::int64_t order[4] = {width, -1, 1, -std::int64_t{width}};
  double dmax = 0;
  for (std::int64_t seed = 0; (seed = marks.NextMark(seed)) < pixels; ++seed) {
    const std::int64_t size = marks.Fill(seed, order);
    profile.stainPixels += size;
    if (size >= settings.maximalSize) {
      profile.oversizePixels += size;
      ++profile.oversizeObjects;
    }
    if (!(settings.minimalSize < size && size < settings.maximalSize)) continue;
    const std::int64_t dx = seed % width - settings.ring.x;
    const std::int64_t dy = marks.queue()[size - 1] / width - settings.ring.y;
    const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    profile.distances.push_back(d);
    if (d > dmax) dmax = d;
  }
  profile.total = static_cast<int>(profile.distances.size());
  if (profile.total > 0) BuildProfile(profile, dmax, width, composite.height, settings);
  return profile;
}

}  // namespace

DensityProfile ScanNuclei(const Picture& composite, const NucleusScanSettings& settings) {
  CheckScanSettings(settings);
  // The scan runs on every slider movement: keep its buffers between runs.
  thread_local PixelMarks marks;
  MarkNucleusPixels(composite, settings.lowerCutoffBlue, settings.lowerCutoffGreen, marks);
  return ScanMarks(composite, settings, marks);
}

DensityProfile ScanNuclei(const Picture& composite, const NucleusScanSettings& settings,
                          PixelMarks& marks) {
  CheckScanSettings(settings);
  if (marks.width() != composite.width ||
      marks.pixels() != std::int64_t{composite.width} * composite.height) {
    throw Error("The nucleus marks do not match the composite's size");
  }
  return ScanMarks(composite, settings, marks);
}

}  // namespace vembrel
