#include "plate/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_check.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::TempDir;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Settings file lines with one key's value line replaced.
std::vector<std::string> WithValue(std::vector<std::string> lines, const std::string& key,
                                   const std::string& value) {
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].rfind("[" + key + " ", 0) == 0) lines[i + 1] = value;
  }
  return lines;
}

TEST(SettingsFile, DefaultsAreWrittenAsTheKnownFile) {
  TempDir dir;
  const std::string path = dir.file("defaults.VLS");
  WriteSettingsFile(path, CentralSettings{});
  const std::string bytes = testing::ReadFile(path);
  const std::vector<std::string> lines = SplitLines(bytes);
  ASSERT_EQ(lines.size(), 34u);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 34);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 34);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_EQ(lines[0], "[Cent_COG - Cutoff Green in Blue/Green Tab]");
  EXPECT_EQ(lines[32], "[Cent_Cell_Coeff - Coeff of smoothness in Cells Tab]");
  const std::vector<std::string> values{"10",
                                        "10",
                                        "TRUE",
                                        "TRUE",
                                        "155",
                                        "255",
                                        "350",
                                        "100",
                                        "100",
                                        "10",
                                        "255",
                                        "50",
                                        "40",
                                        "30",
                                        "2000",
                                        " 3.00000000000000E+0000",
                                        " 7.50000000000000E-0001"};
  for (std::size_t k = 0; k < values.size(); ++k) EXPECT_EQ(lines[2 * k + 1], values[k]) << k;
  EXPECT_EQ(ReadSettingsFile(path), CentralSettings{});
}

TEST(SettingsFile, FloatTextAndRoundTripOfOtherValues) {
  CentralSettings s;
  s.Cent_Cell_Ratio = 12.5;
  s.Cent_Cell_Coeff = 0.29;
  s.Cent_KFRb = false;
  s.Cent_diam = 1024;
  s.Cent_COG = 0;
  s.Cent_RISI = 7;
  const auto lines = SettingsFileLines(s);
  EXPECT_EQ(lines[7], "FALSE");
  EXPECT_EQ(lines[31], " 1.25000000000000E+0001");
  EXPECT_EQ(lines[33], " 2.90000000000000E-0001");
  s.Cent_Cell_Ratio = -0.5;
  s.Cent_Cell_Coeff = 0;
  EXPECT_EQ(SettingsFileLines(s)[31], "-5.00000000000000E-0001");
  EXPECT_EQ(SettingsFileLines(s)[33], " 0.00000000000000E+0000");
  s.Cent_Cell_Min = -1;  // 32 bits read as non-negative
  EXPECT_EQ(SettingsFileLines(s)[27], "4294967295");

  TempDir dir;
  CentralSettings back;
  back.Cent_Cell_Ratio = 12.5;
  back.Cent_Cell_Coeff = 0.29;
  back.Cent_KFRG = false;
  back.Cent_Cell_Max = 65536;
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
  auto lines = SettingsFileLines(CentralSettings{});
  lines.resize(24);
  lines = WithValue(lines, "Cent_KFRG", "true");
  lines = WithValue(lines, "Cent_COG", "12");
  std::vector<std::string> reversed;
  for (int k = 11; k >= 0; --k) {
    reversed.push_back(lines[2 * k]);
    reversed.push_back(lines[2 * k + 1]);
  }
  std::string text;
  for (const auto& line : reversed) text += line + "\n";
  WriteFileAtomically(dir.file("nuclear.VLS"), text);
  CentralSettings expected;
  expected.Cent_KFRG = false;
  expected.Cent_COG = 12;
  EXPECT_EQ(ReadSettingsFile(dir.file("nuclear.VLS")), expected);

  // Floats with "," as well as "." and blanks around them.
  auto comma = WithValue(SettingsFileLines(CentralSettings{}), "Cent_Cell_Ratio", " 2,5");
  comma = WithValue(comma, "Cent_Cell_Coeff", "0.5 ");
  WriteFileAtomically(dir.file("comma.VLS"), Joined(comma));
  const CentralSettings read = ReadSettingsFile(dir.file("comma.VLS"));
  EXPECT_EQ(read.Cent_Cell_Ratio, 2.5);
  EXPECT_EQ(read.Cent_Cell_Coeff, 0.5);
}

