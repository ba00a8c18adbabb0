// The pixel size: the option's limits, each instrument's metadata read from
// text and from real TIFF files, which source wins, and sizes that
// contradict themselves or are implausible turned into notes.
#include "plate/pixel_size.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <fstream>
#include <vector>

#include "core/error.h"
#include "plate/plate.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

using testing::TempDir;
using testing::WriteUniformTiff;

TEST(PixelSizeOption, TakesPositiveNumbersBelowOneThousand) {
  EXPECT_DOUBLE_EQ(ParsePixelSizeOption("0.65"), 0.65);
  EXPECT_DOUBLE_EQ(ParsePixelSizeOption("999.5"), 999.5);
  EXPECT_DOUBLE_EQ(ParsePixelSizeOption("1e-4"), 1e-4);
  for (const char* bad : {"0", "-0.5", "1000", "1e3", "2000", "abc", "", "0.65um", "nan", "inf"}) {
    EXPECT_THROW(ParsePixelSizeOption(bad), Error) << bad;
  }
}

std::string MetaSeries(const std::string& x, const std::string& y, const std::string& units,
                       const std::string& state = "on") {
  return "<MetaData><PlaneInfo>\n<prop id=\"spatial-calibration-state\" type=\"bool\" value=\"" +
         state + "\"/>\n<prop id=\"spatial-calibration-x\" type=\"float\" value=\"" + x +
         "\"/>\n<prop id=\"spatial-calibration-y\" type=\"float\" value=\"" + y +
         "\"/>\n<prop id=\"spatial-calibration-units\" type=\"string\" value=\"" + units +
         "\"/>\n</PlaneInfo></MetaData>";
}

TEST(PixelSizeMetadata, MetaSeriesDescription) {
  EXPECT_DOUBLE_EQ(*MetaSeriesPixelSize(MetaSeries("0.645", "0.645", "um")).micrometres, 0.645);
  EXPECT_DOUBLE_EQ(*MetaSeriesPixelSize(MetaSeries("645", "645", "nm")).micrometres, 0.645);
  const PixelSizeReading skewed = MetaSeriesPixelSize(MetaSeries("0.645", "0.7", "um"));
  EXPECT_FALSE(skewed.micrometres);
  EXPECT_NE(skewed.note.find("differs in x (0.645) and y (0.7)"), std::string::npos);
  const PixelSizeReading furlongs = MetaSeriesPixelSize(MetaSeries("1", "1", "furlong"));
  EXPECT_FALSE(furlongs.micrometres);
  EXPECT_NE(furlongs.note.find("'furlong'"), std::string::npos);
  // Uncalibrated pictures say nothing, and need no note.
  for (const std::string& silent : {MetaSeries("1", "1", "pixel"),
                                    MetaSeries("0.645", "0.645", "um", "off"), std::string("")}) {
    const PixelSizeReading reading = MetaSeriesPixelSize(silent);
    EXPECT_FALSE(reading.micrometres);
    EXPECT_EQ(reading.note, "");
  }
}

std::string HarmonyIndex(const std::vector<std::string>& resolutions,
                         const std::string& unit = "m") {
  std::string xml = "<EvaluationInputData><Images>";
  for (const std::string& value : resolutions) {
    xml += "<Image><ImageResolutionX Unit=\"" + unit + "\">" + value +
           "</ImageResolutionX><ImageResolutionY Unit=\"" + unit + "\">" + value +
           "</ImageResolutionY></Image>";
  }
  return xml + "</Images></EvaluationInputData>";
}

TEST(PixelSizeMetadata, HarmonyIndex) {
  EXPECT_NEAR(*HarmonyPixelSize(HarmonyIndex({"6.5E-07", "6.5E-07"})).micrometres, 0.65, 1e-12);
  EXPECT_NEAR(*HarmonyPixelSize(HarmonyIndex({"1.3"}, "um")).micrometres, 1.3, 1e-12);
  const PixelSizeReading mixed = HarmonyPixelSize(HarmonyIndex({"6.5E-07", "1.3E-06"}));
  EXPECT_FALSE(mixed.micrometres);
  EXPECT_NE(mixed.note.find("differ (0.65 and 1.3 micrometres)"), std::string::npos);
  const PixelSizeReading x = HarmonyPixelSize(
      "<ImageResolutionX Unit=\"m\">6.5E-07</ImageResolutionX>"
      "<ImageResolutionY Unit=\"m\">7E-07</ImageResolutionY>");
  EXPECT_FALSE(x.micrometres);
  EXPECT_FALSE(HarmonyPixelSize(HarmonyIndex({"1"}, "parsec")).micrometres);
  EXPECT_FALSE(HarmonyPixelSize(HarmonyIndex({"wide"})).micrometres);
  EXPECT_NE(HarmonyPixelSize(HarmonyIndex({"wide"})).note, "");
  EXPECT_FALSE(HarmonyPixelSize("<Images/>").micrometres);
  EXPECT_EQ(HarmonyPixelSize("<Images/>").note, "");
}

