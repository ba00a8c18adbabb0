// A batch over a plate whose Harmony index gives the pixel size: the tables,
// and `batch --json`, carry micrometre twins of that size; without a size
// no table has such a column, and the batch says either once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "support/command_run.h"
#include "support/constructed_well.h"
#include "support/result_files.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr double kSize = 0.8;  // micrometres per pixel, in the index as metres

using Row = std::map<std::string, std::string>;

class PixelSizeBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.writeWell("A01", CellsBlue, CellsGreen);
    fixture.writeWell("A02");
  }
  CommandRun batch(const std::string& results) {
    return RunVembrel("batch " + Quoted(fixture.anyPicture()) + " --cells --json --results " +
                      Quoted(fixture.dir.file(results)));
  }
  fs::path table(const std::string& results, const std::string& kind) {
    return fixture.dir.path() / results / ("T_Vembrel_" + kind + ".csv");
  }
  PlateFixture fixture;
};

TEST_F(PixelSizeBatch, MicrometreColumnsAreThePixelColumnsScaled) {
  std::ofstream(fixture.plateFolder() + "Index.idx.xml")
      << "<EvaluationInputData><Images><Image><ImageResolutionX Unit=\"m\">8E-07"
         "</ImageResolutionX><ImageResolutionY Unit=\"m\">8E-07</ImageResolutionY></Image>"
         "</Images></EvaluationInputData>";
  const CommandRun run = batch("results");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Occurrences(run.err, "pixel size 0.8 \xC2\xB5m per pixel (from the Harmony index"), 1u)
      << run.err;
  EXPECT_EQ(Occurrences(run.err, "no pixel size"), 0u);

  // Each twin's formula is the measure table's test, and every table takes
  // the size from the well's results; here the size the index gave reaches them.
  const std::vector<Row> wells = ReadCsvRows(table("results", "wells"));
  int analysed = 0;
  for (const Row& row : wells) {
    if (row.at("ring_radius").empty()) {
      EXPECT_EQ(row.at("pixel_size_um"), "") << row.at("well");
      continue;
    }
    ++analysed;
    EXPECT_EQ(std::stod(row.at("pixel_size_um")), kSize);
    EXPECT_NEAR(std::stod(row.at("ring_radius_um")), std::stod(row.at("ring_radius")) * kSize,
                1e-9);
  }
  EXPECT_EQ(analysed, 2);
  EXPECT_NE(SplitLines(ReadFile(table("results", "cells")))[0].find("size_um2"), std::string::npos);
  EXPECT_NE(Unzipped(fixture.dir.path() / "results" / "T_Vembrel.xlsx", "xl/sharedStrings.xml")
                .find("average_distance_um"),
            std::string::npos);

  // `batch --json`: one object per well with the same twins.
  int lines = 0;
  for (const std::string& line : SplitLines(run.out)) {
    if (line.empty()) continue;
    ++lines;
    const nlohmann::json well = nlohmann::json::parse(line);
    EXPECT_EQ(well["pixel_size_um"].get<double>(), kSize);
    EXPECT_NEAR(well["ring_radius_um"].get<double>(), well["ring_radius"].get<int>() * kSize, 1e-9);
  }
  EXPECT_EQ(lines, 2);
}

TEST_F(PixelSizeBatch, WithoutAPixelSizeTheTablesStayInPixels) {
  const CommandRun run = batch("results");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Occurrences(run.err, "no pixel size known"), 1u) << run.err;
  for (const char* kind : {"wells", "density", "nuclei", "cells"}) {
    const std::string header = SplitLines(ReadFile(table("results", kind)))[0];
    EXPECT_EQ(header.find("_um"), std::string::npos) << kind << ": " << header;
    EXPECT_EQ(header.find("_mm2"), std::string::npos) << kind << ": " << header;
  }
  EXPECT_EQ(run.out.find("_um"), std::string::npos);
}

}  // namespace
}  // namespace vembrel::testing

namespace vembrel::testing {
namespace {

TEST(PixelSizeOption, EveryCommandThatOpensAPlateRefusesASizeOutOfRangeWithExitTwo) {
  PlateFixture fixture;
  fixture.writeWell("A01");
  const std::string picture = Quoted(fixture.anyPicture());
  for (const std::string& command :
       {"plate " + picture, "well " + picture + " A01", "suggest " + picture, "batch " + picture}) {
    for (const char* bad : {"0", "1000", "-2", "x"}) {
      const CommandRun run = RunVembrel(command + " --pixel-size " + bad);
      EXPECT_EQ(run.exitCode, 2) << command << " " << bad;
      EXPECT_NE(run.err.find("'" + std::string(bad) + "' is no pixel size"), std::string::npos)
          << run.err;
    }
  }
  const CommandRun shown = RunVembrel("plate " + picture + " --pixel-size 999.5");
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.out.find("Pixel:    999.5 \xC2\xB5m per pixel (from --pixel-size)"),
            std::string::npos)
      << shown.out;
}

}  // namespace
}  // namespace vembrel::testing
