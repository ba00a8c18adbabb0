// A 384-well plate made of the pictures of a 96-well plate gives each well the
// numbers of its 96-well twin, and through a plate map of its own format the
// same plate-map tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

// The 96-well plate's wells and where the 384-well plate holds their pictures.
const std::map<std::string, std::string> kTwins{{"A01", "I13"}, {"B02", "P24"}};

// Each line of a table or summary file by its first cell(s): the wells
// table's rows by well, with the plate and well cells dropped.
std::map<std::string, std::string> WellRows(const std::string& table) {
  std::map<std::string, std::string> rows;
  for (const std::string& line : SplitLines(table)) {
    const std::size_t plate = line.find(',');
    const std::size_t well = line.find(',', plate + 1);
    if (well == std::string::npos) continue;
    rows[line.substr(plate + 1, well - plate - 1)] = line.substr(well);
  }
  return rows;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells{""};
  for (const char c : line) {
    if (c == '\t') {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

// The value of a well in the summary's "Numer of Cells" grid, by row letter and column.
std::string GridValue(const std::string& summary, const std::string& well,
                      std::size_t* columnCount = nullptr) {
  const std::vector<std::string> lines = SplitLines(summary);
  const auto title = std::find(lines.begin(), lines.end(), "Numer of Cells");
  if (title == lines.end()) return "<no grid>";
  const std::vector<std::string> numbers = SplitTabs(*(title + 1));
  if (columnCount != nullptr) *columnCount = numbers.size();
  for (auto line = title + 2; line != lines.end() && !line->empty(); ++line) {
    const std::vector<std::string> cells = SplitTabs(*line);
    if (cells[0] == well.substr(0, 1)) return cells.at(std::stoul(well.substr(1)));
  }
  return "<no row>";
}

// Reading 384-well names in each layout, and 384-well plate maps of either
// form, are the plate and plate map tests'; here the batch carries the format
// through to every file.
TEST(PlateFormatBatch, A384WellPlateGivesEachWellItsTwinsNumbers) {
  TempDir dir;
  const std::string native = dir.file("native");
  WriteDemoPlate(native, 5, {0, 13});  // A01 and B02
  const std::string xpress = dir.file("xpress");
  fs::create_directories(xpress);
  for (const auto& [well, twin] : kTwins) {
    for (int field = 0; field < 4; ++field) {
      for (int channel = 0; channel < 2; ++channel) {
        fs::copy_file(native + "/" + NativeNames("DEMO_")(well, field, channel),
                      xpress + "/" + ImageXpressNames("Run7")(twin, field, channel + 1));
      }
    }
  }
  // The same two conditions on both plates.
  const auto tidyMap = [&](const std::string& control, const std::string& sample) {
    const std::string file = dir.file(control + ".csv");
    WriteFileAtomically(file, "well,role,compound,concentration,unit\n" + control +
                                  ",negative_control,DMSO,,\n" + sample + ",sample,DrugA,1,uM\n");
    return file;
  };
  const std::map<std::string, std::string> maps{{"DEMO_", tidyMap("A01", "B02")},
                                                {"Run7_", tidyMap("I13", "P24")}};

  std::map<std::string, std::string> tables, summaries, reports, conditions;
  for (const auto& [pictures, prefix] : {std::pair(native, "DEMO_"), std::pair(xpress, "Run7_")}) {
    const std::string results = pictures + "-results";
    const CommandRun batch =
        RunVembrel("batch " + Quoted(pictures) + " --progress none --results " + Quoted(results) +
                   " --plate-map " + Quoted(maps.at(prefix)));
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    tables[prefix] = ReadWholeFile(results + "/" + prefix + "Vembrel_wells.csv");
    summaries[prefix] = ReadWholeFile(results + "/" + prefix + "Vembrel.csv");
    reports[prefix] = ReadWholeFile(results + "/" + prefix + "Vembrel_report.html");
    conditions[prefix] = ReadWholeFile(results + "/" + prefix + "Vembrel_conditions.csv");
    EXPECT_TRUE(fs::exists(results + "/" + prefix + "Vembrel_plate.png"));
  }
  EXPECT_NE(conditions["DEMO_"].find("DrugA 1 uM,sample,DrugA,1,uM,nuclei,1,"), std::string::npos)
      << conditions["DEMO_"];

  const auto nativeRows = WellRows(tables["DEMO_"]);
  const auto rows = WellRows(tables["Run7_"]);
  std::size_t nativeColumns = 0, columns = 0;
  GridValue(summaries["DEMO_"], "A01", &nativeColumns);
  GridValue(summaries["Run7_"], "A01", &columns);
  EXPECT_EQ(nativeColumns, 14u);  // a label cell, 12 columns and the end of the last tab
  EXPECT_EQ(columns, 26u);        // a label cell, 24 columns and the end of the last tab
  for (const auto& [well, twin] : kTwins) {
    SCOPED_TRACE(twin);
    ASSERT_TRUE(nativeRows.contains(well));
    ASSERT_TRUE(rows.contains(twin));
    EXPECT_EQ(rows.at(twin), nativeRows.at(well));
    EXPECT_EQ(GridValue(summaries["Run7_"], twin), GridValue(summaries["DEMO_"], well));
    EXPECT_NE(GridValue(summaries["Run7_"], twin), "");
    EXPECT_NE(reports["Run7_"].find("id=\"detail-" + twin + "\""), std::string::npos);
  }
  EXPECT_EQ(reports["Run7_"].find("id=\"detail-A01\""), std::string::npos);
  EXPECT_EQ(conditions["Run7_"], conditions["DEMO_"]);
  // The report's plate map: 384 wells in 16 rows of 24, drawn as wide as 96.
  EXPECT_EQ(Occurrences(reports["Run7_"], "<circle id=\"map-"), 384u);
  EXPECT_NE(reports["Run7_"].find("<circle id=\"map-P24\" cx=\"423.5\" cy=\"285.5\" r=\"7\" "
                                  "fill=\"#ff7f0e\" data-condition=\"DrugA 1 uM\">"),
            std::string::npos);
  EXPECT_NE(reports["Run7_"].find("width=\"436\" height=\"298\""), std::string::npos);
}

TEST(PlateFormatBatch, AFieldLeftBlackBeyondTheFirst96WellsIsNamed) {
  TempDir dir;
  const std::string native = dir.file("native");
  WriteDemoPlate(native, 5, {0});  // A01
  const std::string xpress = dir.file("xpress");
  fs::create_directories(xpress);
  for (int field = 1; field < 4; ++field) {  // the first field is missing in both channels
    for (int channel = 0; channel < 2; ++channel) {
      fs::copy_file(native + "/" + NativeNames("DEMO_")("A01", field, channel),
                    xpress + "/" + ImageXpressNames("Run7")("P24", field, channel + 1));
    }
  }
  const CommandRun batch = RunVembrel("batch " + Quoted(xpress) + " --progress none");
  EXPECT_EQ(batch.exitCode, 0) << batch.err;
  EXPECT_NE(batch.err.find("left black: Well P24: "), std::string::npos) << batch.err;
}

}  // namespace
}  // namespace vembrel::testing
