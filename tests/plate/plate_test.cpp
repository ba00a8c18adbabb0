#include "plate/plate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>

#include "core/date_text.h"
#include "core/error.h"
#include "imaging/mosaic.h"
#include "plate/plate_layout.h"
#include "plate/plate_notes.h"
#include "plate/well_names.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

using namespace testing;

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
  EXPECT_EQ(plate.wells[1].blueFiles,
            (std::array<std::string, 4>{base + "A02f00d0.tif", "", "", base + "A02f03d0.tif"}));
  // A missing field is named as the layout would name it.
  EXPECT_EQ(ChannelFieldFiles(plate, 1, true)[0], base + "A02f00d1.tif");
  EXPECT_EQ(plate.layout, "native");
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

TEST(OpenPlate, TheNativePrefixIsTheTextBeforeTheWell) {
  TempDir dir;
  Touch(dir.file("H12f01d0.tif"));
  Touch(dir.file("H12f01d1.tif"));
  const Plate plate = OpenPlate(dir.file("H12f01d1.tif"));
  EXPECT_EQ(plate.prefix, "");
  EXPECT_EQ(plate.base, dir.path().string() + "/");
  EXPECT_EQ(plate.wells[95].state, 1);
  EXPECT_EQ(plate.wells[95].quarter[1], QuarterColour::Cyan);

  // No "_" before the well: the prefix still ends where the well begins.
  Touch(dir.file("PL-A03f00d0.tif"));
  Touch(dir.file("PL-A03f00d1.tif"));
  const Plate dashed = OpenPlate(dir.file("PL-A03f00d0.tif"));
  EXPECT_EQ(dashed.prefix, "PL-");
  EXPECT_EQ(dashed.wells[2].state, 1);
  EXPECT_EQ(dashed.wells[95].state, 0);  // another plate of the folder

  // A name that fits no layout: the folder's files decide, the larger plate
  // (here the first by name of two as large) is shown.
  const Plate chosen = OpenPlate(dir.file("notes.txt"));
  EXPECT_EQ(chosen.prefix, "");
  ASSERT_GE(chosen.notes.size(), 2u);
  EXPECT_EQ(chosen.notes[0],
            "'notes.txt' fits no layout tried; the layout was taken from the files of its folder");
  EXPECT_EQ(chosen.notes[1],
            "The folder holds 2 plates: '' (2 files), 'PL-' (2 files); '' is shown (choose one of "
            "another plate's pictures to open that one)");
}

