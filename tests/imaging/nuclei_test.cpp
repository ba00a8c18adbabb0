#include "imaging/nuclei.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "core/error.h"
#include "support/pictures.h"

namespace vembrel {
namespace {

// A black 1024 x 1024 composite; Mark() makes a pixel pass both cut-offs.
struct Composite {
  Picture picture{1024, 1024};
  void Set(int c, int r, std::uint8_t blue, std::uint8_t green) {
    picture.at(c, r, kBlue) = blue;
    picture.at(c, r, kGreen) = green;
  }
  void Mark(int c, int r) { Set(c, r, 255, 255); }
};

// Literal wave-by-wave fill with explicit wave lists and the reference row
// of the last appended pixel: the obviously-correct form of the scan, with
// both cut-offs inclusive and the size window strict at both ends.
std::vector<double> ReferenceDistances(const Picture& picture, const NucleusScanSettings& s) {
  const int w = picture.width;
  const long n = static_cast<long>(w) * picture.height;
  std::vector<int> marked(n);
  for (long k = 0; k < n; ++k) {
    marked[k] =
        picture.bytes[4 * k] >= s.lowerCutoffBlue && picture.bytes[4 * k + 1] >= s.lowerCutoffGreen;
  }
  std::vector<double> distances;
  for (long k = 0; k < n; ++k) {
    if (!marked[k]) continue;
    marked[k] = 0;
    std::vector<long> wave{k};
    long last = k;
    long size = 0;
    while (!wave.empty()) {
      std::vector<long> next;
      for (long p : wave) {
        for (long q : {p + w, p - 1, p + 1, p - w}) {
          if (q >= 0 && q < n && marked[q]) {
            marked[q] = 0;
            next.push_back(q);
            last = q;
          }
        }
      }
      size += static_cast<long>(wave.size());
      wave = next;
    }
    if (s.minimalSize < size && size < s.maximalSize) {
      const long dx = k % w - s.ring.x, dy = last / w - s.ring.y;
      distances.push_back(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    }
  }
  return distances;
}

// Brute-force areas: a root per sample point, bins searched from the top.
std::vector<std::int32_t> ReferenceAreas(int width, int height, const NucleusScanSettings& s,
                                         int nbins) {
  std::vector<std::int32_t> areas(nbins);
  for (int x = 0; x <= width; ++x) {
    for (int y = 0; y <= height; ++y) {
      const double d = std::sqrt(
          static_cast<double>((y - s.ring.y) * (y - s.ring.y) + (x - s.ring.x) * (x - s.ring.x)));
      if (!(d > s.ring.radius)) continue;
      for (int b = nbins - 1; b >= 0; --b) {
        if (s.ring.radius + b * s.ringIncrement < d) {
          ++areas[b];
          break;
        }
      }
    }
  }
  return areas;
}

TEST(ScanNuclei, RowEndTouchesNextRowStartButCornersDoNot) {
  Composite composite;
  composite.Mark(1023, 200);
  composite.Mark(0, 201);  // storage neighbour of the one above
  composite.Mark(500, 300);
  composite.Mark(501, 301);  // corner only
  composite.Mark(0, 0);      // first and last pixel of the buffer
  composite.Mark(1023, 1023);
  NucleusScanSettings s;
  EXPECT_EQ(ScanNuclei(composite.picture, s).total, 5);
  s.minimalSize = 1;  // only the two-pixel nucleus is left
  EXPECT_EQ(ScanNuclei(composite.picture, s).total, 1);
}

TEST(ScanNuclei, MatchesPlainWaveFillOnRandomPictures) {
  std::mt19937 random(21);
  for (int round = 0; round < 4; ++round) {
    const int w = 20 + static_cast<int>(random() % 50), h = 10 + static_cast<int>(random() % 40);
    Picture picture(w, h);
    // Values at and below both cut-offs (blue 30, green 20), so equality is hit.
    const std::uint8_t values[] = {19, 20, 29, 30, 200, 10, 10, 10};
    for (auto& byte : picture.bytes) byte = values[random() % 8];
    const Picture before = picture;
    NucleusScanSettings s;
    s.minimalSize = static_cast<int>(random() % 3);
    s.maximalSize = 4 + static_cast<int>(random() % 30);
    s.ring.x = static_cast<int>(random() % w);
    s.ring.y = static_cast<int>(random() % h);
    s.ring.radius = 2;
    s.ringIncrement = 3;
    const std::vector<double> expected = ReferenceDistances(picture, s);
    const DensityProfile profile = ScanNuclei(picture, s);
    EXPECT_EQ(profile.distances, expected);
    EXPECT_GT(expected.size(), 3u);
    EXPECT_EQ(picture, before);
  }
}

TEST(ScanNuclei, BinsOfTheFarthestNucleusAtCornerDistance) {
  // Ring 350 at the centre, increment 50; the farthest nucleus in the corner
  // at 724.08 gives Trunc(374.58) div 50 = 7 bins.
  Composite composite;
  composite.Mark(0, 0);      // 724.08: the open last bin 6
  composite.Mark(912, 512);  // exactly 350 + 50: bin 0
  composite.Mark(512, 962);  // exactly 350 + 2 x 50: bin 1
  composite.Mark(162, 512);  // exactly at the ring: no bin, still counted
  composite.Mark(512, 812);  // 300, inside
  const DensityProfile profile = ScanNuclei(composite.picture, NucleusScanSettings{});
  EXPECT_EQ(profile.total, 5);
  ASSERT_EQ(profile.nbins, 7);
  EXPECT_EQ(profile.counts, (std::vector<std::int32_t>{1, 1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(profile.areas, ReferenceAreas(1024, 1024, NucleusScanSettings{}, 7));
  EXPECT_EQ(profile.barWidth, 25);
  // Densities relative to the best bin's, rounded: 19.78 and 17.46.
  EXPECT_EQ(profile.barHeights, (std::vector<int>{20, 17, 0, 0, 0, 0, 100}));
  // The open last bin holds only the corners beyond 650: the fewest points.
  EXPECT_LT(profile.areas[6], profile.areas[0]);
  EXPECT_EQ(profile.best, 6);
  EXPECT_EQ(profile.maxText, "Max: 1 in " + std::to_string(profile.areas[6]) + " pixel");
}

TEST(ScanNuclei, TheReachBeyondTheRingIsRoundedToNearest) {
  // Ring 100, increment 10: the farthest nucleus at 129.62 reaches 29.62
  // beyond the ring, which rounds to 30 and so gives 3 bins (not 2).
  NucleusScanSettings s;
  s.ring.radius = 100;
  s.ringIncrement = 10;
  Composite composite;
  composite.Mark(512 + 120, 512 + 49);
  const DensityProfile profile = ScanNuclei(composite.picture, s);
  ASSERT_EQ(profile.distances.size(), 1u);
  EXPECT_NEAR(profile.distances[0], 129.62, 0.01);
  ASSERT_EQ(profile.nbins, 3);
  EXPECT_EQ(profile.counts, (std::vector<std::int32_t>{0, 0, 1}));
}

TEST(ScanNuclei, EqualDensitiesNameTheLowerBin) {
  // Ring 352, increment 50 at the centre: the two bins hold 118464 and
  // 542960 sample points, both multiples of 9872, so 12 and 55 nuclei give
  // the same density.
  NucleusScanSettings s;
  s.ring.radius = 352;
  const std::vector<std::int32_t> areas = ReferenceAreas(1024, 1024, s, 2);
  const int unit = std::gcd(areas[0], areas[1]);
  ASSERT_GE(unit, 100);
  const int wanted[2] = {areas[0] / unit, areas[1] / unit};
  int placed[2] = {0, 0};
  Composite composite;
  for (int r = 0; r < 1024; r += 3) {
    for (int c = 0; c < 1024; c += 3) {
      const double d = std::hypot(c - 512, r - 512);
      const int bin = d > 352 && d <= 402 ? 0 : (d > 452 && d < 501 ? 1 : -1);
      if (bin >= 0 && placed[bin] < wanted[bin]) {
        composite.Mark(c, r);
        ++placed[bin];
      }
    }
  }
  ASSERT_EQ(placed[0], wanted[0]);
  ASSERT_EQ(placed[1], wanted[1]);
  const DensityProfile profile = ScanNuclei(composite.picture, s);
  ASSERT_EQ(profile.nbins, 2);
  EXPECT_EQ(profile.areas, areas);
  EXPECT_EQ(profile.densities[0], profile.densities[1]);
  EXPECT_EQ(profile.best, 0);
  EXPECT_EQ(profile.maxText,
            "Max: " + std::to_string(wanted[0]) + " in " + std::to_string(areas[0]) + " pixel");
  EXPECT_EQ(profile.barHeights, (std::vector<int>{100, 100}));
}

TEST(ScanNuclei, NoProfileWithoutNucleiOrBeyondTheRing) {
  Composite composite;
  DensityProfile profile = ScanNuclei(composite.picture, NucleusScanSettings{});
  EXPECT_EQ(profile.total, 0);
  EXPECT_LE(profile.nbins, 0);
  EXPECT_TRUE(profile.counts.empty());
  EXPECT_TRUE(profile.barHeights.empty());
  EXPECT_EQ(profile.maxText, "");

  EXPECT_EQ(ScanNuclei(Picture(), NucleusScanSettings{}).total, 0);

  // Nuclei only within 349.5 + 50 of the centre: zero bins.
  composite.Mark(512, 512);
  composite.Mark(512 + 399, 512);
  profile = ScanNuclei(composite.picture, NucleusScanSettings{});
  EXPECT_EQ(profile.total, 2);
  EXPECT_LE(profile.nbins, 0);
  EXPECT_TRUE(profile.areas.empty());
  EXPECT_EQ(profile.maxText, "");
}

TEST(ScanNuclei, CountsTheStainInObjectsOfTheMaximalSizeAndAbove) {
  Composite composite;
  // Rows of 254, 255, 256 and 3 pixels, one object each.
  const int lengths[] = {254, 255, 256, 3};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < lengths[i]; ++c) composite.Mark(100 + c, 100 + 10 * i);
  }
  NucleusScanSettings s;
  s.maximalSize = 255;
  DensityProfile profile = ScanNuclei(composite.picture, s);
  EXPECT_EQ(profile.stainPixels, 254 + 255 + 256 + 3);
  EXPECT_EQ(profile.oversizePixels, 255 + 256);
  EXPECT_EQ(profile.oversizeObjects, 2);
  s.maximalSize = 257;
  profile = ScanNuclei(composite.picture, s);
  EXPECT_EQ(profile.oversizePixels, 0);
  EXPECT_EQ(profile.oversizeObjects, 0);
}

TEST(ScanNuclei, RefusesAnIncrementBelowOne) {
  NucleusScanSettings s;
  s.ringIncrement = 0;
  EXPECT_THROW(ScanNuclei(Picture(1024, 1024), s), Error);
}

TEST(DensityAreas, EqualsOneRootPerSamplePoint) {
  std::mt19937 random(3);
  for (int round = 0; round < 6; ++round) {
    NucleusScanSettings s;
    s.ring.x = static_cast<int>(random() % 1400) - 200;  // also centres off the picture
    s.ring.y = static_cast<int>(random() % 1400) - 200;
    s.ring.radius = static_cast<int>(random() % 500);
    s.ringIncrement = 1 + static_cast<int>(random() % 120);
    const int nbins = 1 + static_cast<int>(random() % 12);
    const int w = 300 + static_cast<int>(random() % 724);
    const int h = 300 + static_cast<int>(random() % 724);
    EXPECT_EQ(DensityAreas(w, h, s, nbins), ReferenceAreas(w, h, s, nbins))
        << s.ring.x << "," << s.ring.y << " r " << s.ring.radius << " +" << s.ringIncrement;
  }
}

}  // namespace
}  // namespace vembrel
