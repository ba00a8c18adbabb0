// A well session on constructed wells: counts worked out by hand from the
// construction, the rules that keep coupled settings in order, the ring
// actions, the cell level and its well data files.
#include "engine/well_session.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/text_file.h"
#include "engine/analysed_well.h"
#include "engine/cell_data_file.h"
#include "imaging/image_files.h"
#include "support/closing_zone.h"
#include "support/constructed_well.h"
#include "support/temp_dir.h"
#include "support/thrown.h"

namespace vembrel::testing {
namespace {

struct Expected {
  std::int64_t nuclei = 0, pixels = 0, area = 0;
  double distanceSum = 0;
  int totalAccepted = 0;
};

// The constructed blocks in scan order (each by its first pixel, the lower left).
std::vector<Block> BlocksInScanOrder() {
  std::vector<Block> blocks(kBlocks.begin(), kBlocks.end());
  std::sort(blocks.begin(), blocks.end(),
            [](const Block& a, const Block& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  return blocks;
}

// Straight from the construction: every block is one nucleus, its seed the bottom-left pixel.
Expected FromBlocks() {
  Expected e;
  for (const Block& b : BlocksInScanOrder()) {
    if (b.accepted()) ++e.totalAccepted;
    if (!b.inRing) continue;
    e.pixels += b.size();
    if (!b.accepted()) continue;
    ++e.nuclei;
    e.area += b.size();
    e.distanceSum +=
        std::sqrt(double((kRingX - b.x) * (kRingX - b.x) + (kRingY - b.y) * (kRingY - b.y)));
  }
  return e;
}

class WellSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { fixture.writeWell("A01"); }
  PlateFixture fixture;
};

TEST_F(WellSessionTest, ConstructedWellGivesTheHandCountedResults) {
  const auto session = fixture.open("A01");
  const WellResults& r = session->results();
  const Expected e = FromBlocks();
  ASSERT_EQ(e.nuclei, 4);
  EXPECT_EQ(r.ring, (Ring{kRingX, kRingY, kRing}));
  EXPECT_EQ(r.nuclei, e.nuclei);
  EXPECT_EQ(r.pixels, e.pixels);
  EXPECT_EQ(r.calculatedNuclei, std::int64_t(double(e.nuclei * e.pixels) / double(e.area) + 0.5));
  EXPECT_EQ(r.averageDistance, std::int64_t(kRing - e.distanceSum / 4));
  EXPECT_EQ(r.totalNuclei, e.totalAccepted);
  EXPECT_EQ(r.averageNucleusSize, std::int64_t(e.area / 4.0 + 0.5));
  EXPECT_FALSE(r.cells.has_value());
  // Each immigrant by its first pixel (the block's lower left), in scan order.
  std::vector<NucleusMeasures> immigrants;
  for (const Block& b : BlocksInScanOrder()) {
    if (!b.inRing || !b.accepted()) continue;
    immigrants.push_back({b.x, b.y, b.size(),
                          kRing - std::sqrt(double((kRingX - b.x) * (kRingX - b.x) +
                                                   (kRingY - b.y) * (kRingY - b.y)))});
  }
  EXPECT_EQ(r.immigrants, immigrants);
  ASSERT_FALSE(r.density.empty());
  EXPECT_EQ(r.densityRadius(0), kRing + 50);
  EXPECT_EQ(session->densityChart().heights.size(), r.density.size());
  EXPECT_EQ(&session->shownCrop(), &session->pictures().ringCrop);
}

TEST_F(WellSessionTest, NoAcceptedNucleusEmptiesTheProfile) {
  const auto session = fixture.open("A01");
  session->set(SettingId::NucleiGreenCutoff, 255);  // no nucleus reaches it
  const WellResults& r = session->results();
  EXPECT_EQ(r.totalNuclei, 0);
  EXPECT_TRUE(r.density.empty());
  EXPECT_TRUE(session->densityChart().heights.empty());
  EXPECT_EQ(session->densityChart().maximumText, "");
  EXPECT_EQ(r.nuclei, 0);
}

TEST_F(WellSessionTest, EachStainIsComparedWithItsOwnNucleusCutoff) {
  // Nuclei whose cell stain is dimmer than their nuclear stain: 120 raw,
  // about 114 in the composite, against 255 in blue.
  fixture.writeWell("B01", NucleiBlue,
                    [](int c, int r) { return NucleiBlue(c, r) > 0 ? 120 : RingGreen(c, r); });
  const auto session = fixture.open("B01");
  session->set(SettingId::NucleiBlueCutoff, 150);
  session->set(SettingId::NucleiGreenCutoff, 100);
  EXPECT_EQ(session->results().totalNuclei, FromBlocks().totalAccepted);
  EXPECT_EQ(session->results().nuclei, FromBlocks().nuclei);
  session->set(SettingId::NucleiBlueCutoff, 100);
  session->set(SettingId::NucleiGreenCutoff, 150);
  EXPECT_EQ(session->results().totalNuclei, 0);
  EXPECT_EQ(session->results().nuclei, 0);
}

TEST_F(WellSessionTest, MoreThanOnePercentOfTheNuclearStainAtItsMaximumIsNoted) {
  // 1 % of the 1024 x 1024 mosaic is 10485.76 pixels.
  for (const int atMaximum : {10485, 10486}) {
    const std::string well = atMaximum == 10485 ? "C01" : "C02";
    fixture.writeWell(well, [atMaximum](int c, int r) {
      return r * kMosaicSize + c < atMaximum ? 255 : NucleiBlue(c, r);
    });
    EXPECT_EQ(fixture.open(well)->results().has(QualityNote::Saturated), atMaximum == 10486);
  }
}

TEST_F(WellSessionTest, CoupledSettingsPushEachOtherOneStepAndRecomputeOnce) {
  const auto session = fixture.open("A01");
  const AnalysisSettings& s = session->settings();
  const auto expectPass = [&](SettingId id, double value) {
    const int passes = session->passCount();
    session->set(id, value);
    EXPECT_EQ(session->passCount(), passes + 1);
  };
  expectPass(SettingId::DisplayBlueCutoff, 155);  // exactly onto the saturation
  EXPECT_EQ(s.display.blue.cutoff, 155);
  EXPECT_EQ(s.display.blue.saturation, 156);
  expectPass(SettingId::DisplayBlueSaturation, 100);  // below the cut-off
  EXPECT_EQ(s.display.blue.cutoff, 99);
  EXPECT_EQ(s.display.blue.saturation, 100);
  expectPass(SettingId::DisplayGreenCutoff, 300);  // clamped into 0..254
  EXPECT_EQ(s.display.green.cutoff, 254);
  EXPECT_EQ(s.display.green.saturation, 255);
  expectPass(SettingId::NucleiMaximalSize, 100);
  expectPass(SettingId::NucleiMinimalSize, 100);  // exactly onto the maximal size
  EXPECT_EQ(s.nuclei.minimalSize, 100);
  EXPECT_EQ(s.nuclei.maximalSize, 101);
  // A value that changes nothing recomputes nothing.
  const int passes = session->passCount();
  session->set(SettingId::NucleiMinimalSize, 100);
  EXPECT_EQ(session->passCount(), passes);
  // The cell sizes: a maximum of 1 pushes the minimum to its floor of 1, which pushes back.
  session->set(SettingId::CellsMaximalSize, 1);
  EXPECT_EQ(s.cells.minimalSize, 1);
  EXPECT_EQ(s.cells.maximalSize, 2);
  EXPECT_EQ(session->passCount(), passes) << "cell settings never rerun the pass";
}

TEST_F(WellSessionTest, DecimalsLiveInTenthsAndHundredthsAndTheCellCutOffFollowsTheDisplay) {
  AnalysisSettings settings;
  settings.cells.lengthRatio = 2.96;
  settings.cells.smoothness = 0.291;
  settings.display.green.cutoff = 60;  // above the cell cut-off of 40
  const auto session = fixture.open("A01", {}, settings);
  EXPECT_EQ(session->settings().cells.lengthRatio, 3.0);
  EXPECT_EQ(session->settings().cells.smoothness, 29 / 100.0);
  EXPECT_EQ(session->settings().cells.greenCutoff, 60);
  session->set(SettingId::CellsLengthRatio, 2.94);
  EXPECT_EQ(session->settings().cells.lengthRatio, 29 / 10.0);
  session->set(SettingId::CellsSmoothness, 7);  // clamped to 100 hundredths
  EXPECT_EQ(session->settings().cells.smoothness, 1.0);
}

TEST_F(WellSessionTest, RingSizeIsCheckedAndRefitsTheRing) {
  const auto session = fixture.open("A01");
  const int passes = session->passCount();
  EXPECT_THROW(session->set(SettingId::RingRadius, 0), Error);
  EXPECT_THROW(session->set(SettingId::RingRadius, 1025), Error);
  EXPECT_EQ(session->passCount(), passes);
  EXPECT_EQ(session->ring().radius, kRing);

  session->set(SettingId::RingRadius, 300);
  EXPECT_EQ(session->ring().radius, 300);
  EXPECT_EQ(session->results().ring.radius, 300);
  EXPECT_EQ(session->pictures().ringCrop.width, 600);
  session->stepRingRadius(true);
  EXPECT_EQ(session->settings().ring.radius, 301);

  session->set(SettingId::RingIncrement, 0);  // below 1 becomes 10
  EXPECT_EQ(session->results().ringIncrement, 10);
  session->set(SettingId::RingIncrement, 95);
  session->stepRingIncrement(true);  // up to the largest step of 100
  EXPECT_EQ(session->settings().ring.increment, 100);
  session->stepRingIncrement(true);
  EXPECT_EQ(session->settings().ring.increment, 100);
}

TEST_F(WellSessionTest, RingArrowsMoveOnePixelAndNeverAgainstTheirDirection) {
  const auto session = fixture.open("A01");
  session->nudgeRing(RingDirection::Left);
  session->nudgeRing(RingDirection::Up);
  EXPECT_EQ(session->ring(), (Ring{kRingX - 1, kRingY + 1, kRing}));
  // Beyond the right-hand limit (width - radius) the arrow leaves the ring where it is.
  session->placeRing(900, 100);
  session->nudgeRing(RingDirection::Right);
  EXPECT_EQ(session->ring().x, 900);
  session->placeRing(0, 0);
  session->nudgeRing(RingDirection::Left);
  session->nudgeRing(RingDirection::Down);
  EXPECT_EQ(session->ring(), (Ring{0, 0, kRing}));
  session->autoFitRing();
  EXPECT_EQ(session->ring(), (Ring{kRingX, kRingY, kRing}));
}

TEST_F(WellSessionTest, TellsItsWorkspaceAfterEveryPassOnly) {
  int calls = 0;
  SessionOptions options;
  options.onAnalysed = [&calls](const WellSession&) { ++calls; };
  const auto session = fixture.open("A01", std::move(options));
  EXPECT_EQ(calls, 1);
  session->set(SettingId::NucleiBlueCutoff, 90);
  EXPECT_EQ(calls, 2);
  session->set(SettingId::CellsSmoothness, 0.5);  // the cell level alone
  EXPECT_EQ(calls, 2);
}

TEST_F(WellSessionTest, MosaicsGivenByTheCallerAnalyseLikeThePlatesFields) {
  const auto fromPlate = fixture.open("A01");
  WellMosaics mosaics = LoadWellMosaics(fixture.plate(), 0);
  const WellSession fromMosaics(0, std::move(mosaics), AnalysisSettings{});
  EXPECT_EQ(fromMosaics.results().nuclei, fromPlate->results().nuclei);
  EXPECT_EQ(fromMosaics.results().density, fromPlate->results().density);
  EXPECT_EQ(fromMosaics.pictures().result, fromPlate->pictures().result);
  EXPECT_THROW(
      WellSession(0, WellMosaics{Picture(512, 512), Picture(1024, 1024), {}}, AnalysisSettings{}),
      Error);
}

TEST_F(WellSessionTest, TheOverviewFromTheCompositeHalvedAsItWasMadeIsTheSame) {
  SessionOptions halving;
  halving.overviewComposite = true;
  const auto session = fixture.open("A01", std::move(halving));
  const auto plain = fixture.open("A01");
  const Picture before = plain->wholeWellOverview();
  EXPECT_EQ(session->wholeWellOverview(), before);
  EXPECT_EQ(session->wholeWellOverview(), before);  // once the half is taken
  // A new composite is halved afresh.
  for (const auto& open : {&session, &plain}) (*open)->set(SettingId::DisplayGreenCutoff, 100);
  ASSERT_NE(plain->wholeWellOverview(), before);
  EXPECT_EQ(session->wholeWellOverview(), plain->wholeWellOverview());
}

TEST_F(WellSessionTest, QualityNotesNameWhatToLookAtFirst) {
  const auto names = [](const WellSession& session) {
    std::vector<std::string> notes;
    for (const QualityNote note : session.results().quality) {
      notes.emplace_back(QualityNoteName(note));
    }
    return notes;
  };
  const auto session = fixture.open("A01");
  EXPECT_EQ(session->results().nucleiOutside, 3);  // the three blocks outside the ring
  EXPECT_EQ(names(*session), std::vector<std::string>{"few_nuclei_outside"});
  session->set(SettingId::NucleiGreenCutoff, 255);
  EXPECT_EQ(names(*session), (std::vector<std::string>{"no_nuclei", "few_nuclei_outside"}));

  // A zone in the corner pulls the fit onto the edge of its search area;
  // a ring placed by hand is no fit.
  WriteWellChannel(fixture.plateFolder(), "T_", "B01", false, NucleiBlue, 0x7);  // no field 3
  WriteWellChannel(fixture.plateFolder(), "T_", "B01", true,
                   [](int c, int r) { return InDisc(c, r, 150, 150, kRing) ? 20 : 200; });
  const auto corner = fixture.open("B01");
  EXPECT_EQ(corner->ring().x, kRing);
  EXPECT_EQ(names(*corner), (std::vector<std::string>{"missing_field", "ring_at_search_limit",
                                                      "few_nuclei_outside"}));
  corner->placeRing(kRing, kRing);
  EXPECT_FALSE(corner->results().has(QualityNote::RingAtSearchLimit));
}

TEST_F(WellSessionTest, FittingTheZonesSizeFindsTheRingAnotherRadiusMissed) {
  AnalysisSettings settings;
  settings.ring.radius = 250;
  SessionOptions options;
  options.fitRadius = RadiusRange{200, 450};
  const auto session = fixture.open("A01", std::move(options), settings);
  EXPECT_NEAR(session->ring().radius, kRing, 3);
  EXPECT_NEAR(session->ring().x, kRingX, 3);
  EXPECT_NEAR(session->ring().y, kRingY, 3);
  EXPECT_EQ(session->settings().ring.radius, session->ring().radius);
  ASSERT_TRUE(session->results().zoneContrast.has_value());
  EXPECT_GT(*session->results().zoneContrast, 100);
  EXPECT_THROW(session->fitRingSize({300, 200}), Error);
  session->autoFitRing();  // a plain fit keeps the radius and forgets the contrast
  EXPECT_FALSE(session->results().zoneContrast.has_value());
}

TEST_F(WellSessionTest, AGivenRingIsAnalysedAsPlacedInsteadOfTheFit) {
  AnalysisSettings settings;
  settings.ring.radius = 250;  // the fit alone would find another ring
  SessionOptions options;
  options.ring = Ring{kRingX, kRingY, kRing};
  const auto session = fixture.open("A01", options, settings);
  const WellResults& r = session->results();
  const Expected e = FromBlocks();
  EXPECT_EQ(r.ring, (Ring{kRingX, kRingY, kRing}));
  EXPECT_EQ(session->settings().ring.radius, kRing);
  EXPECT_EQ(r.nuclei, e.nuclei);
  EXPECT_EQ(r.pixels, e.pixels);
  EXPECT_TRUE(r.ringReviewed);
  EXPECT_FALSE(r.ringFitted);

  // A small ring around the 4 x 5 block at (801, 450) alone, off every fit.
  options.ring = Ring{803, 452, 8};
  const auto small = fixture.open("A01", options);
  EXPECT_EQ(small->results().ring, (Ring{803, 452, 8}));
  EXPECT_EQ(small->results().nuclei, 1);
  EXPECT_EQ(small->results().pixels, 20);
  small->autoFitRing();  // fitted afresh: no longer the reviewed ring
  EXPECT_FALSE(small->results().ringReviewed);
  // Placed whole by hand: the radius taken as it is, without a fit.
  small->placeRing(Ring{803, 452, 8});
  EXPECT_EQ(small->results().ring, (Ring{803, 452, 8}));
  EXPECT_EQ(small->settings().ring.radius, 8);
  EXPECT_EQ(small->results().nuclei, 1);
  EXPECT_THROW(small->placeRing(Ring{803, 1024, 8}), Error);
  EXPECT_EQ(small->results().ring, (Ring{803, 452, 8}));

  for (const Ring off : {Ring{1024, 500, 100}, Ring{-1, 500, 100}, Ring{500, 1024, 100},
                         Ring{500, -1, 100}, Ring{500, 500, 0}, Ring{500, 500, 1025}}) {
    options.ring = off;
    EXPECT_THROW(fixture.open("A01", options), Error) << off.x << "," << off.y << "," << off.radius;
  }
  EXPECT_EQ(RingPlacementProblem({0, 1023, 1}), "");
  EXPECT_EQ(RingPlacementProblem({1023, 0, 1024}), "");
  EXPECT_EQ(RingPlacementProblem({1024, 0, 10}), "x 1024 is outside the mosaic (0..1023)");
  EXPECT_EQ(RingPlacementProblem({0, 1024, 10}), "y 1024 is outside the mosaic (0..1023)");
  EXPECT_EQ(RingPlacementProblem({0, 0, 0}), "radius 0 is outside 1..1024");
}

TEST_F(WellSessionTest, ARecordKeepsItsReviewedRingAndARingIsPartOfTheRequest) {
  SessionOptions options;
  options.ring = Ring{803, 452, 8};
  const auto session = fixture.open("A01", options);
  WellRequest request;
  request.ring = options.ring;
  const AnalysedWell record{session->results(), session->settings(), request, ProgramVersion()};
  const AnalysedWell read = AnalysedWellFromJson(AnalysedWellToJson(record));
  EXPECT_EQ(read.request.ring, request.ring);
  EXPECT_TRUE(read.request == request);
  EXPECT_TRUE(read.results.ringReviewed);
  EXPECT_EQ(read.results.ring, (Ring{803, 452, 8}));

  WellRequest fitted = request;
  fitted.ring.reset();
  EXPECT_FALSE(fitted == request);
  EXPECT_FALSE(request == fitted);
  for (const Ring other : {Ring{804, 452, 8}, Ring{803, 451, 8}, Ring{803, 452, 9}}) {
    WellRequest moved = request;
    moved.ring = other;
    EXPECT_FALSE(moved == request);
  }
  // A record of a fitted ring says nothing of reviewed rings.
  const AnalysedWell plain{fixture.open("A01")->results(), {}, fitted, ProgramVersion()};
  const auto json = AnalysedWellToJson(plain);
  EXPECT_FALSE(json.at("request").contains("ring"));
  EXPECT_FALSE(json.at("results").contains("ring_reviewed"));
  EXPECT_FALSE(AnalysedWellFromJson(json).request.ring.has_value());
}

TEST_F(WellSessionTest, AHeldRingIsNoReviewedOneAndItsRecordKeepsCoverageAndDrift) {
  SessionOptions options;
  options.ring = Ring{803, 452, 8};
  options.ringHeld = true;
  options.zoneCoverage = true;
  const auto session = fixture.open("A01", options);
  const WellResults& r = session->results();
  EXPECT_TRUE(r.ringHeld);
  EXPECT_FALSE(r.ringReviewed);
  ASSERT_TRUE(r.zoneCoverage.has_value());
  WellRequest request;
  request.ring = options.ring;
  request.ringSource = "held";
  request.ringDrift = 4;
  request.zoneCoverage = true;
  const AnalysedWell read =
      AnalysedWellFromJson(AnalysedWellToJson({r, session->settings(), request, ProgramVersion()}));
  EXPECT_TRUE(read.results.ringHeld);
  EXPECT_EQ(read.results.zoneCoverage, r.zoneCoverage);
  EXPECT_TRUE(read.request == request);
  for (const std::optional<int> drift : {std::optional<int>{}, std::optional<int>{5}}) {
    WellRequest other = request;
    other.ringDrift = drift;
    EXPECT_FALSE(other == request);
  }
  WellRequest uncovered = request;
  uncovered.zoneCoverage = false;
  EXPECT_FALSE(uncovered == request);
  // Moved by hand, the ring is held no longer.
  session->placeRing(803, 453);
  EXPECT_FALSE(session->results().ringHeld);
}

TEST(WellSessionAcquisitions, AnotherTimePointIsAnalysedAtTheHeldRingAsASessionOpenedThere) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int index = 0; index < 3; ++index) WriteClosingZoneTimePoint(folder, "A01", index);
  PlateOpenOptions atThird;
  atThird.timePoint = 3;
  const Plate first = OpenPlate(folder), third = OpenPlate(folder, atThird);
  AnalysisSettings settings;
  settings.ring.radius = kZone;
  WellSession session(first, 0, settings);
  const Ring ring = session.ring();
  session.showAcquisition(third, ring, true);
  SessionOptions held;
  held.ring = ring;
  held.ringHeld = true;
  held.zoneCoverage = true;
  const WellSession opened(third, 0, settings, held);
  EXPECT_EQ(session.plate().timePoint, 3);
  EXPECT_EQ(session.ring(), ring);
  EXPECT_TRUE(session.results().ringHeld);
  EXPECT_FALSE(session.results().ringReviewed);
  EXPECT_EQ(session.results().nuclei, 2 * kNucleiPerTimePoint);
  EXPECT_EQ(session.results().nuclei, opened.results().nuclei);
  ASSERT_TRUE(session.results().zoneCoverage);
  EXPECT_EQ(session.results().zoneCoverage, opened.results().zoneCoverage);
  EXPECT_NEAR(*session.results().zoneCoverage, 2 * kHoursApart * kClosurePerHour, 1.0);
  EXPECT_EQ(session.pictures().composite.bytes, opened.pictures().composite.bytes);
  EXPECT_EQ(session.pictures().greenMosaic, opened.pictures().greenMosaic);  // ring painted anew