TEST(OpenPlate, DatesShownToTheUserAreIso8601) {
  EXPECT_EQ(IsoDateText(0), "1899-12-30");
  EXPECT_EQ(IsoDateText(2.99), "1900-01-01");
  EXPECT_EQ(IsoDateText(45658.75), "2025-01-01");
  EXPECT_EQ(IsoDateText(45716), "2025-02-28");
  EXPECT_EQ(IsoDateText(45717), "2025-03-01");
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

// Field pictures differing in every quadrant and channel.
int BlueGrey(int c, int r) {
  return (c * 3 + r * 5) % 251;
}
int GreenGrey(int c, int r) {
  return (c * 7 + r) % 253 + 1;
}

// Writes wells A01 (complete) and B02 (field 2 missing, and field 0 of the
// cell stain) in a layout.
void WriteTwoWells(const std::string& folder, const FieldNamer& names,
                   std::array<int, 2> channels) {
  WriteLayoutWell(folder, names, "A01", channels, BlueGrey, GreenGrey);
  WriteLayoutWell(folder, names, "B02", channels, BlueGrey, GreenGrey, 0b1011, 0b1010);
}

TEST(PlateLayouts, SamePixelsGiveTheSameFieldsInEveryLayout) {
  TempDir dir;
  const std::string native = dir.file("native");
  WriteTwoWells(native, NativeNames("N_"), {0, 1});

  // ImageXpress-style with identifiers, a plate name holding "_", a third
  // wavelength, thumbnails and a fifth site: all beside the fields read.
  const std::string xpress = dir.file("xpress");
  const FieldNamer xpressNames = ImageXpressNames("Run_7", true);
  WriteTwoWells(xpress, xpressNames, {1, 2});
  WriteLayoutWell(xpress, xpressNames, "A01", {3, 3}, GreenGrey, GreenGrey);
  WriteLayoutField(xpress, xpressNames, "A01", 4, 1, GreenGrey);
  WriteLayoutField(xpress, xpressNames, "A01", 4, 2, GreenGrey);
  for (int site = 1; site <= 4; ++site) {
    WriteLayoutField(
        xpress,
        [](auto& w, int f, int c) {
          return "Run_7_" + w + "_s" + std::to_string(f + 1) + "_w" + std::to_string(c) +
                 "_thumb.tif";
        },
        "C03", site - 1, 1, BlueGrey, 64);
  }

  // Operetta/Harmony-style in a folder "Images", with a second plane.
  const std::string harmony = dir.file("Images");
  WriteTwoWells(harmony, OperettaNames(1), {1, 2});
  WriteTwoWells(harmony, OperettaNames(2), {1, 2});
  WriteLayoutWell(harmony, OperettaNames(2), "C03", {1, 2}, GreenGrey, GreenGrey);

  // A user pattern with row and column apart, the stains' channels chosen.
  const std::string user = dir.file("user");
  WriteTwoWells(user,
                [](const std::string& w, int f, int c) {
                  return "exp_r" + std::to_string(w[0] - 'A' + 1) + "c" + w.substr(1) + "_f" +
                         std::to_string(f + 1) + "_ch" + std::to_string(c) + ".tif";
                },
                {5, 3});
  PlateOpenOptions pattern;
  pattern.layout = "{plate}_r{row}c{col}_f{field}_ch{channel}.tif";
  pattern.channels = std::array<int, 2>{5, 3};

  struct Case {
    std::string open;  // a picture or the folder
    PlateOpenOptions options;
    std::string layout, prefix, description;
  };
  const Case cases[] = {
      {native,
       {},
       "native",
       "N_",
       "native <prefix><well>f0<field>d<channel>.tif; nuclear stain d0, cell stain d1"},
      {xpress + "/" + xpressNames("B02", 1, 2),
       {},
       "imagexpress",
       "Run_7_",
       "ImageXpress-style <plate>_<well>_s<site>_w<n>[<32 hex digits>].tif|.TIF; nuclear stain w1, "
       "cell stain w2 (of w1, w2, w3)"},
      {harmony + "/",
       {},
       "operetta",
       "Images_",
       "Operetta/Harmony-style r<RR>c<CC>f<FF>p<PP>-ch<N>sk<T>fk1fl1.tiff; nuclear stain ch1, cell "
       "stain ch2; plane 1 (of 1, 2)"},
      {user, pattern, "pattern", "exp_",
       "pattern {plate}_r{row}c{col}_f{field}_ch{channel}.tif; nuclear stain channel 5, cell stain "
       "channel 3"},
  };
  const Plate reference = OpenPlate(native);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    const Plate plate = OpenPlate(c.open, c.options);
    EXPECT_EQ(plate.layout, c.layout);
    EXPECT_EQ(plate.prefix, c.prefix);
    EXPECT_EQ(plate.layoutDescription, c.description);
    for (int well = 0; well < 96; ++well) {
      EXPECT_EQ(plate.wells[well].quarter, reference.wells[well].quarter) << well;
      EXPECT_EQ(plate.wells[well].state, reference.wells[well].state) << well;
    }
    for (int well : {0, 13}) {
      for (bool green : {false, true}) {
        const ChannelMosaic loaded = LoadChannelMosaic(ChannelFieldFiles(plate, well, green));
        const ChannelMosaic expected = LoadChannelMosaic(ChannelFieldFiles(reference, well, green));
        EXPECT_TRUE(loaded.mosaic.bytes == expected.mosaic.bytes) << well << green;
        // A missing field is named in the plate's folder.
        for (const FieldProblem& problem : loaded.problems()) {
          EXPECT_EQ(problem.message.find("Field picture '" + plate.path), 0u) << problem.message;
        }
      }
    }
  }

  const Plate xpressPlate = OpenPlate(xpress);
  EXPECT_EQ(xpressPlate.notes,
            (std::vector<std::string>{
                "Fewer than four fields in 1 well, whose missing quarters stay black: B02 (w1: "
                "site 3; w2: site 1, site 3)",
                "Fields beyond the fourth have no place in the 2 x 2 mosaic and are ignored in 1 "
                "well: A01 (site 5)"}));
}

