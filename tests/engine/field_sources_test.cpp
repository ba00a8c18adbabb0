// Field sources: the constructed well's pixels written in the native layout
// and rearranged into multi-page files and into one picture of the whole well
// load into the same mosaics and give the same numbers; pages that are
// missing or of another size are named.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/error.h"
#include "engine/analysed_well.h"
#include "engine/well_session.h"
#include "imaging/mosaic.h"
#include "plate/plate.h"
#include "support/constructed_well.h"
#include "support/thrown.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

using Values = std::vector<std::uint16_t>;  // 8-bit grey, top row first

struct Page {
  int side = 0;
  Values values;
};

void WritePages(const std::string& path, const std::vector<Page>& pages) {
  std::vector<GreyPage> grey;
  for (const Page& page : pages) grey.push_back({page.side, page.side, page.values});
  WriteGreyPages(path, grey);
}

// A square of `side` pixels showing the mosaic's columns from `column` and
// rows from `row` (from the bottom) over `span` mosaic pixels, each mosaic
// pixel a block whose pixels alternate by one grey level: a reduction that
// takes each block's mean rounded down gives the mosaic's pixels back.
Values Square(const MosaicGrey& grey, int column, int row, int span, int side) {
  Values values(static_cast<std::size_t>(side) * side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int mosaicRow = row + span - 1 - y * span / side;
      values[static_cast<std::size_t>(y) * side + x] =
          static_cast<std::uint16_t>(grey(column + x * span / side, mosaicRow) + ((x + y) & 1));
    }
  }
  return values;
}

constexpr int kFieldSide = 1024;  // fields twice the size of their quarter, reduced

Page FieldPage(const MosaicGrey& grey, int field) {
  return {kFieldSide,
          Square(grey, QuadrantColumn(field), QuadrantRow(field), kFieldSize, kFieldSide)};
}
Page WholeWellPage(const MosaicGrey& grey) {
  return {2 * kFieldSide, Square(grey, 0, 0, kMosaicSize, 2 * kFieldSide)};
}

bool SameMosaics(const WellMosaics& a, const WellMosaics& b) {
  return a.blue.bytes == b.blue.bytes && a.green.bytes == b.green.bytes &&
         a.reducedFrom == b.reducedFrom && a.fieldProblems.empty() && b.fieldProblems.empty();
}

class FieldSources : public ::testing::Test {
 protected:
  std::string folder(const std::string& name) {
    std::filesystem::create_directories(dir.file(name));
    return dir.file(name) + "/";
  }
  // The constructed well as A01 of a native plate, four fields per stain.
  Plate nativePlate() {
    const std::string native = folder("native");
    for (int field = 0; field < 4; ++field) {
      const std::string name = native + "N_A01f0" + std::to_string(field);
      WritePages(name + "d0.tif", {FieldPage(NucleiBlue, field)});
      WritePages(name + "d1.tif", {FieldPage(RingGreen, field)});
    }
    return OpenPlate(native);
  }
  TempDir dir;
};

