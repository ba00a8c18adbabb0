#include "plate/settings_header.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

std::vector<std::string> Texts(const std::vector<CellLine>& lines) {
  std::vector<std::string> texts;
  for (const CellLine& line : lines) texts.push_back(CellLineText(line));
  return texts;
}

TEST(SettingsHeaderLines, EachValueLandsOnItsLabelledLineAsANumber) {
  AnalysisSettings s;
  s.display.green.cutoff = 1, s.display.green.saturation = 2, s.display.green.fullRange = false,
  s.display.blue.cutoff = 3, s.display.blue.saturation = 4;
  s.ring.radius = 5, s.nuclei.greenCutoff = 6, s.nuclei.blueCutoff = 7, s.nuclei.minimalSize = 8,
  s.nuclei.maximalSize = 9;
  s.ring.increment = 11;
  const std::vector<CellLine> cells =
      SettingsHeaderLines(s, 45000.75, "/plates/p1/", "pre_", 45001.0);
  const std::vector<std::string> lines = Texts(cells);
  ASSERT_EQ(lines.size(), 23u);  // lines 2 to 24 of the summary header
  EXPECT_EQ(lines[0].rfind("Measurement date: ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("Vembrel analysis: ", 0), 0u);
  EXPECT_NE(lines[0].substr(18), lines[2].substr(18));  // different days
  const std::vector<std::string> rest(lines.begin() + 4, lines.end());
  const std::vector<std::string> expected = {
      "Path:\t/plates/p1/",
      "Files:\tpre_",
      "",
      "Circle size:\t5",
      "",
      "Settings of Blue/Green",
      "Green cutoff:\t1",
      "Green saturation:\t2",
      "Green stretch:\tNO",
      "Blue Cutoff:\t3",
      "Blue saturation:\t4",
      "Blue stretch:\tYES",
      "",
      "Settings Immigrant cells",
      "Green cutoff:\t6",
      "Blue Cutoff:\t7",
      "Min Size:\t8",
      "Max Size:\t9",
      "Delta Rings:\t11",
  };
  EXPECT_EQ(rest, expected);
  // A well's settings row gives the same block.
  EXPECT_EQ(Texts(SettingsBlockLines(ToWellSettingsRow(s))),
            std::vector<std::string>(expected.begin() + 3, expected.end()));
  // Values are numbers, flags and captions texts.
  EXPECT_EQ(cells[7], (CellLine{std::string("Circle size:"), std::int64_t{5}}));
  EXPECT_EQ(cells[12], (CellLine{std::string("Green stretch:"), std::string("NO")}));
  EXPECT_EQ(cells[4], (CellLine{std::string("Path:"), std::string("/plates/p1/")}));
  EXPECT_EQ(CellLineText({std::string("a"), {}, std::int64_t{-3}, 12.5, true, std::string()}),
            "a\t\t-3\t12,5\tYES\t");
}

}  // namespace
}  // namespace vembrel