TEST(PlateLayouts, MixedSizesAndDuplicatesAreNotedOnce) {
  TempDir dir;
  const FieldNamer names = ImageXpressNames("P");
  WriteLayoutWell(dir.path(), names, "A01", {1, 2}, BlueGrey, GreenGrey, 0b0111, 0b0111);
  WriteLayoutWell(dir.path(), names, "A02", {1, 2}, BlueGrey, GreenGrey);
  WriteLayoutField(dir.path(), names, "A01", 3, 1, BlueGrey, 1024);
  WriteLayoutField(dir.path(), names, "A01", 3, 2, GreenGrey, 1024);
  WriteLayoutField(dir.path(), ImageXpressNames("P", true), "A02", 0, 1, GreenGrey);
  const Plate plate = OpenPlate(dir.path());
  EXPECT_EQ(plate.notes,
            (std::vector<std::string>{
                "Fields of mixed sizes in 1 well: A01 (1024 x 1024: w1 site 4, w2 site 4; the "
                "others 512 x 512)",
                "Two files name the same field, the first by name is read: 'P_A02_s1_w1.tif' and "
                "'P_A02_s1_w10A1B2C3D4E5F60718293A4B5C6D7E8F9.TIF'"}));
  EXPECT_EQ(plate.wells[1].blueFiles[0], dir.file("P_A02_s1_w1.tif"));
}

TEST(PlateLayouts, NoWellFoundSaysWhy) {
  TempDir dir;
  const std::string folder = dir.path().string() + "/";
  const auto messageOf = [&](const std::string& open, const PlateOpenOptions& options) {
    try {
      OpenPlate(open, options);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  EXPECT_EQ(messageOf(dir.path(), {}), "No well found in '" + folder +
                                           "': no file name fits the layouts tried: native "
                                           "<prefix><well>f0<field>d<channel>.tif; ImageXpress-"
                                           "style <plate>_<well>_s<site>_w<n>[<32 hex digits>]."
                                           "tif|.TIF; Operetta/Harmony-style r<RR>c<CC>f<FF>p<"
                                           "PP>-ch<N>sk<T>fk1fl1.tiff; Incucyte-style [<vessel>_][<"
                                           "channel>_]<well>_<image>_<stamp>.tif; the folder "
                                           "holds no file");
  for (const char* name : {"notes.txt", "P_A01_s1_w1_thumb.tif", "scan 1.tif", "scan 2.tif",
                           "scan 3.tif", "scan 4.tif", "scan 5.tif"}) {
    Touch(dir.file(name));
  }
  EXPECT_NE(messageOf(dir.file("scan 1.tif"), {})
                .find("; files seen: 'P_A01_s1_w1_thumb.tif', 'notes.txt', 'scan 1.tif', 'scan "
                      "2.tif', 'scan 3.tif', 'scan 4.tif' and 1 more"),
            std::string::npos);
  PlateOpenOptions pattern;
  pattern.layout = "{well}-{field}-{channel}.tif";
  EXPECT_NE(messageOf(dir.path(), pattern)
                .find(": no file name fits the layout pattern {well}-{field}-{channel}.tif;"),
            std::string::npos);

  WriteLayoutWell(dir.path(), OperettaNames(2), "A01", {1, 2}, BlueGrey, GreenGrey, 1, 1);
  EXPECT_NE(messageOf(dir.path(), {}).find(": no file is of plane 1 (planes found: 2);"),
            std::string::npos);
  PlateOpenOptions chosen;
  chosen.plane = 2;
  chosen.channels = std::array<int, 2>{3, 4};
  EXPECT_NE(messageOf(dir.path(), chosen)
                .find(": no file is of the nuclear stain's channel ch3 or the cell stain's ch4 "
                      "(channels found: ch1, ch2);"),
            std::string::npos);
  chosen.channels = std::array<int, 2>{1, 4};
  const Plate half = OpenPlate(dir.path(), chosen);
  EXPECT_EQ(half.wells[0].quarter[0], QuarterColour::Blue);
  EXPECT_EQ(half.notes.front(),
            "No picture of the cell stain's channel ch4 was found (channels found: ch1, ch2)");
}

TEST(PlateLayouts, PatternsAndChannelChoicesAreCheckedWithReasons) {
  const std::pair<std::string, std::string> patterns[] = {
      {"{row}_{field}_{channel}.tif", "the well is given by {well}, or by {row} and {col}"},
      {"{well}{row}{col}_{field}_{channel}", "the well is given by {well}, or by {row} and {col}"},
      {"{well}_{site}_{channel}",
       "unknown placeholder {site}; the placeholders are {plate}, "
       "{well}, {row}, {col}, {field}, {channel} and {time}"},
      {"{well}_{field}_{channel", "a '{' without its '}'"},
      {"{well}_{field}}_{channel}", "a '}' without its '{'"},
      {"{well}_{field}_{field}{channel}", "{field} appears twice"},
      {"x/{well}_{field}_{channel}", "names files of one folder, so it has no '/' or '\\'"},
  };
  for (const auto& [pattern, why] : patterns) {
    try {
      LayoutFromOption(pattern);
      ADD_FAILURE() << pattern;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Layout pattern '" + pattern + "': " + why);
    }
  }
  EXPECT_THROW(LayoutFromOption("Native"), Error);
  EXPECT_EQ(LayoutFromOption("operetta")->name(), "operetta");

  // Placeholders take the longest text that still lets the rest fit.
  const auto layout = PatternLayout("{plate}{well}_{field}{channel}.tif");
  const std::optional<FieldName> field = layout->parse("a_B1_B12_123.tif");
  ASSERT_TRUE(field);
  EXPECT_EQ(field->plate, "a_B1_");
  EXPECT_EQ(field->well, (WellKey{1, 11}));
  EXPECT_EQ(field->field, 11);
  EXPECT_EQ(field->channel, 3);
  EXPECT_FALSE(layout->parse("B49_11.tif"));  // no column 49
  EXPECT_FALSE(layout->parse("B12_01.tif"));  // fields count from 1

  EXPECT_EQ(ParseChannelChoice("2,0"), (std::array<int, 2>{2, 0}));
  for (const char* bad : {"1", "1,1", "a,2", "1,2,3", ",2", "-1,2"}) {
    EXPECT_THROW(ParseChannelChoice(bad), Error) << bad;
  }
}

}  // namespace
}  // namespace vembrel

