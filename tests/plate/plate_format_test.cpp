#include "plate/plate_format.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "demo/demo_plate.h"
#include "plate/plate.h"
#include "plate/plate_layout.h"
#include "plate/well_names.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"
#include "support/thrown.h"

namespace vembrel {
namespace {

using namespace testing;

TEST(PlateFormats, GeometriesAndWellNames) {
  struct Case {
    int wells, rows, columns;
    const char* lastWell;
  };
  for (const Case& c :
       {Case{6, 2, 3, "B03"}, Case{12, 3, 4, "C04"}, Case{24, 4, 6, "D06"}, Case{48, 6, 8, "F08"},
        Case{96, 8, 12, "H12"}, Case{384, 16, 24, "P24"}, Case{1536, 32, 48, "AF48"}}) {
    SCOPED_TRACE(c.wells);
    const std::optional<PlateFormat> format = PlateFormat::OfWellCount(c.wells);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->rows(), c.rows);
    EXPECT_EQ(format->columns(), c.columns);
    EXPECT_EQ(WellName(c.wells - 1, *format), c.lastWell);
    EXPECT_EQ(WellIndex(c.lastWell, *format), c.wells - 1);
    EXPECT_THROW(WellName(c.wells, *format), Error);
    // Row by row: the second row starts after the last column.
    EXPECT_EQ(WellIndex("B01", *format), c.columns);
  }
  EXPECT_EQ(PlateFormat(), PlateFormat::OfWellCount(96));
  EXPECT_FALSE(PlateFormat::OfWellCount(100));
  EXPECT_EQ(Thrown<UsageError>([] { PlateFormat::FromWellsPerPlate(100); }),
            "--wells-per-plate 100 is no plate format; the formats are 6, 12, 24, 48, 96, "
            "384, 1536 wells");

