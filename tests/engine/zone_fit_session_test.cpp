// Fitting the cell-free zone in whole constructed wells: the immigrants
// counted in the ring found against the cells the construction put in the
// zone (the ring's own accuracy is the zone fit's test). Prints the figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/well_session.h"
#include "support/zone_well.h"

namespace vembrel::testing {
namespace {

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(std::ceil(share * values.size())) - 1;
  return values[std::min(index, values.size() - 1)];
}

TEST(ZoneFitSession, FindsTheZoneAndCountsTheMigratedCellsAcrossASpreadOfWells) {
  std::vector<double> ringErrors, countErrors;
  int ringsWithin = 0, countsWithin = 0;
  for (const ZoneWellRecipe& recipe : ZoneWellSpread()) {
    const ZoneWell well = MakeZoneWell(recipe);
    SessionOptions options;
    options.fitRadius = RadiusRange{200, 460};
    const WellSession session(0, well.mosaics(), AnalysisSettings{}, std::move(options));
    const Ring& ring = session.ring();
    const double offCentre = std::hypot(ring.x - recipe.zoneX, ring.y - recipe.zoneY);
    const double ringError = std::max(offCentre, double(std::abs(ring.radius - recipe.zoneRadius)));
    const double countError = std::abs(double(session.results().nuclei - well.migrated));
    ringErrors.push_back(ringError);
    countErrors.push_back(countError);
    ringsWithin += ringError <= 12;
    countsWithin += countError <= std::max(3.0, 0.15 * well.migrated);
  }
  std::printf(
      "ring error median %.1f p90 %.1f; count error median %.1f p90 %.1f; "
      "rings within %d, counts within %d of %zu\n",
      Percentile(ringErrors, 0.5), Percentile(ringErrors, 0.9), Percentile(countErrors, 0.5),
      Percentile(countErrors, 0.9), ringsWithin, countsWithin, ringErrors.size());
  EXPECT_GE(countsWithin * 10, 9 * static_cast<int>(countErrors.size()));
}

TEST(ZoneFitSession, NotesWellsWithoutAZoneWithOrWithoutTheFit) {
  ZoneWellRecipe recipe;
  recipe.zoneRadius = 0;
  for (std::uint32_t seed : {11u, 12u}) {
    recipe.seed = seed;
    const ZoneWell confluent = MakeZoneWell(recipe);
    const WellSession plain(0, confluent.mosaics(), AnalysisSettings{});
    EXPECT_TRUE(plain.results().has(QualityNote::NoZone));
    SessionOptions options;
    options.fitRadius = RadiusRange{200, 460};
    const WellSession fitted(0, confluent.mosaics(), AnalysisSettings{}, std::move(options));
    EXPECT_TRUE(fitted.results().has(QualityNote::NoZone));
  }
  recipe.zoneRadius = 300;
  const ZoneWell zone = MakeZoneWell(recipe);
  EXPECT_FALSE(
      WellSession(0, zone.mosaics(), AnalysisSettings{}).results().has(QualityNote::NoZone));
  // Without any cell stain there is nothing to judge.
  WellMosaics blueOnly = zone.mosaics();
  blueOnly.green = Picture(kMosaicSize, kMosaicSize);
  blueOnly.greenQuarterBlack = {true, true, true, true};
  EXPECT_FALSE(WellSession(0, blueOnly, AnalysisSettings{}).results().has(QualityNote::NoZone));
}

TEST(ZoneFitSession, NotesNucleiLargerThanTheMaximalSize) {
  ZoneWellRecipe recipe;
  recipe.nucleusAreaLow = 400;
  recipe.nucleusAreaHigh = 1500;
  const ZoneWell large = MakeZoneWell(recipe);
  AnalysisSettings settings;
  EXPECT_TRUE(WellSession(0, large.mosaics(), settings).results().has(QualityNote::NucleiTooLarge));
  // Size limits that fit them count them (those cut by the mosaic's edge aside).
  settings.nuclei.minimalSize = 100;
  settings.nuclei.maximalSize = 1'000'000;
  const WellSession fitting(0, large.mosaics(), settings);
  EXPECT_FALSE(fitting.results().has(QualityNote::NucleiTooLarge));
  const auto inside = std::count_if(large.nuclei.begin(), large.nuclei.end(), [](const auto& n) {
    return n.x > 0 && n.y > 0 && n.x < kMosaicSize && n.y < kMosaicSize;
  });
  EXPECT_NEAR(double(fitting.results().totalNuclei), double(inside), 0.1 * double(inside));
  recipe.nucleusAreaLow = 60;
  recipe.nucleusAreaHigh = 170;
  const ZoneWell usual = MakeZoneWell(recipe);
  EXPECT_FALSE(
      WellSession(0, usual.mosaics(), settings).results().has(QualityNote::NucleiTooLarge));
}

}  // namespace
}  // namespace vembrel::testing
