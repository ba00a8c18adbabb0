#include "results/settings_header.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

TEST(SettingsHeader, DefaultSettingsGiveTheKnownLines) {
  const auto lines = SettingsHeader(CentralSettings{}, 45000.75, "/plates/p1/", "pre_", 45001.0);
  ASSERT_EQ(lines.size(), 23u);  // lines 2 to 24 of the summary header
  EXPECT_EQ(lines[0].rfind("Measurement date: ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("Vembrel analysis: ", 0), 0u);
  EXPECT_NE(lines[0].substr(18), lines[2].substr(18));  // different days
  EXPECT_EQ(lines[4], "Path:\t/plates/p1/");
  EXPECT_EQ(lines[5], "Files:\tpre_");
  const std::vector<std::string> rest(lines.begin() + 6, lines.end());
  const std::vector<std::string> expected = {
      "",
      "Circle size:\t350",
      "",
      "Settings of Blue/Green",
      "Green cutoff:\t10",
      "Green saturation:\t255",
      "Green stretch:\tYES",
      "Blue Cutoff:\t10",
      "Blue saturation:\t155",
      "Blue stretch:\tYES",
      "",
      "Settings Immigrant cells",
      "Green cutoff:\t100",
      "Blue Cutoff:\t100",
      "Min Size:\t10",
      "Max Size:\t255",
      "Delta Rings:\t50",
  };
  EXPECT_EQ(rest, expected);
}

TEST(SettingsHeader, EachValueLandsOnItsOwnLine) {
  CentralSettings s;
  s.Cent_COG = 1, s.Cent_SG = 2, s.Cent_KFRG = false, s.Cent_COB = 3, s.Cent_SB = 4;
  s.Cent_KFRb = false, s.Cent_diam = 5, s.Cent_LCG = 6, s.Cent_LCB = 7, s.Cent_MINS = 8;
  s.Cent_MAXS = 9, s.Cent_RISI = 11;
  const auto lines = SettingsHeader(s, 0, "", "", 0);
  EXPECT_EQ(lines[7], "Circle size:\t5");
  EXPECT_EQ(lines[10], "Green cutoff:\t1");
  EXPECT_EQ(lines[11], "Green saturation:\t2");
  EXPECT_EQ(lines[12], "Green stretch:\tNO");
  EXPECT_EQ(lines[13], "Blue Cutoff:\t3");
  EXPECT_EQ(lines[14], "Blue saturation:\t4");
  EXPECT_EQ(lines[15], "Blue stretch:\tNO");
  EXPECT_EQ(lines[18], "Green cutoff:\t6");
  EXPECT_EQ(lines[19], "Blue Cutoff:\t7");
  EXPECT_EQ(lines[20], "Min Size:\t8");
  EXPECT_EQ(lines[21], "Max Size:\t9");
  EXPECT_EQ(lines[22], "Delta Rings:\t11");
}

}  // namespace
}  // namespace vembrel
