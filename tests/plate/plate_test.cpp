#include "plate/plate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <fstream>

#include "core/date_text.h"
#include "core/error.h"
#include "plate/well_names.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::TempDir;

TEST(WellNames, NamesAndIndicesRoundTrip) {
  EXPECT_EQ(WellName(0), "A01");
  EXPECT_EQ(WellName(8), "A09");
  EXPECT_EQ(WellName(9), "A10");
  EXPECT_EQ(WellName(95), "H12");
  for (int i = 0; i < 96; ++i) EXPECT_EQ(WellIndex(WellName(i)), i);
  EXPECT_EQ(WellIndex("C10"), 33);
  for (const char* bad : {"", "A1", "I01", "A13", "A00", "a01", "A01x"}) {
    EXPECT_THROW(WellIndex(bad), Error) << bad;
  }
  EXPECT_THROW(WellName(96), Error);
}

TEST(PlateNames, PathPrefixAndResultsFolder) {
  EXPECT_EQ(PlatePathOf("X:\\plate\\AB_12_C05f02d1.tif"), "X:\\plate\\");
  EXPECT_EQ(PlatePrefixOf("X:\\plate\\AB_12_C05f02d1.tif"), "AB_12_");
  EXPECT_EQ(PlatePathOf("/data/run 1/AB_12_C05f02d1.tif"), "/data/run 1/");
  EXPECT_EQ(PlatePrefixOf("/data/run_1/C05f02d1.tif"), "");  // "_" of the folder does not count
  EXPECT_EQ(PlatePathOf("C:pic.tif"), "C:");
  EXPECT_EQ(PlatePathOf("pic.tif"), "");
  EXPECT_EQ(PlatePrefixOf("a_b"), "");  // shorter than an extension
  EXPECT_EQ(PlatePrefixOf("x_.tif"), "x_");

  EXPECT_EQ(ResultsFolderOf("/data/plate/"), "/data/");
  EXPECT_EQ(ResultsFolderOf("X:\\exp\\plate\\"), "X:\\exp\\");
  EXPECT_EQ(ResultsFolderOf("plate/"), "");
  EXPECT_EQ(ResultsFolderOf(""), "");

  EXPECT_EQ(FieldFileName("/p/AB_", 33, 2, true), "/p/AB_C10f02d1.tif");
  EXPECT_EQ(FieldFileName("", 0, 0, false), "A01f00d0.tif");
}

void Touch(const std::string& path) {
  std::ofstream(path) << "x";
}

TEST(OpenPlate, ScansFieldsColoursQuartersAndIncludesPairedWells) {
  TempDir dir;
  const std::string base = dir.file("AB_12_");
  // A01: all four fields with both channels; A02: field 3 only paired;
  // A03: blue only; A04: green only; others: nothing.
  for (int field = 0; field < 4; ++field) {
    Touch(FieldFileName(base, 0, field, false));
    Touch(FieldFileName(base, 0, field, true));
    Touch(FieldFileName(base, 2, field, false));
    Touch(FieldFileName(base, 3, field, true));
  }
  Touch(FieldFileName(base, 1, 3, false));
  Touch(FieldFileName(base, 1, 3, true));
  Touch(FieldFileName(base, 1, 0, false));
  const Plate plate = OpenPlate(base + "C05f02d1.tif");  // need not exist itself

  EXPECT_TRUE(plate.open);
  EXPECT_EQ(plate.path, dir.path().string() + "/");
  EXPECT_EQ(plate.prefix, "AB_12_");
  EXPECT_EQ(plate.base, base);
  EXPECT_EQ(plate.measurementDate, 0);  // the chosen name does not exist

  using Q = QuarterColour;
  EXPECT_EQ(plate.wells[0].state, 1);
  EXPECT_EQ(plate.wells[0].quarter, (std::array<Q, 4>{Q::Cyan, Q::Cyan, Q::Cyan, Q::Cyan}));
  EXPECT_EQ(plate.wells[1].state, 1);
  EXPECT_EQ(plate.wells[1].quarter, (std::array<Q, 4>{Q::Blue, Q::None, Q::None, Q::Cyan}));
  EXPECT_EQ(plate.wells[1].hasBlue, (std::array<bool, 4>{true, false, false, true}));
  EXPECT_EQ(plate.wells[1].hasGreen, (std::array<bool, 4>{false, false, false, true}));
  EXPECT_EQ(plate.wells[2].state, 0);
  EXPECT_EQ(plate.wells[2].quarter, (std::array<Q, 4>{Q::Blue, Q::Blue, Q::Blue, Q::Blue}));
  EXPECT_EQ(plate.wells[3].state, 0);
  EXPECT_EQ(plate.wells[3].quarter[2], Q::Green);
  for (int i = 4; i < 96; ++i) {
    EXPECT_EQ(plate.wells[i].state, 0);
    EXPECT_EQ(plate.wells[i].quarter[0], Q::None);
    EXPECT_EQ(plate.wells[i].name, WellName(i));
  }
}