TEST(PixelSizeMetadata, ResolutionTags) {
  EXPECT_DOUBLE_EQ(*ResolutionPixelSize(20000, 20000, RESUNIT_CENTIMETER).micrometres, 0.5);
  EXPECT_DOUBLE_EQ(*ResolutionPixelSize(50800, 50800, RESUNIT_INCH).micrometres, 0.5);
  EXPECT_FALSE(ResolutionPixelSize(20000, 20000, RESUNIT_NONE).micrometres);
  EXPECT_EQ(ResolutionPixelSize(20000, 20000, RESUNIT_NONE).note, "");
  EXPECT_FALSE(ResolutionPixelSize(0, 0, RESUNIT_CENTIMETER).micrometres);
  const PixelSizeReading skewed = ResolutionPixelSize(20000, 10000, RESUNIT_CENTIMETER);
  EXPECT_FALSE(skewed.micrometres);
  EXPECT_NE(skewed.note.find("differs in x"), std::string::npos);
}

TEST(PixelSizeMetadata, ReducedFieldsMakeLargerMosaicPixels) {
  EXPECT_DOUBLE_EQ(MosaicPixelSize(0.65, 0), 0.65);
  EXPECT_DOUBLE_EQ(MosaicPixelSize(0.65, 512), 0.65);
  EXPECT_DOUBLE_EQ(MosaicPixelSize(0.65, 1024), 1.3);
  EXPECT_DOUBLE_EQ(MosaicPixelSize(0.5, 2160), 0.5 * 2160 / 512);
}

// A 512 x 512 8-bit field with the metadata given (none where empty or 0).
struct FieldTags {
  std::string description;
  float xResolution = 0, yResolution = 0;
  std::uint16_t unit = RESUNIT_CENTIMETER;
};

void WriteField(const std::string& path, const FieldTags& tags) {
  WriteUniformTiff(path, 512, 8, 40, [&](TIFF* tif) {
    if (!tags.description.empty()) {
      TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, tags.description.c_str());
    }
    if (tags.xResolution > 0) {
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, tags.xResolution);
      TIFFSetField(tif, TIFFTAG_YRESOLUTION,
                   tags.yResolution > 0 ? tags.yResolution : tags.xResolution);
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, tags.unit);
    }
  });
}

// The plate's notes on its pixel size (it has others: three fields are missing).
std::vector<std::string> PixelSizeNotes(const Plate& plate) {
  std::vector<std::string> notes;
  for (const std::string& note : plate.notes) {
    if (note.find("pixel size") != std::string::npos) notes.push_back(note);
  }
  return notes;
}

// A plate of one well, A01, with the nuclear and the cell field 0 tagged.
class PlatePixelSize : public ::testing::Test {
 protected:
  void write(const FieldTags& nuclear, const FieldTags& cell) {
    WriteField(dir.file("P_A01f00d0.tif"), nuclear);
    WriteField(dir.file("P_A01f00d1.tif"), cell);
  }
  void writeIndex(const std::string& text) { std::ofstream(dir.file("Index.idx.xml")) << text; }
  Plate open(std::optional<double> chosen = std::nullopt) {
    PlateOpenOptions options;
    options.pixelSize = chosen;
    return OpenPlate(dir.file("P_A01f00d0.tif"), options);
  }
  TempDir dir;
};

