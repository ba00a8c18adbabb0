#include "plate/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_check.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

TEST(SettingsFile, DefaultsAreWrittenAsTheKnownFile) {
  TempDir dir;
  const std::string path = dir.file("defaults.VLS");
  WriteSettingsFile(path, AnalysisSettings{});
  const std::string bytes = ReadFile(path);
  const std::vector<std::string> lines = SplitLines(bytes);
  ASSERT_EQ(lines.size(), 34u);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 34);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 34);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_EQ(lines[0], "[Cent_COG - Cutoff Green in Blue/Green Tab]");
  EXPECT_EQ(lines[32], "[Cent_Cell_Coeff - Coeff of smoothness in Cells Tab]");
  std::string values;
  for (std::size_t k = 1; k < lines.size(); k += 2) values += lines[k] + "|";
  EXPECT_EQ(values,
            "10|10|TRUE|TRUE|155|255|350|100|100|10|255|50|40|30|2000|"
            " 3.00000000000000E+0000| 7.50000000000000E-0001|");
  EXPECT_EQ(ReadSettingsFile(path), AnalysisSettings{});
}

TEST(SettingsFile, FloatTextAndRoundTripOfOtherValues) {
  AnalysisSettings s;
  s.cells.lengthRatio = 12.5;
  s.cells.smoothness = 0.29;
  s.display.blue.fullRange = false;
  s.ring.radius = 1024;
  s.display.green.cutoff = 0;
  s.ring.increment = 7;
  const auto lines = SettingsFileLines(s);
  EXPECT_EQ(lines[7], "FALSE");
  EXPECT_EQ(lines[31], " 1.25000000000000E+0001");
  EXPECT_EQ(lines[33], " 2.90000000000000E-0001");
  s.cells.lengthRatio = -0.5;
  s.cells.smoothness = 0;
  EXPECT_EQ(SettingsFileLines(s)[31], "-5.00000000000000E-0001");
  EXPECT_EQ(SettingsFileLines(s)[33], " 0.00000000000000E+0000");
  s.cells.minimalSize = -1;  // 32 bits read as non-negative
  EXPECT_EQ(SettingsFileLines(s)[27], "4294967295");

  TempDir dir;
  AnalysisSettings back;
  back.cells.lengthRatio = 12.5;
  back.cells.smoothness = 0.29;
  back.display.green.fullRange = false;
  back.cells.maximalSize = 65536;
  WriteSettingsFile(dir.file("s.VLS"), back);
  EXPECT_EQ(ReadSettingsFile(dir.file("s.VLS")), back);
}

TEST(SettingsFile, ReadValueMatchesKeyAfterFirstBracket) {
  const std::vector<std::string> lines{"Cent_COG",  "1", "  [Cent_COB extra", "2",
                                       "[Cent_COB", "3", "[Cent_SB"};
  EXPECT_EQ(SettingsReadValue(lines, "Cent_COG"), "1");  // no bracket: from the first character
  EXPECT_EQ(SettingsReadValue(lines, "Cent_COB"), "2");  // first match wins
  EXPECT_EQ(SettingsReadValue(lines, "Cent_SB"), "Cent_SB");  // last line: the key itself
  EXPECT_EQ(SettingsReadValue(lines, "Cent_SG"), "Cent_SG");
  EXPECT_EQ(SettingsReadValue(lines, "cent_cog"), "cent_cog");  // case matters
}

TEST(SettingsFile, ReaderIsLenientWhereTheFormatAllows) {
  TempDir dir;
  // Only the twelve nuclear keys, blocks in reverse order, lower-case "true",
  // LF line ends: the cell values take their defaults.
  const auto lines = SplitLines(SettingsText({{"Cent_KFRG", "true"}, {"Cent_COG", "12"}}));
  std::string text;
  for (int k = 11; k >= 0; --k) text += lines[2 * k] + "\n" + lines[2 * k + 1] + "\n";
  WriteBytes(dir.file("nuclear.VLS"), text);
  AnalysisSettings expected;
  expected.display.green.fullRange = false;
  expected.display.green.cutoff = 12;
  EXPECT_EQ(ReadSettingsFile(dir.file("nuclear.VLS")), expected);

  // Floats with "," as well as "." and blanks around them.
  WriteBytes(dir.file("comma.VLS"),
             SettingsText({{"Cent_Cell_Ratio", " 2,5"}, {"Cent_Cell_Coeff", "0.5 "}}));
  const AnalysisSettings read = ReadSettingsFile(dir.file("comma.VLS"));
  EXPECT_EQ(read.cells.lengthRatio, 2.5);
  EXPECT_EQ(read.cells.smoothness, 0.5);
}