  // Back at the first time point the fitted ring stays a fitted one, with
  // its contrast; another ring given there is a reviewed one.
  const std::optional<double> contrast = WellSession(first, 0, settings).results().zoneContrast;
  session.showAcquisition(first, ring, false);
  EXPECT_EQ(session.results().nuclei, 0);
  EXPECT_TRUE(session.results().ringFitted);
  EXPECT_FALSE(session.results().ringReviewed);
  EXPECT_EQ(session.results().zoneContrast, contrast);
  const Ring moved{ring.x - 20, ring.y, ring.radius};
  session.showAcquisition(third, ring, true);
  session.showAcquisition(first, moved, false);
  EXPECT_FALSE(session.results().ringFitted);
  EXPECT_TRUE(session.results().ringReviewed);
  // A ring off the mosaic changes nothing.
  EXPECT_THROW(session.showAcquisition(third, {1500, 500, kZone}, true), Error);
  EXPECT_EQ(session.plate().timePoint, 1);
}

// A session's well record as it is written, for comparing two sessions whole.
std::string RecordText(const WellSession& session) {
  return AnalysedWellText(
      AnalysedWell{session.results(), session.settings(), WellRequest{}, "test"});
}

class CellLevelTest : public ::testing::Test {
 protected:
  void SetUp() override { fixture.writeWell("A01", CellsBlue, CellsGreen); }
  std::unique_ptr<WellSession> openAtCellLevel() {
    SessionOptions options;
    options.cellLevel = true;
    auto session = fixture.open("A01", std::move(options));
    EXPECT_EQ(session->ring(), (Ring{kRingX, kRingY, kRing}));
    return session;
  }
  std::string resultsFolder() const { return fixture.dir.path().string() + "/"; }
  PlateFixture fixture;
};

TEST_F(CellLevelTest, KeepsTheWholeCellsAndDrawsThem) {
  const auto session = openAtCellLevel();
  ASSERT_TRUE(session->results().cells.has_value());
  const CellResults& cells = *session->results().cells;
  EXPECT_EQ(cells.kept, 2);
  EXPECT_EQ(cells.seeds, 3);
  ASSERT_EQ(cells.cells.size(), 2u);
  const CellMeasures& round = cells.cells[0];
  const CellMeasures& longCell = cells.cells[1];
  EXPECT_EQ(round.size, 144);
  // The round cell's body is the 12 x 12 square from (550, 500): its centroid is the square's.
  EXPECT_EQ(round.x, 555.5);
  EXPECT_EQ(round.y, 505.5);
  // A 12 x 12 square: 14 x 14 grid minus the cell; the longest chord is the grid diagonal.
  EXPECT_EQ(round.circumference, 14 * 14 - 144);
  EXPECT_EQ(round.length, std::sqrt(338.0));
  EXPECT_FALSE(IsOval(round.shapeClass));
  EXPECT_EQ(longCell.size, 240);
  EXPECT_EQ(longCell.width, 40);
  EXPECT_EQ(longCell.circumference, 42 * 8 - 240);
  EXPECT_EQ(longCell.nucleusSize, 16);
  EXPECT_TRUE(longCell.angle.has_value());
  EXPECT_EQ(cells.statistics.total(), 2);

  const WellPictures& p = session->pictures();
  EXPECT_EQ(&session->shownCrop(), &p.cellCrop);
  EXPECT_EQ(p.cellGallery.width, 240);
  EXPECT_EQ(p.cellGallery.height, 60);
  EXPECT_EQ(p.orientationHistogram.width, 180);
  EXPECT_FALSE(p.classPie.empty());
  EXPECT_TRUE(session->cellThresholdsEditable());

  // No cell left: none of the drawings above may stand for this run's.
  session->set(SettingId::CellsMinimalSize, 1000);
  EXPECT_EQ(session->results().cells->kept, 0);
  const Picture& gallery = p.cellGallery;
  ASSERT_FALSE(gallery.empty());
  EXPECT_EQ(std::count(gallery.bytes.begin(), gallery.bytes.end(), 0xF0),
            static_cast<std::ptrdiff_t>(gallery.bytes.size() / 4 * 3));
  EXPECT_TRUE(p.classPie.empty());
  EXPECT_TRUE(p.orientationHistogram.empty());

  session->set(SettingId::NucleiBlueCutoff, 99);  // any pass locks the cell thresholds
  EXPECT_FALSE(session->cellThresholdsEditable());
}

TEST_F(CellLevelTest, WithoutCellViewsOrTheWholeResultTheSameCellsAndCropsAlsoInColour) {
  const auto whole = openAtCellLevel();
  SessionOptions options;
  options.cellLevel = true;
  options.cellViews = false;
  options.wholeResult = false;
  const auto session = fixture.open("A01", std::move(options));
  const WellPictures& p = session->pictures();
  EXPECT_TRUE(p.cellGallery.empty());
  EXPECT_TRUE(p.classPie.empty());
  EXPECT_TRUE(p.orientationHistogram.empty());
  EXPECT_TRUE(p.result.empty());
  EXPECT_EQ(p.ringCrop, whole->pictures().ringCrop);
  EXPECT_EQ(p.cellCrop, whole->pictures().cellCrop);
  EXPECT_EQ(session->cellCropJpeg(), whole->cellCropJpeg());
  ASSERT_TRUE(session->results().cells.has_value());
  EXPECT_EQ(session->results().cells->kept, 2);
  EXPECT_EQ(session->radialShareShown(), whole->radialShareShown());
  // Painting needs the whole result; back in outlines the crop alone again.
  for (const bool colour : {true, false}) {
    whole->setCellsInColour(colour);
    session->setCellsInColour(colour);
    EXPECT_EQ(session->pictures().cellCrop, whole->pictures().cellCrop) << colour;
  }
  // A run of the cell level alone.
  whole->set(SettingId::CellsMinimalSize, 50);
  session->set(SettingId::CellsMinimalSize, 50);
  EXPECT_EQ(session->pictures().cellCrop, whole->pictures().cellCrop);
  EXPECT_EQ(session->pictures().ringCrop, whole->pictures().ringCrop);
}

TEST_F(CellLevelTest, RingCropKeptAsJpegGivesTheSameFilesAfterEveryAction) {
  SessionOptions options;
  options.cellLevel = true;
  options.cellViews = false;
  options.wholeResult = false;
  const auto plain = fixture.open("A01", options);
  options.ringCropAsJpeg = true;
  const auto session = fixture.open("A01", options);
  const auto same = [&](const char* after) {
    EXPECT_EQ(session->ringCropJpeg(), plain->ringCropJpeg()) << after;
    EXPECT_EQ(session->cellCropJpeg(), plain->cellCropJpeg()) << after;
    EXPECT_EQ(session->pictures().cellCrop, plain->pictures().cellCrop) << after;
  };
  // The crop's buffer went to the cell drawings, the count taken off again.
  EXPECT_TRUE(session->pictures().ringCrop.empty());
  ASSERT_FALSE(plain->pictures().ringCrop.empty());
  EXPECT_EQ(JpegBytes(plain->pictures().ringCrop, "ring crop"), session->ringCropJpeg());
  same("opening");
  // Runs of the cell level alone leave the pass's ring crop standing.
  for (const bool colour : {true, false}) {
    plain->setCellsInColour(colour);
    session->setCellsInColour(colour);
    same(colour ? "in colour" : "outlines");
  }
  plain->set(SettingId::CellsMinimalSize, 50);
  session->set(SettingId::CellsMinimalSize, 50);
  same("cell size");
  // Passes that move the ring or change the count make both crops afresh.
  const std::string opened = session->ringCropJpeg();
  plain->nudgeRing(RingDirection::Left);
  session->nudgeRing(RingDirection::Left);
  EXPECT_NE(session->ringCropJpeg(), opened);
  same("nudge");
  plain->set(SettingId::NucleiBlueCutoff, 99);
  session->set(SettingId::NucleiBlueCutoff, 99);
  same("cut-off");
  // Off the cell level the crop is kept as a picture again.
  plain->setCellLevel(false);
  session->setCellLevel(false);
  EXPECT_EQ(session->pictures().ringCrop, plain->pictures().ringCrop);
  EXPECT_EQ(session->ringCropJpeg(), plain->ringCropJpeg());
  plain->nudgeRing(RingDirection::Right);
  session->nudgeRing(RingDirection::Right);
  EXPECT_EQ(session->ringCropJpeg(), plain->ringCropJpeg());
  plain->setCellLevel(true);
  session->setCellLevel(true);
  same("cell level again");
}

TEST_F(CellLevelTest, WithoutTheRingMaskTheMosaicStaysAsLoadedAndTheCellsAreTheSame) {
  const auto masked = openAtCellLevel();
  SessionOptions options;
  options.ringMask = false;
  const auto session = fixture.open("A01", std::move(options));
  const Picture loaded = session->pictures().greenMosaic;
  EXPECT_EQ(session->results().nuclei, masked->results().nuclei);
  EXPECT_NE(loaded, masked->pictures().greenMosaic);
  session->setCellLevel(true);
  ASSERT_TRUE(session->results().cells.has_value());
  EXPECT_EQ(session->results().cells->kept, 2);
  EXPECT_EQ(session->pictures().cellCrop, masked->pictures().cellCrop);
  // The cells follow a moved ring without its mask.
  masked->nudgeRing(RingDirection::Left);
  session->nudgeRing(RingDirection::Left);
  EXPECT_EQ(session->results().cells->kept, masked->results().cells->kept);
  EXPECT_EQ(session->pictures().cellCrop, masked->pictures().cellCrop);
  EXPECT_EQ(session->pictures().greenMosaic, loaded);
}

// The batch's grey planes in place of the mosaic pictures: the same record,
// composite, crops and overview, with a fitted zone and after the display,
// ring and colour actions too. Grey planes hold no spare bytes: the
// composite's are 255, as grey fields give them, where a quarter left black
// gives 0, so there only the colours are compared.
TEST_F(CellLevelTest, NucleusMarksMadeWithTheCompositeScanAsTheCompositeDoes) {
  // The well's own cut-offs are chosen after the composite is made: its
  // marks, made at the settings' cut-offs (here far from the well's own),
  // must then not be taken.
  AnalysisSettings far;
  far.nuclei.blueCutoff = 255;
  far.nuclei.greenCutoff = 255;
  for (const CutoffMode mode : {CutoffMode::Plate, CutoffMode::Well}) {
    SCOPED_TRACE(CutoffModeName(mode));
    SessionOptions options;
    options.cellLevel = true;
    options.cutoffs = mode;
    const AnalysisSettings settings = mode == CutoffMode::Well ? far : AnalysisSettings{};
    const auto plain = fixture.open("A01", options, settings);
    options.marksWithComposite = true;
    const auto marked = fixture.open("A01", options, settings);
    if (mode == CutoffMode::Well) {
      EXPECT_NE(plain->settings().nuclei.blueCutoff, 255);
    }
    EXPECT_EQ(RecordText(*marked), RecordText(*plain));
    ASSERT_GT(plain->results().totalNuclei, 0);
    // A pass without a new composite (the pass before took the marks), a
    // new composite, and other cut-offs on the same composite.
    for (WellSession* session : {plain.get(), marked.get()}) {
      session->nudgeRing(RingDirection::Left);
    }
    EXPECT_EQ(RecordText(*marked), RecordText(*plain));
    for (WellSession* session : {plain.get(), marked.get()}) {
      session->set(SettingId::DisplayBlueCutoff, 40);
    }
    EXPECT_EQ(RecordText(*marked), RecordText(*plain));
    for (WellSession* session : {plain.get(), marked.get()}) {
      session->set(SettingId::NucleiBlueCutoff, 250);
    }
    EXPECT_EQ(RecordText(*marked), RecordText(*plain));
  }
}

TEST_F(CellLevelTest, GreyPlanesInPlaceOfTheMosaicPicturesAnalyseTheSame) {
  WriteWellChannel(fixture.plateFolder(), "T_", "B01", false, CellsBlue, 0xB);  // no field 2
  WriteWellChannel(fixture.plateFolder(), "T_", "B01", true, CellsGreen, 0xE);  // no field 0
  for (const std::string well : {"A01", "B01"}) {
    const auto shown = [&](Picture picture) {
      if (well == "A01") return picture;
      for (std::size_t k = kSpare; k < picture.bytes.size(); k += 4) picture.bytes[k] = 0;
      return picture;
    };
    for (const bool fit : {false, true}) {
      SCOPED_TRACE(well + (fit ? ", zone fitted" : ""));
      SessionOptions options;
      options.cellLevel = true;
      options.overviewComposite = true;
      if (fit) options.fitRadius = RadiusRange{200, 450};
      const auto pictures = fixture.open(well, options);
      options.mosaicPictures = false;
      const auto grey = fixture.open(well, options);
      EXPECT_TRUE(grey->pictures().blueMosaic.empty());
      EXPECT_TRUE(grey->pictures().greenMosaic.empty());
      ASSERT_FALSE(pictures->pictures().greenMosaic.empty());
      const auto expectSame = [&] {
        EXPECT_EQ(RecordText(*grey), RecordText(*pictures));
        const WellPictures &a = grey->pictures(), &b = pictures->pictures();
        EXPECT_EQ(shown(a.composite), shown(b.composite));
        EXPECT_EQ(shown(a.ringCrop), shown(b.ringCrop));
        EXPECT_EQ(shown(a.cellCrop), shown(b.cellCrop));
        EXPECT_EQ(shown(grey->wholeWellOverview()), shown(pictures->wholeWellOverview()));
      };
      expectSame();
      ASSERT_TRUE(grey->results().cells.has_value());
      EXPECT_EQ(grey->results().fieldProblems.size(), well == "B01" ? 2u : 0u);
      for (WellSession* session : {grey.get(), pictures.get()}) {
        session->set(SettingId::DisplayBlueCutoff, 40);
        session->nudgeRing(RingDirection::Right);
        session->setCellsInColour(true);
      }
      expectSame();
    }
  }
  // The zone's coverage reads the green bytes: the pictures are kept for it.
  SessionOptions covered;
  covered.zoneCoverage = true;
  covered.mosaicPictures = false;
  const auto session = fixture.open("A01", covered);
  EXPECT_FALSE(session->pictures().greenMosaic.empty());
  EXPECT_TRUE(session->results().zoneCoverage.has_value());
}

TEST_F(CellLevelTest, ColourShowsThePaintedCellsAndBorderTheOutlines) {
  const auto session = openAtCellLevel();
  const Picture border = session->pictures().cellCrop;
  // Pixel (552, 502) of the round cell, in crop coordinates.
  const int x = 552 - (kRingX - kRing), y = (1023 - 502) - (1024 - kRingY - kRing);
  const std::uint8_t* plain = border.topDown(x, y);
  EXPECT_EQ(plain[kRed], 0);
  EXPECT_GT(plain[kGreen], 100);
  session->setCellsInColour(true);
  const std::uint8_t* painted = session->pictures().cellCrop.topDown(x, y);
  EXPECT_FALSE(painted[kBlue] == plain[kBlue] && painted[kGreen] == plain[kGreen] &&
               painted[kRed] == plain[kRed]);
  session->setCellsInColour(false);
  EXPECT_EQ(session->pictures().cellCrop, border) << "same seeded colours, same drawings";
}

TEST_F(CellLevelTest, WellDataFilesHoldTheSettingsAndOneLinePerCell) {
  const auto session = openAtCellLevel();
  const WellDataFiles files = SaveWellData(*session, resultsFolder());
  EXPECT_EQ(files.cellData, resultsFolder() + "CellShape/T_A01_Cell_Data_VL.csv");
  EXPECT_TRUE(std::filesystem::exists(resultsFolder() + "CellJPEGS/T_A01.jpg"));
  const std::vector<std::string> lines = SplitLines(ReadWholeFile(files.cellData));
  // The layout of the file is pinned by the golden cell data files.
  ASSERT_EQ(lines.size(), 34u + 20u + 2u);
  EXPECT_EQ(lines[54].rfind("0\t144\t12\t12\t", 0), 0u);
  EXPECT_EQ(lines[55].rfind("1\t240\t40\t6\t", 0), 0u);

  // No cell kept: the header block alone, replacing the earlier file whole.
  session->set(SettingId::CellsMinimalSize, 1000);
  SaveWellData(*session, resultsFolder());
  EXPECT_EQ(SplitLines(ReadWholeFile(files.cellData)).size(), 34u);

  session->setCellLevel(false);
  EXPECT_THROW(SaveWellData(*session, resultsFolder()), Error);
}

TEST_F(CellLevelTest, WellDataThatCannotBeWrittenNamesThePath) {
  const auto session = openAtCellLevel();
  std::ofstream(resultsFolder() + "CellShape") << "a file where the folder belongs";
  const std::string refused = Thrown<Error>([&] { SaveWellData(*session, resultsFolder()); });
  EXPECT_NE(refused.find(resultsFolder() + "CellShape"), std::string::npos) << refused;
}

}  // namespace
}  // namespace vembrel::testing