  // Rows after Z have two letters; names are upper case with two column digits.
  EXPECT_EQ(RowName(25), "Z");
  EXPECT_EQ(RowName(26), "AA");
  EXPECT_EQ(WellName(WellKey{26, 0}), "AA01");
  EXPECT_EQ(WellKeyIfAny("AF48"), (WellKey{31, 47}));
  EXPECT_EQ(WellKeyIfAny("Z10"), (WellKey{25, 9}));
  for (const char* bad : {"A1", "a01", "A00", "AAA01", "A010", "1A01", ""}) {
    EXPECT_FALSE(WellKeyIfAny(bad)) << bad;
  }
  const PlateFormat plate384 = *PlateFormat::OfWellCount(384);
  EXPECT_EQ(WellIndex("A13", plate384), 12);
  EXPECT_FALSE(WellIndexIfAny("A13"));  // not on a 96-well plate
  EXPECT_FALSE(WellIndexIfAny("Q01", plate384));
  EXPECT_FALSE(WellIndexIfAny("A25", plate384));
  EXPECT_EQ(ParseWellList("A23-B02,P24", plate384), (std::vector<int>{22, 23, 24, 25, 383}));
}

TEST(PlateFormats, TheLargestWellSeenChoosesTheFormat) {
  const auto holding = [](int row, int column) {
    const std::optional<PlateFormat> format = PlateFormat::Holding({row, column});
    return format ? format->wellCount() : 0;
  };
  // Smaller plates than 96 wells are only ever chosen.
  EXPECT_EQ(holding(0, 0), 96);
  EXPECT_EQ(holding(7, 11), 96);
  EXPECT_EQ(holding(8, 0), 384);
  EXPECT_EQ(holding(0, 12), 384);
  EXPECT_EQ(holding(15, 23), 384);
  EXPECT_EQ(holding(16, 0), 1536);
  EXPECT_EQ(holding(0, 24), 1536);
  EXPECT_EQ(holding(31, 47), 1536);
  EXPECT_EQ(holding(32, 0), 0);
  EXPECT_EQ(holding(0, 48), 0);
}

TEST(PlateFormats, LayoutsReadAndWriteWellsOfEveryFormat) {
  struct Case {
    std::unique_ptr<PlateLayout> layout;
    std::string name;
    WellKey well;
    std::string plate;
  };
  Case cases[] = {
      {NativeLayout(), "P_AF48f00d1.tif", {31, 47}, "P_"},
      {NativeLayout(), "AB01f00d0.tif", {27, 0}, ""},
      // A letter before two capitals leaves the row one letter long.
      {NativeLayout(), "XAB01f00d0.tif", {1, 0}, "XA"},
      {NativeLayout(), "PA01f00d0.tif", {0, 0}, "P"},
      {ImageXpressLayout(), "Run_AF48_s1_w1.tif", {31, 47}, "Run"},
      {ImageXpressLayout(), "Run_P24_s2_w2.tif", {15, 23}, "Run"},
      {ImageXpressLayout(), "AF48_s1_w1.tif", {31, 47}, ""},
      {OperettaLayout(), "r16c24f01p01-ch1sk1fk1fl1.tiff", {15, 23}, ""},
      {OperettaLayout(), "r32c48f01p01-ch1sk1fk1fl1.tiff", {31, 47}, ""},
      {PatternLayout("{plate}_{well}_f{field}_ch{channel}.tif"),
       "exp_AF48_f1_ch1.tif",
       {31, 47},
       "exp"},
      {PatternLayout("{plate}_{row}{col}_f{field}_ch{channel}.tif"),
       "exp_P24_f1_ch1.tif",
       {15, 23},
       "exp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<FieldName> field = c.layout->parse(c.name);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->well, c.well);
    EXPECT_EQ(field->plate, c.plate);
    EXPECT_EQ(c.layout->format(*field), c.name);
  }
}

int GreyOf(int c, int r) {
  return (c * 7 + r * 3) % 251;
}

TEST(PlateFormats, OpeningAPlateFindsItsFormatOrSaysWhyThereIsNone) {
  TempDir dir;
  // Harmony names of wells A01 and I13: beyond 96 wells, within 384.
  const std::string folder = dir.file("Images");
  const FieldNamer names = OperettaNames();
  for (const char* well : {"A01", "I13"}) {
    WriteLayoutWell(folder, names, well, {1, 2}, GreyOf, GreyOf, 0b0001, 0b0001);
  }
  const Plate plate = OpenPlate(folder);
  EXPECT_EQ(plate.format.wellCount(), 384);
  ASSERT_EQ(plate.wells.size(), 384u);
  EXPECT_EQ(plate.wells[8 * 24 + 12].name, "I13");
  EXPECT_EQ(plate.wells[8 * 24 + 12].state, 1);
  EXPECT_EQ(plate.wells[0].state, 1);
  EXPECT_EQ(std::count_if(plate.wells.begin(), plate.wells.end(),
                          [](const WellRecord& well) { return well.state == 1; }),
            2);
  // A missing field is named as the layout would name it at the plate's size.
  EXPECT_EQ(ChannelFieldFiles(plate, 8 * 24 + 12, true)[1],
            plate.path + "r09c13f02p01-ch2sk1fk1fl1.tiff");

  PlateOpenOptions chosen;
  chosen.format = PlateFormat::FromWellsPerPlate(1536);
  EXPECT_EQ(OpenPlate(folder, chosen).wells[8 * 48 + 12].name, "I13");
  chosen.format = PlateFormat();
  const std::string notOnPlate = Thrown<UsageError>([&] { OpenPlate(folder, chosen); });
  EXPECT_NE(notOnPlate.find("is of well I13, which is not on a 96-well plate (8 x 12)"),
            std::string::npos)
      << notOnPlate;

  const std::string beyond = dir.file("Beyond");
  WriteLayoutField(
      beyond,
      [](const std::string&, int, int) { return std::string("r33c02f01p01-ch1sk1fk1fl1.tiff"); },
      "A01", 0, 1, GreyOf);
  const std::string noFormat = Thrown<UsageError>([&] { OpenPlate(beyond); });
  EXPECT_NE(
      noFormat.find("reach row 33 and column 2 (as in 'r33c02f01p01-ch1sk1fk1fl1.tiff'), "
                    "which fit no plate format; the largest is the 1536-well plate (32 x 48)"),
      std::string::npos)
      << noFormat;
}

TEST(PlateFormats, DemoPlatesOfOtherFormatsAreNamedAndOpenedAtTheirSize) {
  TempDir dir;
  const PlateFormat plate384 = PlateFormat::FromWellsPerPlate(384);
  WriteDemoPlate(dir.path().string(), 2, {WellIndex("A24", plate384), WellIndex("P24", plate384)},
                 plate384);
  EXPECT_TRUE(std::filesystem::exists(dir.file("DEMO_P24f03d1.tif")));
  const Plate plate = OpenPlate(dir.path().string());
  EXPECT_EQ(plate.format, plate384);
  EXPECT_EQ(plate.wells[WellIndex("A24", plate384)].state, 1);
  // Migration rises along the plate's 24 columns: the last has the most.
  double first = 0, last = 0;
  for (int row = 0; row < 16; ++row) {
    first += DescribeDemoWell(2, plate384.indexOf({row, 0}), plate384).migratedCells;
    last += DescribeDemoWell(2, plate384.indexOf({row, 23}), plate384).migratedCells;
  }
  EXPECT_LT(first / 16, 4);
  EXPECT_GT(last / 16, 36);
}

}  // namespace
}  // namespace vembrel
