#include "engine/cell_export.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/central_settings.h"
#include "core/text_file.h"
#include "results/settings_header.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

TEST(CellExportNames, PrefixKeepsPlatesApartAndOnlyTheFinalCsvBecomesTem) {
  EXPECT_EQ(CellDataFileName("/plates/", "pre_", "B07"),
            "/plates/CellShape/pre_B07_Cell_Data_VL.csv");
  EXPECT_EQ(CellDataFileName("/plates/", "", "B07"), "/plates/CellShape/B07_Cell_Data_VL.csv");
  EXPECT_EQ(CellSnapshotFileName("/plates/", "pre_", "B07"), "/plates/CellJPEGS/pre_B07.jpg");
  EXPECT_EQ(TemporaryCellFileName("/x.csv.d/CellShape/B07_Cell_Data_VL.csv"),
            "/x.csv.d/CellShape/B07_Cell_Data_VL.tem");
  EXPECT_EQ(TemporaryCellFileName("/data/cells"), "/data/cells.tem");
}

CellRecord Cell(int x0, int y0, int width, int height) {
  CellRecord cell;
  for (int x = x0; x < x0 + width; ++x) {
    for (int y = y0; y < y0 + height; ++y) cell.Pixels.push_back({x, y, 0, 0, 0, 90});
  }
  cell.Pixels[0].Value = 255;
  cell.NucleusSize = 1;
  return cell;
}

TEST(CellDataFile, WrittenThroughTheTemporaryFileAndReadBackLineByLine) {
  testing::TempDir dir;
  const std::filesystem::path folder = dir.path() / "plate.csv.d" / "CellShape";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "pre_B07_Cell_Data_VL.csv").string();

  CellList cells = {Cell(500, 500, 7, 7), Cell(520, 500, 12, 2)};
  ShapeSettings settings;
  settings.ring = {512, 512, 350};
  const ShapeAnalysis analysis = AnalyseShapes(cells, settings);
  ASSERT_EQ(analysis.cells[0].cls, CellClass::RoundRough);
  ASSERT_TRUE(IsOval(analysis.cells[1].cls));

  CentralSettings central;
  AtomicTextFile file(path);
  const auto header = CellDataHeader("B07", SettingsHeader(central, 0, "/p/", "pre_", 0),
                                     {"40", "30", "2000", "3", "0.75"});
  for (const std::string& line : header) file.line(line);
  AppendCellTables(file, analysis);
  file.commit();

  EXPECT_FALSE(std::filesystem::exists(TemporaryCellFileName(path)));
  const std::string content = ReadWholeFile(path);
  EXPECT_EQ(content.find("\n\n"), std::string::npos) << "every line ends in CR LF";
  const std::vector<std::string> lines = SplitLines(content);
  ASSERT_EQ(lines.size(), 34u + 20u + 2u);
  EXPECT_EQ(lines[0], "Data of Cells from well B07");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2].rfind("Measurement date: ", 0), 0u);
  EXPECT_EQ(lines[7], "Files:\tpre_");
  EXPECT_EQ(lines[24], "Delta Rings:\t50");
  EXPECT_EQ(lines[25], "");
  EXPECT_EQ(lines[26], "Settings Cells");
  EXPECT_EQ(lines[27], "Cut off Green channel:\t40");
  EXPECT_EQ(lines[28], "Minimum size of cells\t30");
  EXPECT_EQ(lines[29], "Maximum size of cells\t2000");
  EXPECT_EQ(lines[30], "Shape ratio long/round\t3");
  EXPECT_EQ(lines[31], "Shape coeff rough/smooth\t0.75");
  EXPECT_EQ(lines[32], "");
  EXPECT_EQ(lines[33], "");
  EXPECT_EQ(lines[34], "Data from piechart");
  EXPECT_EQ(lines[38],
            "Number:\t1\t0\t" +
                std::string(analysis.cells[1].cls == CellClass::OvalRough ? "1\t0" : "0\t1") +
                "\t2");
  EXPECT_EQ(lines[41], "Data from histogram");
  EXPECT_EQ(lines[44].rfind("Number:\t", 0), 0u);
  EXPECT_EQ(lines[51], "Info for every cell");
  EXPECT_EQ(lines[53].rfind("Number\tSize\tPicWidth", 0), 0u);
  EXPECT_EQ(lines[54], CellTableLine(0, analysis.cells[0]));
  EXPECT_EQ(lines[54].substr(0, 9), "0\t49\t7\t7\t");
  EXPECT_NE(lines[54].find("\tBlue \t-\t1"), std::string::npos);
  EXPECT_EQ(lines[55], CellTableLine(1, analysis.cells[1]));
}

}  // namespace
}  // namespace vembrel