namespace vembrel {
namespace {

TEST(OpenPlate, PicturesReadThroughTheColourConversionAreToldAsSuch) {
  const int side = 64;
  const auto plateOf = [&](const std::function<void(const std::string&)>& write) {
    TempDir dir;
    for (int field = 0; field < 4; ++field) {
      for (const char* channel : {"d0", "d1"}) {
        write(dir.file("DEMO_A01f0" + std::to_string(field) + channel + ".tif"));
      }
    }
    return OpenPlate(dir.path().string());
  };
  const Plate rgb = plateOf([&](const std::string& path) {
    testing::WriteRgbTiff(path, side, side, std::vector<std::uint8_t>(side * side * 3, 90));
  });
  EXPECT_EQ(rgb.inputBits, 8);
  EXPECT_EQ(rgb.loaderInputBits(), 16);  // the numbers stay those of the conversion
  EXPECT_EQ(rgb.pictureKind, "8-bit RGB");
  EXPECT_EQ(InputBitsNote(rgb), "8-bit RGB pictures read as 8 bits a channel");

  std::vector<std::uint16_t> map(256);
  for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint16_t>(i * 257);
  const Plate palette = plateOf([&](const std::string& path) {
    testing::WritePaletteTiff(path, side, side, std::vector<std::uint8_t>(side * side, 7), map, map,
                              map);
  });
  EXPECT_EQ(palette.inputBits, 8);
  EXPECT_EQ(palette.pictureKind, "palette");

  const Plate bilevel = plateOf([&](const std::string& path) {
    testing::WriteUniformTiff(path, side, 1, 0xF0);  // white and black stripes
  });
  EXPECT_EQ(bilevel.inputBits, 8);
  EXPECT_EQ(InputBitsNote(bilevel), "1-bit pictures read as 8 bits a channel");

  const Plate grey = plateOf([&](const std::string& path) {
    testing::WriteGreyTiff(path, side, side, testing::GreyRamp(side, side));
  });
  EXPECT_EQ(grey.pictureKind, "8-bit grey");
  EXPECT_EQ(InputBitsNote(grey), "");
  const Plate wide = plateOf([&](const std::string& path) {
    testing::WriteGreyTiff(path, side, side, std::vector<std::uint16_t>(side * side, 4000), {16});
  });
  EXPECT_EQ(wide.inputBits, 12);
  EXPECT_EQ(wide.pictureKind, "16-bit grey");
}

}  // namespace
}  // namespace vembrel