TEST_F(FieldSources, RearrangedPixelsLoadAsTheNativeLayoutAndGiveItsNumbers) {
  const Plate native = nativePlate();
  const WellMosaics expected = LoadWellMosaics(native, 0);
  ASSERT_EQ(expected.reducedFrom, kFieldSide);

  // One file per field holding the nuclear and the cell stain as pages.
  const std::string perField = folder("per_field");
  for (int field = 0; field < 4; ++field) {
    WritePages(perField + "A01_s" + std::to_string(field + 1) + ".tif",
               {FieldPage(NucleiBlue, field), FieldPage(RingGreen, field)});
  }
  PlateOpenOptions options;
  options.layout = "{well}_s{field}.tif";
  const Plate channelPages = OpenPlate(perField, options);
  EXPECT_EQ(channelPages.fieldsPerWell, 4);
  const WellMosaics fromChannelPages = LoadWellMosaics(channelPages, 0);
  EXPECT_TRUE(SameMosaics(fromChannelPages, expected));
  EXPECT_EQ(fromChannelPages.inputs[6].file, perField + "A01_s3.tif");
  EXPECT_EQ(fromChannelPages.inputs[6].page, 1);

  // One file per well holding the four fields, each in both stains.
  const std::string perWell = folder("per_well");
  std::vector<Page> fieldPages;
  for (int field = 0; field < 4; ++field) {
    fieldPages.push_back(FieldPage(NucleiBlue, field));
    fieldPages.push_back(FieldPage(RingGreen, field));
  }
  WritePages(perWell + "A01.tif", fieldPages);
  options.layout = "{well}.tif";
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(perWell, options); }),
            "'" + perWell +
                "A01.tif' holds 8 pages: give --fields 4 (four fields of "
                "2 channels) or --fields 1 (one picture of the whole "
                "well in 8 channels)");
  options.fieldsPerWell = 4;
  EXPECT_TRUE(SameMosaics(LoadWellMosaics(OpenPlate(perWell, options), 0), expected));

  // One picture of the whole well per stain, as the pages of one file...
  const std::string wholeWell = folder("whole_well");
  WritePages(wholeWell + "A01.tif", {WholeWellPage(NucleiBlue), WholeWellPage(RingGreen)});
  options.fieldsPerWell = 0;
  const Plate oneFile = OpenPlate(wholeWell, options);
  EXPECT_EQ(oneFile.fieldsPerWell, 1);
  EXPECT_TRUE(SameMosaics(LoadWellMosaics(oneFile, 0), expected));

  // ...and as the first and only site of an ImageXpress-style plate.
  const std::string sites = folder("sites");
  WritePages(sites + "P_A01_s1_w1.tif", {WholeWellPage(NucleiBlue)});
  WritePages(sites + "P_A01_s1_w2.tif", {WholeWellPage(RingGreen)});
  PlateOpenOptions wholeWells;
  wholeWells.fieldsPerWell = 1;
  const Plate onePerWell = OpenPlate(sites, wholeWells);
  EXPECT_EQ(onePerWell.wells[0].quarter, native.wells[0].quarter);  // painted whole
  EXPECT_EQ(onePerWell.notes, native.notes);                        // no field is missing
  const WellMosaics fromSites = LoadWellMosaics(onePerWell, 0);
  EXPECT_TRUE(SameMosaics(fromSites, expected));
  ASSERT_EQ(fromSites.inputs.size(), 2u);
  EXPECT_EQ(fromSites.inputs[1].file, sites + "P_A01_s1_w2.tif");

  const AnalysisSettings settings;
  const WellResults nativeResults = WellSession(native, 0, settings).results();
  const WellResults siteResults = WellSession(onePerWell, 0, settings).results();
  EXPECT_EQ(nativeResults.nuclei, 4);  // the constructed nuclei counted in the ring
  EXPECT_EQ(siteResults.ring, nativeResults.ring);
  EXPECT_EQ(siteResults.immigrants, nativeResults.immigrants);
  EXPECT_EQ(siteResults.density, nativeResults.density);
  EXPECT_EQ(siteResults.reducedFrom, nativeResults.reducedFrom);

  // A well's record names the file and page of each field it was read from,
  // and fits only the plate whose sources those are.
  const AnalysedWell whole = AnalysedWellFromJson(
      AnalysedWellToJson(AnalysedWell{siteResults, settings, {}, ProgramVersion()}));
  EXPECT_EQ(whole.results.inputs, siteResults.inputs);
  EXPECT_EQ(RecordFit(whole, 0, {}, onePerWell), RecordMisfit::Fits);
  EXPECT_EQ(RecordFit(whole, 0, {}, native), RecordMisfit::OtherPlate);
  WellResults paged = nativeResults;
  paged.inputs = fromChannelPages.inputs;
  const AnalysedWell pages =
      AnalysedWellFromJson(AnalysedWellToJson(AnalysedWell{paged, settings, {}, ProgramVersion()}));
  EXPECT_EQ(pages.results.inputs, fromChannelPages.inputs);
  EXPECT_EQ(RecordFit(pages, 0, {}, channelPages), RecordMisfit::Fits);
  EXPECT_EQ(RecordFit(pages, 0, {}, native), RecordMisfit::OtherPlate);
}

