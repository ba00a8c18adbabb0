// Suggested settings on constructed plates of real TIFF fields: small and
// large nuclei, brightly and dimly stained, around zones of known radius.
// With the suggestion the wells' nuclei are found and the ring fits the zone.
#include "engine/settings_suggestion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/well_session.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "support/temp_dir.h"
#include "support/zone_well.h"

namespace vembrel::testing {
namespace {

struct PlateKind {
  const char* name;
  double areaLow, areaHigh;
  double bodyLow, bodyHigh;
  int blueLow, blueHigh;
  int migratedStep;  // cells migrated into the zones: 0, 1, 2 and 3 steps
};

TEST(SettingsSuggestion, FindsTheNucleiAndTheZonesOfSmallAndLargeBrightAndDimNuclei) {
  // Large nuclei have large cells, fewer of which fill a zone.
  const PlateKind kinds[] = {{"small bright", 30, 200, 5, 8, 150, 230, 10},
                             {"small dim", 30, 200, 5, 8, 45, 75, 10},
                             {"large bright", 300, 3000, 2, 3, 150, 230, 3},
                             {"large dim", 300, 3000, 2, 3, 45, 75, 3}};
  const char* wells[] = {"A01", "C05", "F08", "H12"};
  const int radii[] = {290, 305, 300, 310};
  std::uint32_t seed = 500;
  for (const PlateKind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    TempDir dir;
    const std::string folder = dir.file("plate");
    int constructed = 0;
    for (int i = 0; i < 4; ++i) {
      ZoneWellRecipe recipe;
      recipe.seed = seed++;
      recipe.zoneRadius = radii[i];
      recipe.zoneX = 500 + 10 * i;
      recipe.zoneY = 530 - 15 * i;
      recipe.migratedCells = kind.migratedStep * i;
      recipe.nucleusAreaLow = kind.areaLow;
      recipe.nucleusAreaHigh = kind.areaHigh;
      recipe.bodyFactorLow = kind.bodyLow;
      recipe.bodyFactorHigh = kind.bodyHigh;
      recipe.bluePeakLow = kind.blueLow;
      recipe.bluePeakHigh = kind.blueHigh;
      const ZoneWell well = MakeZoneWell(recipe);
      constructed += NucleiInMosaic(well);
      WriteZoneWell(folder, "Z_", wells[i], well);
    }
    const Plate plate = OpenPlate(folder + "/Z_A01f00d0.tif");
    ASSERT_EQ(WellsToSuggestFrom(plate).size(), 4u);
    const SettingsSuggestion suggestion =
        SuggestSettings(plate, WellsToSuggestFrom(plate), AnalysisSettings{});
    const AnalysisSettings& s = suggestion.settings;
    EXPECT_NEAR(s.ring.radius, 301, 15);
    EXPECT_EQ(suggestion.zoneRadii.size(), 4u);
    std::int64_t found = 0;
    for (const char* well : wells) {
      found += WellSession(plate, WellIndex(well), s).results().totalNuclei;
    }
    EXPECT_NEAR(double(found), double(constructed), 0.2 * constructed)
        << s.nuclei.blueCutoff << " " << s.nuclei.greenCutoff << " " << s.nuclei.minimalSize << ".."
        << s.nuclei.maximalSize;
    EXPECT_LT(s.nuclei.minimalSize, kind.areaLow);
    EXPECT_GT(s.nuclei.maximalSize, 0.9 * kind.areaHigh);  // no cap at 255
    // The typical cell lies well within the cell sizes.
    const double cell = (kind.areaLow + kind.areaHigh) / 2 * (kind.bodyLow + kind.bodyHigh) / 2;
    EXPECT_LT(s.cells.minimalSize, cell / 2);
    EXPECT_GT(s.cells.maximalSize, cell * 2);
    EXPECT_EQ(suggestion.reasons.size(), 7u);
  }
}

TEST(SettingsSuggestion, KeepsTheRadiusWithoutAClearZone) {
  TempDir dir;
  ZoneWellRecipe recipe;
  recipe.zoneRadius = 0;
  WriteZoneWell(dir.file("plate"), "Z_", "B02", MakeZoneWell(recipe));
  const Plate plate = OpenPlate(dir.file("plate") + "/Z_B02f00d0.tif");
  AnalysisSettings base;
  base.ring.radius = 333;
  const SettingsSuggestion suggestion = SuggestSettings(plate, {WellIndex("B02")}, base);
  EXPECT_EQ(suggestion.settings.ring.radius, 333);
  EXPECT_TRUE(suggestion.zoneRadii.empty());
  EXPECT_NE(suggestion.reasons[1].find("333 kept"), std::string::npos) << suggestion.reasons[1];
}

TEST(WellCutoffs, EachWellsOwnCutoffsFindTheNucleiOfDimWellsThatThePlatesMiss) {
  // Two brightly and two dimly stained wells; the plate's settings are
  // suggested from all four, as a lab would suggest them.
  TempDir dir;
  const std::string folder = dir.file("plate");
  const char* wells[] = {"A01", "B02", "C03", "D04"};
  const bool dim[] = {false, true, false, true};
  int constructed[4] = {};
  for (int i = 0; i < 4; ++i) {
    ZoneWellRecipe recipe;
    recipe.seed = 900 + i;
    recipe.zoneRadius = 280 + 10 * i;
    recipe.bluePeakLow = dim[i] ? 40 : 170;
    recipe.bluePeakHigh = dim[i] ? 70 : 240;
    const ZoneWell well = MakeZoneWell(recipe);
    constructed[i] = NucleiInMosaic(well);
    WriteZoneWell(folder, "Z_", wells[i], well);
  }
  const Plate plate = OpenPlate(folder + "/Z_A01f00d0.tif");
  const AnalysisSettings settings =
      SuggestSettings(plate, WellsToSuggestFrom(plate), AnalysisSettings{}).settings;
  SessionOptions own;
  own.cutoffs = CutoffMode::Well;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(wells[i]);
    const int well = WellIndex(wells[i]);
    const WellSession plateWide(plate, well, settings);
    EXPECT_FALSE(plateWide.results().cutoffs.has_value());
    if (dim[i]) {
      EXPECT_LT(plateWide.results().totalNuclei, constructed[i] / 2);
    }
    WellSession session(plate, well, settings, own);
    // The suggestion's rule on this well alone, its other settings the plate's.
    const AnalysisSettings::Nuclei rule = SuggestSettings(plate, {well}, settings).settings.nuclei;
    ASSERT_TRUE(session.results().cutoffs.has_value());
    EXPECT_EQ(*session.results().cutoffs, (WellCutoffs{rule.blueCutoff, rule.greenCutoff}));
    EXPECT_EQ(session.settings().nuclei.blueCutoff, rule.blueCutoff);
    EXPECT_EQ(session.settings().nuclei.minimalSize, settings.nuclei.minimalSize);
    EXPECT_NEAR(double(session.results().totalNuclei), constructed[i], 0.2 * constructed[i]);
    // A cut-off set by hand holds: the results no longer claim the well's own.
    session.set(SettingId::NucleiBlueCutoff, rule.blueCutoff + 1);
    session.set(SettingId::DisplayBlueSaturation, settings.display.blue.saturation - 1);
    EXPECT_EQ(session.settings().nuclei.blueCutoff, rule.blueCutoff + 1);
    EXPECT_FALSE(session.results().cutoffs.has_value());
    session.resetTo(settings);  // as the well opened: its own again
    EXPECT_EQ(session.settings().nuclei.blueCutoff, rule.blueCutoff);
  }
}

}  // namespace
}  // namespace vembrel::testing