TEST_F(PlatePixelSize, ReadFromTheFirstWellsTagsWithTheInstrumentsMetadataFirst) {
  const FieldTags centimetres{"", 25000, 25000, RESUNIT_CENTIMETER};  // 0.4 µm
  write(centimetres, centimetres);
  Plate plate = open();
  ASSERT_TRUE(plate.pixelSize);
  EXPECT_DOUBLE_EQ(plate.pixelSize->micrometres, 0.4);
  EXPECT_NE(plate.pixelSize->source.find("TIFF resolution of 'P_A01f00d0.tif'"), std::string::npos);
  EXPECT_TRUE(PixelSizeNotes(plate).empty());

  // The Harmony index comes before the resolution tags.
  writeIndex(HarmonyIndex({"6.5E-07"}));
  plate = open();
  EXPECT_NEAR(plate.pixelSize->micrometres, 0.65, 1e-12);
  EXPECT_NE(plate.pixelSize->source.find("Harmony index 'Index.idx.xml'"), std::string::npos);

  // The MetaSeries description before both.
  const FieldTags described{MetaSeries("1.25", "1.25", "um"), 25000, 25000, RESUNIT_CENTIMETER};
  write(described, described);
  plate = open();
  EXPECT_DOUBLE_EQ(plate.pixelSize->micrometres, 1.25);
  EXPECT_NE(plate.pixelSize->source.find("MetaSeries"), std::string::npos);

  // A description longer than libtiff's reads of a directory is read whole.
  const FieldTags padded{MetaSeries("0.75", "0.75", "um") + std::string(10000, '\n'), 0, 0,
                         RESUNIT_CENTIMETER};
  write(padded, padded);
  plate = open();
  ASSERT_TRUE(plate.pixelSize);
  EXPECT_DOUBLE_EQ(plate.pixelSize->micrometres, 0.75);
  EXPECT_NE(plate.pixelSize->source.find("MetaSeries"), std::string::npos);

  // And the option before everything.
  plate = open(3.5);
  EXPECT_DOUBLE_EQ(plate.pixelSize->micrometres, 3.5);
  EXPECT_EQ(plate.pixelSize->source, "--pixel-size");
}

TEST_F(PlatePixelSize, ImplausibleOrContradictingMetadataIsNotedAndPassedOver) {
  // 72 pixels per inch, as drawing programs write: 352.8 µm, no microscope's.
  write({"", 72, 72, RESUNIT_INCH}, {"", 72, 72, RESUNIT_INCH});
  Plate plate = open();
  EXPECT_FALSE(plate.pixelSize);
  std::vector<std::string> notes = PixelSizeNotes(plate);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("TIFF resolution"), std::string::npos) << notes[0];
  EXPECT_NE(notes[0].find("outside 0.01 to 100"), std::string::npos) << notes[0];

  // Just inside the plausible range at both ends.
  write({"", 1e6, 1e6, RESUNIT_CENTIMETER}, {"", 1e6, 1e6, RESUNIT_CENTIMETER});  // 0.01 µm
  EXPECT_NEAR(open().pixelSize->micrometres, 0.01, 1e-12);
  write({"", 100, 100, RESUNIT_CENTIMETER}, {"", 100, 100, RESUNIT_CENTIMETER});  // 100 µm
  EXPECT_NEAR(open().pixelSize->micrometres, 100, 1e-9);
  write({"", 99, 99, RESUNIT_CENTIMETER}, {"", 99, 99, RESUNIT_CENTIMETER});
  EXPECT_FALSE(open().pixelSize);

  // The two stains' descriptions disagree: the next source is taken.
  write({MetaSeries("0.5", "0.5", "um"), 20000, 20000},
        {MetaSeries("0.6", "0.6", "um"), 20000, 20000});
  plate = open();
  ASSERT_TRUE(plate.pixelSize);
  EXPECT_DOUBLE_EQ(plate.pixelSize->micrometres, 0.5);
  EXPECT_NE(plate.pixelSize->source.find("TIFF resolution"), std::string::npos);
  notes = PixelSizeNotes(plate);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("MetaSeries"), std::string::npos);
  EXPECT_NE(notes[0].find("'P_A01f00d1.tif' gives 0.6"), std::string::npos) << notes[0];

  // Oblong pixels have no one size; the note names each axis's resolution.
  write({"", 20000, 10000}, {"", 20000, 10000});
  plate = open();
  EXPECT_FALSE(plate.pixelSize);
  notes = PixelSizeNotes(plate);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("differs in x (20000) and y (10000)"), std::string::npos) << notes[0];

  // Without any metadata: no size and nothing to say.
  write({}, {});
  plate = open();
  EXPECT_FALSE(plate.pixelSize);
  EXPECT_TRUE(PixelSizeNotes(plate).empty());
}

}  // namespace
}  // namespace vembrel
