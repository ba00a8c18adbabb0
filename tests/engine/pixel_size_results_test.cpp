// A well's pixel size: the plate's times the reduction of large fields, kept
// in the well's record, and absent from both when the plate has none.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "engine/analysed_well.h"
#include "engine/well_session.h"
#include "plate/plate.h"
#include "support/constructed_well.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

TEST(WellPixelSize, IsThePlatesTimesTheReductionOfLargeFields) {
  TempDir dir;
  const std::string folder = dir.file("plate");
  std::filesystem::create_directories(folder);
  WriteLayoutWell(folder, NativeNames("R_"), "A01", {0, 1}, NucleiBlue, RingGreen);
  for (int field = 0; field < 4; ++field) {
    for (int channel = 0; channel < 2; ++channel) {
      WriteLayoutField(folder, NativeNames("R_"), "B01", field, channel,
                       channel == 0 ? MosaicGrey(NucleiBlue) : MosaicGrey(RingGreen), 1536);
    }
  }
  PlateOpenOptions options;
  options.pixelSize = 0.25;
  const Plate plate = OpenPlate(folder + "/R_A01f00d0.tif", options);
  const WellSession plain(plate, 0, {});
  const WellSession reduced(plate, 12, {});
  EXPECT_EQ(plain.results().pixelSize, 0.25);
  EXPECT_EQ(reduced.results().reducedFrom, 1536);
  EXPECT_EQ(reduced.results().pixelSize, 0.75);

  const WellSession unknown(OpenPlate(folder + "/R_A01f00d0.tif"), 12, {});
  EXPECT_FALSE(unknown.results().pixelSize);
}

TEST(WellPixelSize, TheRecordKeepsItAndSaysNothingWithoutOne) {
  AnalysedWell record;
  for (const bool cellStain : {false, true}) {
    for (int field = 0; field < 4; ++field) {
      record.results.inputs.push_back({"T_A01.tif", cellStain, field, std::nullopt});
    }
  }
  record.results.pixelSize = 1.0 / 3;
  const nlohmann::ordered_json json = AnalysedWellToJson(record);
  EXPECT_EQ(AnalysedWellFromJson(json).results.pixelSize, 1.0 / 3);
  record.results.pixelSize.reset();
  const nlohmann::ordered_json without = AnalysedWellToJson(record);
  EXPECT_EQ(without.dump().find("pixel_size"), std::string::npos);
  EXPECT_FALSE(AnalysedWellFromJson(without).results.pixelSize);
}

}  // namespace
}  // namespace vembrel::testing