TEST(OpenPlate, WithoutUnderscoreTheWellsAreLookedUpByNameAlone) {
  TempDir dir;
  Touch(dir.file("H12f01d0.tif"));
  Touch(dir.file("H12f01d1.tif"));
  const Plate plate = OpenPlate(dir.file("H12f01d1.tif"));
  EXPECT_EQ(plate.prefix, "");
  EXPECT_EQ(plate.base, dir.path().string() + "/");
  EXPECT_EQ(plate.wells[95].state, 1);
  EXPECT_EQ(plate.wells[95].quarter[1], QuarterColour::Cyan);
}

TEST(OpenPlate, MeasurementDateIsTheFilesTimeInLocalDays) {
  TempDir dir;
  const std::string path = dir.file("P_A01f00d0.tif");
  const std::time_t before = std::time(nullptr);
  Touch(path);
  const double date = MeasurementDateOf(path);
  // Birth time where recorded, else modification time: both lie at creation.
  EXPECT_GE(date, DateTimeFromTime(before) - 1.0 / 86400);
  EXPECT_LE(date, DateTimeFromTime(std::time(nullptr)) + 1.0 / 86400);
  EXPECT_EQ(MeasurementDateOf(dir.file("nothing.tif")), 0);
}

TEST(RightClick, ExcludesAndIncludesOnlyPairedWells) {
  TempDir dir;
  Touch(dir.file("A01f00d0.tif"));
  Touch(dir.file("A01f00d1.tif"));
  Touch(dir.file("A02f00d0.tif"));
  Plate plate = OpenPlate(dir.file("A01f00d0.tif"));
  const auto quartersOf = [&](int well) { return plate.wells[well].quarter; };
  const std::array<QuarterColour, 4> red{QuarterColour::Red, QuarterColour::Red, QuarterColour::Red,
                                         QuarterColour::Red};

  EXPECT_EQ(ToggleWellInclusion(plate, 0), RightClickResult::Excluded);
  EXPECT_EQ(plate.wells[0].state, 0);
  EXPECT_EQ(quartersOf(0), red);
  EXPECT_EQ(ToggleWellInclusion(plate, 0), RightClickResult::Included);
  EXPECT_EQ(plate.wells[0].state, 1);
  EXPECT_EQ(quartersOf(0)[3], QuarterColour::Cyan);

  const auto blueWell = quartersOf(1);
  EXPECT_EQ(ToggleWellInclusion(plate, 1), RightClickResult::Unchanged);  // blue only
  EXPECT_EQ(ToggleWellInclusion(plate, 5), RightClickResult::Unchanged);  // unpainted
  EXPECT_EQ(quartersOf(1), blueWell);
  EXPECT_EQ(plate.wells[1].state, 0);
  EXPECT_EQ(plate.wells[5].state, 0);
}

}  // namespace
}  // namespace vembrel