TEST(SettingsFile, RefusedFilesNameThePathKeyAndText) {
  TempDir dir;
  const auto defaults = SettingsFileLines(CentralSettings{});
  auto missing = defaults;
  missing.erase(missing.begin(), missing.begin() + 2);  // no Cent_COG
  auto inverted = WithValue(defaults, "Cent_COB", "160");
  auto minAboveMax = WithValue(WithValue(defaults, "Cent_MINS", "200"), "Cent_MAXS", "150");
  struct Case {
    std::vector<std::string> lines;
    std::string key;
    std::string text;
  };
  const std::vector<Case> cases{
      {WithValue(defaults, "Cent_SB", "1S5"), "Cent_SB", "'1S5'"},
      {missing, "Cent_COG", "missing"},
      {WithValue(defaults, "Cent_diam", "2000"), "Cent_diam", "'2000'"},
      {WithValue(defaults, "Cent_diam", "-3"), "Cent_diam", "'-3'"},
      {WithValue(defaults, "Cent_RISI", "0"), "Cent_RISI", "'0'"},
      {inverted, "Cent_COB", "'160'"},
      {WithValue(defaults, "Cent_COG", "255"), "Cent_COG", "'255'"},
      {minAboveMax, "Cent_MINS", "'200'"},
      {WithValue(defaults, "Cent_LCB", "256"), "Cent_LCB", "'256'"},
      {WithValue(defaults, "Cent_Cell_Min", "0"), "Cent_Cell_Min", "'0'"},
      {WithValue(defaults, "Cent_Cell_Max", "70000"), "Cent_Cell_Max", "'70000'"},
      {WithValue(defaults, "Cent_Cell_Ratio", "0.04"), "Cent_Cell_Ratio", "'0.04'"},
      {WithValue(defaults, "Cent_Cell_Ratio", "3.0.0"), "Cent_Cell_Ratio", "'3.0.0'"},
      {WithValue(defaults, "Cent_Cell_Coeff", "1,2"), "Cent_Cell_Coeff", "'1,2'"},
      {WithValue(defaults, "Cent_Cell_GCO", ""), "Cent_Cell_GCO", "''"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("bad.VLS");
    WriteFileAtomically(path, Joined(c.lines));
    try {
      (void)ReadSettingsFile(path);
      ADD_FAILURE() << c.key << " " << c.text << " accepted";
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(path), std::string::npos) << message;
      EXPECT_NE(message.find(c.key), std::string::npos) << message;
      EXPECT_NE(message.find(c.text), std::string::npos) << message;
    }
  }
  EXPECT_THROW(ReadSettingsFile(dir.file("absent.VLS")), Error);
}

TEST(SettingsFile, LimitsOfTheControlsAreAccepted) {
  CentralSettings s;
  s.Cent_COG = 254;
  s.Cent_SG = 255;
  s.Cent_COB = 0;
  s.Cent_SB = 1;
  s.Cent_diam = 0;
  s.Cent_MINS = 0;
  s.Cent_MAXS = 1;
  s.Cent_RISI = 1;
  s.Cent_Cell_Min = 4096;
  s.Cent_Cell_Max = 1;
  s.Cent_Cell_Ratio = 20.0;
  s.Cent_Cell_Coeff = 1.0;
  EXPECT_FALSE(FindSettingsProblem(s).has_value());
  s.Cent_Cell_Ratio = 20.1;
  ASSERT_TRUE(FindSettingsProblem(s).has_value());
  EXPECT_EQ(FindSettingsProblem(s)->key, "Cent_Cell_Ratio");
}

TEST(SettingsFile, SaveNameGetsTheExtensionOnlyWhenItHasNone) {
  EXPECT_EQ(WithSettingsExtension("/a/run"), "/a/run.VLS");
  EXPECT_EQ(WithSettingsExtension("/a/run.txt"), "/a/run.txt");
  EXPECT_EQ(WithSettingsExtension("/a.b/run"), "/a.b/run.VLS");
}

}  // namespace
}  // namespace vembrel