// OME-XML of one image of 2048 x 2048 pixels; `inner` lists its channels and planes.
std::string OmeXml(const std::string& order, int channels, int timePoints, int planes,
                   const std::string& inner = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><OME "
         "xmlns=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\"><Image ID=\"Image:0\">"
         "<Pixels ID=\"Pixels:0\" Type=\"uint8\" SizeX=\"2048\" SizeY=\"2048\" "
         "DimensionOrder=\"" +
         order + "\" SizeC=\"" + std::to_string(channels) + "\" SizeT=\"" +
         std::to_string(timePoints) + "\" SizeZ=\"" + std::to_string(planes) +
         "\" PhysicalSizeX=\"650\" PhysicalSizeXUnit=\"nm\">" + inner + "</Pixels></Image></OME>";
}

TEST_F(FieldSources, OmeTiffPagesLoadAsTheNativeLayoutAndGiveItsNumbers) {
  const Plate native = nativePlate();
  const WellMosaics expected = LoadWellMosaics(native, 0);
  const Page blue = WholeWellPage(NucleiBlue), green = WholeWellPage(RingGreen);
  // Two time points of two channels; at the first the stains are swapped.
  const std::string deltas =
      "<Plane TheC=\"0\" TheT=\"0\" DeltaT=\"0\"/><Plane TheC=\"0\" TheT=\"1\" "
      "DeltaT=\"6\" DeltaTUnit=\"h\"/>";
  const std::string channelFirst = folder("xyczt");
  WriteGreyPages(channelFirst + "A01.ome.tif",
                 {{2048, 2048, green.values},
                  {2048, 2048, blue.values},
                  {2048, 2048, blue.values},
                  {2048, 2048, green.values}},
                 {}, OmeXml("XYCZT", 2, 2, 1, deltas));
  const std::string timeFirst = folder("xytcz");
  WriteGreyPages(timeFirst + "A01.ome.tif",
                 {{2048, 2048, green.values},
                  {2048, 2048, blue.values},
                  {2048, 2048, blue.values},
                  {2048, 2048, green.values}},
                 {}, OmeXml("XYTCZ", 2, 2, 1, deltas));
  PlateOpenOptions options;
  options.layout = "{well}.ome.tif";
  const Plate first = OpenPlate(channelFirst, options);
  EXPECT_EQ(first.timePoints, (std::vector<int>{1, 2}));
  EXPECT_EQ(first.timePoint, 1);
  EXPECT_EQ(first.recordedSeconds, 0.0);
  EXPECT_EQ(first.notes.back(),
            "The plate holds 2 time points (1, 2); time point 1 was read (--time chooses another)");
  EXPECT_EQ(LoadWellMosaics(first, 0).blue.bytes, expected.green.bytes);
  options.timePoint = 2;
  for (const std::string& folderName : {channelFirst, timeFirst}) {
    const Plate second = OpenPlate(folderName, options);
    EXPECT_EQ(second.fieldsPerWell, 1);
    EXPECT_EQ(second.recordedSeconds, 6 * 3600.0);
    ASSERT_TRUE(second.pixelSize);
    EXPECT_EQ(second.pixelSize->micrometres, 0.65);
    EXPECT_EQ(second.pixelSize->source, "the OME-XML of '" + folderName + "A01.ome.tif'");
    EXPECT_TRUE(SameMosaics(LoadWellMosaics(second, 0), expected)) << folderName;
  }
  options.timePoint = 3;
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(timeFirst, options); }),
            "No time point 3 in '" + timeFirst + "A01.ome.tif' (time points found: 1, 2)");

  // Channels by the instrument's names (the cell stain first), and a plane chosen of two.
  const std::string named = folder("named");
  WriteGreyPages(named + "V_A1_1_00d00h00m.tif",
                 {{2048, 2048, Values(2048 * 2048)},
                  {2048, 2048, green.values},
                  {2048, 2048, Values(2048 * 2048)},
                  {2048, 2048, blue.values}},
                 {}, OmeXml("XYZCT", 2, 1, 2, "<Channel Name=\"Green\"/><Channel Name=\"Red\"/>"));
  PlateOpenOptions byName;
  byName.fieldsPerWell = 1;
  byName.plane = 2;
  const Plate incucyte = OpenPlate(named, byName);
  EXPECT_EQ(incucyte.channels, (std::array<int, 2>{1, 2}));  // Red, Green
  EXPECT_TRUE(SameMosaics(LoadWellMosaics(incucyte, 0), expected));
  const AnalysisSettings settings;
  const WellResults nativeResults = WellSession(native, 0, settings).results();
  const WellResults omeResults = WellSession(incucyte, 0, settings).results();
  EXPECT_EQ(omeResults.ring, nativeResults.ring);
  EXPECT_EQ(omeResults.immigrants, nativeResults.immigrants);
  EXPECT_EQ(omeResults.density, nativeResults.density);
  byName.plane = 3;
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(named, byName); }),
            "'" + named +
                "V_A1_1_00d00h00m.tif' holds the planes 1, 2 (OME-XML "
                "SizeZ 2); --plane 3 is none of them");

  // A file named as one channel cannot hold two; OME-XML at odds with the pages is named.
  const std::string odd = folder("odd");
  WriteGreyPages(odd + "P_A01_s1_w1.tif", {{2048, 2048, blue.values}, {2048, 2048, green.values}},
                 {}, OmeXml("XYCZT", 2, 1, 1));
  PlateOpenOptions whole;
  whole.fieldsPerWell = 1;
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(odd, whole); }),
            "'" + odd +
                "P_A01_s1_w1.tif' is named as channel w1, but its "
                "OME-XML holds 2 channels (SizeC)");
  WriteGreyPages(odd + "P_A01_s1_w1.tif", {{2048, 2048, blue.values}}, {},
                 OmeXml("XYCZT", 1, 2, 1));
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(odd, whole); }),
            "OME-XML of '" + odd +
                "P_A01_s1_w1.tif': SizeC 1 x SizeT 2 x SizeZ 1 = 2 "
                "planes, but the file holds 1 page");
}