namespace vembrel {
namespace {

TEST(PlateLayouts, NamesAtTheEdgesOfTheirRules) {
  // Operetta counts fields from 1: f01 is the first, f00 none.
  const auto operetta = OperettaLayout();
  const auto first = operetta->parse("r01c01f01p01-ch1sk1fk1fl1.tiff");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->field, 0);
  EXPECT_EQ(first->well, (WellKey{0, 0}));
  const auto last = operetta->parse("r08c12f04p02-ch2sk1fk1fl1.tiff");
  ASSERT_TRUE(last);
  EXPECT_EQ(last->well, (WellKey{7, 11}));
  EXPECT_EQ(last->field, 3);
  EXPECT_EQ(last->plane, 2);
  for (const char* outside : {"r01c01f00p01-ch1sk1fk1fl1.tiff", "r00c01f01p01-ch1sk1fk1fl1.tiff",
                              "r01c00f01p01-ch1sk1fk1fl1.tiff"}) {
    EXPECT_FALSE(operetta->parse(outside)) << outside;
  }
  // A pattern without {plate} takes the folder's name and its "_"; with one,
  // the plate's part, "_" added once.
  const auto unnamed = PatternLayout("{well}_s{field}_w{channel}.tif");
  EXPECT_EQ(unnamed->prefix("", "Plate7"), "Plate7_");
  const auto named = PatternLayout("{plate}_{well}_s{field}_w{channel}.tif");
  EXPECT_EQ(named->prefix("P1", "folder"), "P1_");
  EXPECT_EQ(named->prefix("P1_", "folder"), "P1_");
}

}  // namespace
}  // namespace vembrel

namespace vembrel {
namespace {

using namespace testing;

// What the pages of a plate's files hold: from the pattern, the first file's
// page count and --fields; refused, naming the file, where they do not fit.
// The sources of a well name the page of each field and stain.
TEST(FilePagesOfAPlate, ComeFromThePatternThePageCountAndTheFieldsChosen) {
  struct Case {
    std::string pattern, file;
    int pages, chosen;
    int fieldsPerWell;  // 0: refused with `why`
    struct {
      int fields, channels;
    } held;
    std::string why;
  };
  const Case cases[] = {
      {"{well}_s{field}.tif", "A01_s1.tif", 3, 0, 4, {1, 3}, ""},
      {"{well}_s{field}.tif",
       "A01_s1.tif",
       1,
       0,
       0,
       {},
       "holds 1 page; a file named without a "
       "channel holds its field's channels"},
      {"{well}_w{channel}.tif", "A01_w1.tif", 1, 0, 1, {1, 1}, ""},
      {"{well}_w{channel}.tif", "A01_w1.tif", 4, 0, 4, {4, 1}, ""},
      {"{well}_w{channel}.tif",
       "A01_w1.tif",
       4,
       1,
       0,
       {},
       "holds 4 pages; a file of one channel named without a field holds one picture of the "
       "whole well (--fields 1)"},
      {"{well}_w{channel}.tif", "A01_w1.tif", 2, 0, 0, {}, "holds 2 pages;"},
      {"{well}.tif", "A01.tif", 7, 0, 1, {1, 7}, ""},
      {"{well}.tif", "A01.tif", 12, 4, 4, {4, 3}, ""},
      {"{well}.tif", "A01.tif", 12, 0, 0, {}, "holds 12 pages: give --fields 4"},
      {"{well}.tif",
       "A01.tif",
       6,
       4,
       0,
       {},
       "holds 6 pages, which are not 4 fields in the nuclear and the cell stain at least"},
      {"{well}.tif", "A01.tif", 1, 0, 0, {}, "holds 1 page, which are not one picture"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteGreyPages(
        dir.file(c.file),
        std::vector<GreyPage>(c.pages, GreyPage{16, 16, std::vector<std::uint16_t>(256)}));
    PlateOpenOptions options;
    options.layout = c.pattern;
    options.fieldsPerWell = c.chosen;
    const std::string what = c.pattern + ", " + std::to_string(c.pages) + " pages";
    if (c.fieldsPerWell == 0) {
      try {
        OpenPlate(dir.path().string(), options);
        ADD_FAILURE() << what << " opened";
      } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_TRUE(message.starts_with("'" + dir.file(c.file) + "' " + c.why)) << message;
      }
      continue;
    }
    const Plate plate = OpenPlate(dir.path().string(), options);
    EXPECT_EQ(plate.fieldsPerWell, c.fieldsPerWell) << what;
    EXPECT_EQ(plate.pages.fields, c.held.fields) << what;
    EXPECT_EQ(plate.pages.channels, c.held.channels) << what;
    const std::vector<FieldSource> sources = WellFieldSources(plate, 0);
    ASSERT_EQ(sources.size(), 2u * c.fieldsPerWell) << what;
    if (c.pages == 12) {  // the cell stain's third field: field 2, channel 2 of 3
      EXPECT_EQ(sources[6], (FieldSource{dir.file("A01.tif"), 7, 2, 2, 1, 1}));
    }
    if (c.pages == 3) {  // a field without its file: named, with the cell stain's page
      EXPECT_EQ(sources[5], (FieldSource{dir.file("A01_s2.tif"), 1, 2, 1, 1, 1}));
    }
  }
}

}  // namespace
}  // namespace vembrel
