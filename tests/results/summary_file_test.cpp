#include "results/summary_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "core/text_file.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::vector<std::string> FileLines(const std::string& path) {
  const std::string bytes = ReadFile(path);
  // Every line ends in CR LF, including the last.
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  return SplitLines(bytes);
}

TEST(SummaryFile, HeaderAndSpecialBlocksAreWrittenLineByLine) {
  TempDir dir;
  const std::string path = SummaryFileName(dir.path().string() + "/", "pre_");
  EXPECT_EQ(path, dir.path().string() + "/pre_Vembrel.csv");

  auto lines = SummaryHeaderLines(AnalysisSettings{}, 45000, "/plates/p1/", "pre_", 45001);
  WellSettingsRow row = ToWellSettingsRow(AnalysisSettings{});
  row[2] = 20;  // blue cut-off
  row[6] = 0;   // blue stretch off
  for (auto& line : SpecialSettingsLines("A01", SpecialSettingsKind::Nucleus, row))
    lines.push_back(line);
  for (auto& line : SpecialSettingsLines("B02", SpecialSettingsKind::CellShape, row))
    lines.push_back(line);
  for (auto& line : SpecialSettingsLines("C03", SpecialSettingsKind::Both, row))
    lines.push_back(line);
  WriteSummaryFile(path, lines, {});

  const auto written = FileLines(path);
  ASSERT_EQ(written.size(), 26u + 3 * 19u);
  EXPECT_EQ(written[0], "");
  EXPECT_EQ(written[5], "Path:\t/plates/p1/");  // the settings header as lines 2 to 24
  EXPECT_EQ(written[24], "");
  EXPECT_EQ(written[25], "");

  EXPECT_EQ(written[26], "A01 has special settings for the nucleus:");
  EXPECT_EQ(written[27], "Circle size:\t350");
  EXPECT_EQ(written[30], "Green cutoff:\t10");
  EXPECT_EQ(written[33], "Blue Cutoff:\t20");
  EXPECT_EQ(written[35], "Blue stretch:\tNO");
  EXPECT_EQ(written[42], "Delta Rings:\t50");
  EXPECT_EQ(written[43], "");
  EXPECT_EQ(written[44], "");
  EXPECT_EQ(written[45], "B02 has special settings for the cell shape:");
  EXPECT_EQ(written[64], "C03 has special settings for both the nucleus and the cell shape:");
}

TEST(SummaryFile, SpecialSettingsKindFollowsTheDifferingColumns) {
  const WellSettingsRow snapshot = ToWellSettingsRow(AnalysisSettings{});
  SpecialSettingsKind kind{};
  EXPECT_FALSE(FindSpecialSettings(snapshot, snapshot, kind));
  WellSettingsRow row = snapshot;
  row[11] = 25;
  ASSERT_TRUE(FindSpecialSettings(row, snapshot, kind));
  EXPECT_EQ(kind, SpecialSettingsKind::Nucleus);
  row = snapshot;
  row[12] = 41;
  ASSERT_TRUE(FindSpecialSettings(row, snapshot, kind));
  EXPECT_EQ(kind, SpecialSettingsKind::CellShape);
  row[0] = 11;
  ASSERT_TRUE(FindSpecialSettings(row, snapshot, kind));
  EXPECT_EQ(kind, SpecialSettingsKind::Both);
}

// The grids and density tables with values are pinned by the golden summary.
TEST(SummaryFile, EmptyDensityTablesGiveNoColumnPairs) {
  const auto lines = SummaryResultLines(PlateResults{});
  const std::size_t d = 11 + 6 * 12;
  EXPECT_EQ(CellLineText(lines[d + 4]), "");  // no radii
  EXPECT_EQ(CellLineText(lines[d + 6]), "\t");
  EXPECT_EQ(CellLineText(lines[d + 7]), "\t");
  EXPECT_EQ(CellLineText(lines[d + 8]), "A01\t");
}

}  // namespace
}  // namespace vembrel