TEST_F(FieldSources, WholeWellsAreRefusedWhereTheWellHasSeveralFields) {
  nativePlate();
  PlateOpenOptions options;
  options.fieldsPerWell = 1;
  EXPECT_EQ(Thrown<Error>([&] { OpenPlate(dir.file("native"), options); }),
            "--fields 1 reads one picture of the whole well, but the plate has several fields "
            "per well: 'N_A01f01d0.tif' is f01");
}

TEST_F(FieldSources, PagesMissingOrOfAnotherSizeAreNamed) {
  const std::string plate = folder("pages");
  const Page blue = FieldPage(NucleiBlue, 0), green = FieldPage(RingGreen, 0);
  WritePages(plate + "A01_s1.tif", {blue, green});
  WritePages(plate + "A01_s2.tif", {blue});  // the cell stain is missing
  WritePages(plate + "A01_s3.tif", {blue, {kFieldSide / 2, Values(kFieldSide * kFieldSide / 4)}});
  PlateOpenOptions options;
  options.layout = "{well}_s{field}.tif";
  const WellMosaics loaded = LoadWellMosaics(OpenPlate(plate, options), 0);
  ASSERT_EQ(loaded.fieldProblems.size(), 4u);  // site 4 missing in both stains
  const FieldProblem& missingPage = loaded.fieldProblems[1];
  EXPECT_EQ(missingPage.kind, FieldProblemKind::kMissing);
  EXPECT_EQ(missingPage.message,
            "Field picture '" + plate + "A01_s2.tif' holds 1 page; its page 2 is missing");
  const FieldProblem& otherSize = loaded.fieldProblems[2];
  EXPECT_EQ(otherSize.kind, FieldProblemKind::kWrongSize);
  EXPECT_EQ(otherSize.message, "Field picture '" + plate +
                                   "A01_s3.tif': page 2 is 512 x 512 pixels, page 1 1024 x 1024; "
                                   "the pages of one file must be of one size");
  EXPECT_EQ(loaded.greenQuarterBlack, (std::array<bool, 4>{false, true, true, true}));
}

}  // namespace
}  // namespace vembrel::testing
