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
  WriteSummaryHeader(path, lines);

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

ProgramState SmallPlateResults() {
  ProgramState state;
  state.results[0] = {"512", "498", "7", "120", "300", "15", "105", "7"};   // A01
  state.results[13] = {"400", "401", "3", "99", "250", "12.5", "36", "3"};  // B02
  state.RadiiLabels = {"12.5", "25", "37.5"};
  state.DensityTable[0] = {{"4", "1.5"}, {"6", "2"}, {"1", "0.25"}};
  state.DensityTable[13] = {{"2", "3.75"}};
  return state;
}

TEST(SummaryFile, ResultPartHasGridsAndDensityTable) {
  const auto lines = SummaryResultLines(SmallPlateResults());
  // Coordinate grid.
  EXPECT_EQ(lines[0], "All X & Y coordinates");
  EXPECT_EQ(lines[1], "\t\t1\t\t2\t\t3\t\t4\t\t5\t\t6\t\t7\t\t8\t\t9\t\t10\t\t11\t\t12\t");
  std::string xy = "\t";
  for (int c = 0; c < 12; ++c) xy += "X\tY\t";
  EXPECT_EQ(lines[2], xy);
  EXPECT_EQ(lines[3], "A\t512\t498\t" + std::string(22, '\t'));
  EXPECT_EQ(lines[4], "B\t\t\t400\t401\t" + std::string(20, '\t'));
  EXPECT_EQ(lines[10], "H\t" + std::string(24, '\t'));

  // Six value grids: two empty lines, title, column numbers, 8 rows.
  const std::vector<std::string> titles = {"Numer of Cells",
                                           "Average distance",
                                           "Average Nuclear Size",
                                           "Total nuclear Area",
                                           "Calculated Number of Nuclei",
                                           "Total number of cells"};
  const std::vector<std::string> a01 = {"7", "120", "15", "105", "7", "300"};
  const std::vector<std::string> b02 = {"3", "99", "12.5", "36", "3", "250"};
  for (std::size_t g = 0; g < titles.size(); ++g) {
    const std::size_t at = 11 + g * 12;
    EXPECT_EQ(lines[at], "");
    EXPECT_EQ(lines[at + 1], "");
    EXPECT_EQ(lines[at + 2], titles[g]);
    EXPECT_EQ(lines[at + 3], "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t");
    EXPECT_EQ(lines[at + 4], "A\t" + a01[g] + "\t" + std::string(11, '\t'));
    // The value grids keep "." as the analysis stored it.
    EXPECT_EQ(lines[at + 5], "B\t\t" + b02[g] + "\t" + std::string(10, '\t'));
    EXPECT_EQ(lines[at + 11], "H\t" + std::string(12, '\t'));
  }

  // Density part.
  const std::size_t d = 11 + 6 * 12;
  EXPECT_EQ(lines[d], "");
  EXPECT_EQ(lines[d + 1], "");
  EXPECT_EQ(lines[d + 2], "Density of cells");
  EXPECT_EQ(lines[d + 3], "Radii");
  EXPECT_EQ(lines[d + 4], "12,5\t25\t37,5\t");
  EXPECT_EQ(lines[d + 5], "");
  EXPECT_EQ(lines[d + 6], "\t\t1\t\t2\t\t3\t");  // three pairs: the widest table
  EXPECT_EQ(lines[d + 7], "\tcells\tArea\tcells\tArea\tcells\tArea\t");
  EXPECT_EQ(lines[d + 8], "A01\t4\t1,5\t6\t2\t1\t0,25\t");
  EXPECT_EQ(lines[d + 9], "A02\t");
  EXPECT_EQ(lines[d + 8 + 13], "B02\t2\t3,75\t");  // shorter table ends earlier
  EXPECT_EQ(lines[d + 8 + 95], "H12\t");
  EXPECT_EQ(lines[d + 8 + 96], "");
  EXPECT_EQ(lines.size(), d + 8 + 97);
}

TEST(SummaryFile, EmptyDensityTablesGiveNoColumnPairs) {
  const auto lines = SummaryResultLines(ProgramState{});
  const std::size_t d = 11 + 6 * 12;
  EXPECT_EQ(lines[d + 4], "");  // no radii
  EXPECT_EQ(lines[d + 6], "\t");
  EXPECT_EQ(lines[d + 7], "\t");
  EXPECT_EQ(lines[d + 8], "A01\t");
}

TEST(SummaryFile, WritetherestAppendsToTheHeader) {
  TempDir dir;
  const std::string path = dir.file("pre_Vembrel.csv");
  const auto header = SummaryHeaderLines(AnalysisSettings{}, 45000, "/p/", "pre_", 45001);
  WriteSummaryHeader(path, header);
  const std::string headerBytes = ReadFile(path);
  const ProgramState state = SmallPlateResults();
  writetherest(path, state);

  std::string expected = headerBytes;
  for (const auto& line : SummaryResultLines(state)) expected += line + "\r\n";
  EXPECT_EQ(ReadFile(path), expected);
}

}  // namespace
}  // namespace vembrel
