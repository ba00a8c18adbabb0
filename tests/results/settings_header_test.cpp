#include "results/settings_header.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

TEST(SettingsHeader, EachValueLandsOnItsLabelledLine) {
  CentralSettings s;
  s.Cent_COG = 1, s.Cent_SG = 2, s.Cent_KFRG = false, s.Cent_COB = 3, s.Cent_SB = 4;
  s.Cent_diam = 5, s.Cent_LCG = 6, s.Cent_LCB = 7, s.Cent_MINS = 8, s.Cent_MAXS = 9;
  s.Cent_RISI = 11;
  const auto lines = SettingsHeader(s, 45000.75, "/plates/p1/", "pre_", 45001.0);
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
}

}  // namespace
}  // namespace vembrel