TEST(SettingsFile, RefusedFilesNameThePathKeyAndText) {
  TempDir dir;
  const struct {
    std::string text;
    std::string message;  // after "Settings file '<path>': "
  } cases[] = {
      {"", "key Cent_COG is missing"},
      {std::string("\x00\xff\x13[Cent_COG]\x00\x01", 10), "key Cent_COG is missing"},
      {SettingsText({{"Cent_COG", std::nullopt}}), "key Cent_COG is missing"},
      {SettingsText({{"Cent_MAXS", std::nullopt}}), "key Cent_MAXS is missing"},
      {SettingsText({{"Cent_SB", "1S5"}}), "Cent_SB: '1S5' is not a valid integer value"},
      {SettingsText({{"Cent_Cell_GCO", ""}}), "Cent_Cell_GCO: '' is not a valid integer value"},
      {SettingsText({{"Cent_Cell_Ratio", "3.0.0"}}),
       "Cent_Cell_Ratio: '3.0.0' is not a valid floating point value"},
      {SettingsText({{"Cent_diam", "2000"}}), "Cent_diam value '2000' is outside 0..1024"},
      {SettingsText({{"Cent_diam", "-3"}}), "Cent_diam value '-3' is outside 0..1024"},
      {SettingsText({{"Cent_RISI", "0"}}), "Cent_RISI value '0' is below 1"},
      {SettingsText({{"Cent_COG", "255"}}), "Cent_COG value '255' is outside 0..254"},
      {SettingsText({{"Cent_MINS", "255"}}), "Cent_MINS value '255' is outside 0..254"},
      {SettingsText({{"Cent_LCB", "256"}}), "Cent_LCB value '256' is outside 0..255"},
      {SettingsText({{"Cent_Cell_Min", "0"}}), "Cent_Cell_Min value '0' is outside 1..4096"},
      {SettingsText({{"Cent_Cell_Max", "70000"}}),
       "Cent_Cell_Max value '70000' is outside 1..65536"},
      {SettingsText({{"Cent_Cell_Ratio", "0.04"}}),
       "Cent_Cell_Ratio value '0.04' is outside 1..200 tenths"},
      {SettingsText({{"Cent_Cell_Coeff", "1,2"}}),
       "Cent_Cell_Coeff value '1,2' is outside 0..100 hundredths"},
      {SettingsText({{"Cent_COB", "160"}}), "Cent_COB value '160' is not below Cent_SB 155"},
      {SettingsText({{"Cent_MINS", "200"}, {"Cent_MAXS", "150"}}),
       "Cent_MINS value '200' is not below Cent_MAXS 150"},
  };
  const std::string path = dir.file("bad.VLS");
  for (const auto& c : cases) {
    WriteBytes(path, c.text);
    try {
      (void)ReadSettingsFile(path);
      ADD_FAILURE() << c.message << ": accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Settings file '" + path + "': " + c.message);
    }
  }
  EXPECT_THROW(ReadSettingsFile(dir.file("absent.VLS")), Error);
}

TEST(SettingsFile, LimitsOfTheControlsAreAccepted) {
  AnalysisSettings s;
  s.display.green.cutoff = 254, s.display.green.saturation = 255, s.display.blue.cutoff = 0,
  s.display.blue.saturation = 1, s.ring.radius = 0;
  s.nuclei.minimalSize = 0, s.nuclei.maximalSize = 1, s.ring.increment = 1,
  s.cells.minimalSize = 4096;
  s.cells.maximalSize = 1, s.cells.lengthRatio = 20.0, s.cells.smoothness = 1.0;
  EXPECT_FALSE(FindSettingsProblem(s).has_value());
  s.cells.lengthRatio = 20.1;
  ASSERT_TRUE(FindSettingsProblem(s).has_value());
  EXPECT_EQ(FindSettingsProblem(s)->key, "Cent_Cell_Ratio");
}

TEST(SettingsFile, SaveNameGetsTheExtensionOnlyWhenItHasNone) {
  EXPECT_EQ(WithSettingsExtension("/a/run"), "/a/run.VLS");
  EXPECT_EQ(WithSettingsExtension("/a/run.txt"), "/a/run.txt");
  EXPECT_EQ(WithSettingsExtension("/a.b/run"), "/a.b/run.VLS");
}

}  // namespace
}  // namespace vembrel::testing
