// Whole wells of the demo plate: the session's pass against the imaging steps
// run directly, and its immigrant counts against a plain reference count.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "engine/well_session.h"
#include "imaging/composite.h"
#include "imaging/immigrants.h"
#include "imaging/mosaic.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"
#include "plate/demo_plate.h"
#include "plate/plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

constexpr std::uint32_t kSeed = 11;

struct ReferenceCounts {
  std::int64_t nuclei = 0, pixels = 0, area = 0;
  double distanceSum = 0;
};

// Marks every composite pixel inside the ring that reaches both cut-offs and
// counts 4-connected groups by their pixel index (so a row's last pixel
// touches the next row's first), keeping sizes strictly inside the window.
ReferenceCounts CountByHand(const Picture& composite, int x, int y, int radius, int lcg, int lcb,
                            int mins, int maxs) {
  const int n = 1024 * 1024;
  std::vector<char> marked(n, 0);
  ReferenceCounts counts;
  for (int k = 0; k < n; ++k) {
    const int c = k % 1024, r = k / 1024;
    const bool inside = (x - c) * (x - c) + (y - r) * (y - r) < radius * radius;
    if (inside && composite.at(c, r, kBlue) >= lcb && composite.at(c, r, kGreen) >= lcg) {
      marked[k] = 1;
      ++counts.pixels;
    }
  }
  for (int seed = 0; seed < n; ++seed) {
    if (!marked[seed]) continue;
    std::deque<int> queue{seed};
    marked[seed] = 0;
    std::int64_t size = 0;
    while (!queue.empty()) {
      const int p = queue.front();
      queue.pop_front();
      ++size;
      for (int q : {p - 1024, p + 1024, p - 1, p + 1}) {
        if (q >= 0 && q < n && marked[q]) {
          marked[q] = 0;
          queue.push_back(q);
        }
      }
    }
    if (mins < size && size < maxs) {
      const int c = seed % 1024, r = seed / 1024;
      ++counts.nuclei;
      counts.area += size;
      counts.distanceSum += std::sqrt(double((x - c) * (x - c) + (y - r) * (y - r)));
    }
  }
  return counts;
}

TEST(DemoWell, PassAgreesWithTheImagingStepsAndAPlainReferenceCount) {
  TempDir dir;
  const std::string folder = dir.file("plate");
  WriteDemoPlate(folder, kSeed, {0, 17});
  const Plate plate = OpenPlate(folder + "/DEMO_A01f00d0.tif");
  const AnalysisSettings c;

  for (const int well : {0, 17}) {
    SCOPED_TRACE(well);
    const WellSession session(plate, well, c);
    const WellPictures& pictures = session.pictures();

    // The same steps, run directly on the generator's fields.
    const std::array<Picture, 8> fields = MakeDemoWellFields(kSeed, well);
    const Picture blue = AssembleMosaic({fields[0], fields[1], fields[2], fields[3]});
    Picture green = AssembleMosaic({fields[4], fields[5], fields[6], fields[7]});
    ASSERT_EQ(pictures.blueMosaic, blue);
    Picture composite;
    MakeComposite(
        blue, green, {c.display.blue.cutoff, c.display.blue.saturation, c.display.blue.fullRange},
        {c.display.green.cutoff, c.display.green.saturation, c.display.green.fullRange}, composite);
    ASSERT_EQ(pictures.composite, composite);
    const RingSearchResult ring = FitRing(green, c.ring.radius);
    EXPECT_EQ(session.ring().x, ring.x);
    EXPECT_EQ(session.ring().y, ring.y);
    DrawRingMask(green, ring.x, ring.y, c.ring.radius);
    EXPECT_EQ(pictures.greenMosaic, green);

    NucleusScanSettings scan{c.nuclei.greenCutoff,
                             c.nuclei.blueCutoff,
                             c.nuclei.minimalSize,
                             c.nuclei.maximalSize,
                             c.ring.radius,
                             c.ring.increment,
                             ring.x,
                             ring.y};
    const DensityProfile profile = ScanNuclei(composite, scan);
    EXPECT_EQ(session.results().totalNuclei, profile.total);
    EXPECT_EQ(session.densityChart().maximumText, profile.maxText);
    ASSERT_GT(profile.nbins, 0);
    const std::vector<DensityBin>& density = session.results().density;
    ASSERT_EQ(density.size(), std::size_t(profile.nbins));
    for (int k = 0; k < profile.nbins; ++k) {
      EXPECT_EQ(density[k], (DensityBin{profile.counts[k], profile.areas[k]}));
    }
    EXPECT_EQ(session.densityChart().heights, profile.barHeights);

    ImmigrantSettings count{c.nuclei.greenCutoff,
                            c.nuclei.blueCutoff,
                            c.nuclei.minimalSize,
                            c.nuclei.maximalSize,
                            c.ring.radius,
                            ring.x,
                            ring.y};
    Picture mask;
    const ImmigrantCounts direct = CountImmigrants(composite, green, count, mask);
    EXPECT_EQ(pictures.result, mask);

    const ReferenceCounts ref =
        CountByHand(composite, ring.x, ring.y, c.ring.radius, c.nuclei.greenCutoff,
                    c.nuclei.blueCutoff, c.nuclei.minimalSize, c.nuclei.maximalSize);
    ASSERT_GT(ref.nuclei, 0);
    const WellResults& r = session.results();
    EXPECT_EQ(r.nuclei, ref.nuclei);
    EXPECT_EQ(r.pixels, ref.pixels);
    EXPECT_EQ(r.calculatedNuclei, std::int64_t(double(ref.nuclei * ref.pixels) / ref.area + 0.5));
    EXPECT_EQ(r.averageDistance, std::int64_t(c.ring.radius - ref.distanceSum / ref.nuclei));
  }
}

}  // namespace
}  // namespace vembrel::testing
