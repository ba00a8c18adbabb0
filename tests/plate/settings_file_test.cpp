#include "plate/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/error.h"
#include "core/text_file.h"
#include "plate/settings_table.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

// The message after "Settings file '<path>': ", or "accepted".
std::string Refusal(const std::string& path) {
  try {
    (void)ReadSettingsFile(path);
    return "accepted";
  } catch (const Error& e) {
    const std::string prefix = "Settings file '" + path + "': ";
    const std::string message = e.what();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : "unnamed: " + message;
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The file's form is pinned by the golden saved.VLS; here the values no
// slider gives: negative decimals and sizes beyond 31 bits.
TEST(SettingsFile, ValuesBeyondTheSlidersAreWrittenAsTheFormatHasThem) {
  AnalysisSettings s;
  s.cells.lengthRatio = -0.5;
  s.cells.smoothness = 0;
  s.cells.minimalSize = -1;  // 32 bits read as non-negative
  EXPECT_EQ(SettingsFileLines(s)[31], "-5.00000000000000E-0001");
  EXPECT_EQ(SettingsFileLines(s)[33], " 0.00000000000000E+0000");
  EXPECT_EQ(SettingsFileLines(s)[27], "4294967295");
}

TEST(SettingsFile, EveryValueRoundTripsAtTheEndsOfItsRange) {
  TempDir dir;
  for (const bool atMaximum : {false, true}) {
    AnalysisSettings s;
    for (const SettingDescriptor& d : AllSettings()) {
      SetSetting(s, d.id, FromSliderPosition(d, atMaximum ? d.maximum : d.minimum));
    }
    WriteSettingsFile(dir.file("ends.VLS"), s);
    EXPECT_EQ(ReadSettingsFile(dir.file("ends.VLS")), s) << atMaximum;
  }
}

TEST(SettingsFile, EarlierAndHandWrittenFormsAreRead) {
  TempDir dir;
  // The twelve nuclear keys as "[<key>]" in reverse order, LF line ends, blank
  // lines and flags in any case with blanks: the cell values take their defaults.
  const auto lines = SplitLines(SettingsText({{"Cent_KFRG", " false\t"}, {"Cent_KFRb", "True"}}));
  std::string text = "\n";
  for (int k = 11; k >= 0; --k) {
    const std::string key = lines[2 * k].substr(0, lines[2 * k].find(' '));
    text += key + "]\n" + lines[2 * k + 1] + "\n  \n";
  }
  WriteBytes(dir.file("nuclear.VLS"), text);
  AnalysisSettings expected;
  expected.display.green.fullRange = false;
  EXPECT_EQ(ReadSettingsFile(dir.file("nuclear.VLS")), expected);

  // Decimals with "," as well as "." and blanks around them.
  WriteBytes(dir.file("comma.VLS"),
             SettingsText({{"Cent_Cell_Ratio", " 2,5"}, {"Cent_Cell_Coeff", "0.5 "}}));
  const AnalysisSettings read = ReadSettingsFile(dir.file("comma.VLS"));
  EXPECT_EQ(read.cells.lengthRatio, 2.5);
  EXPECT_EQ(read.cells.smoothness, 0.5);
}

TEST(SettingsFile, MalformedFilesAreRefusedNamingLineKeyAndText) {
  TempDir dir;
  const std::string defaults = SettingsText();
  const std::string longValue(200, '7');
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "key Cent_COG is missing"},
      {SettingsText({{"Cent_MAXS", std::nullopt}}), "key Cent_MAXS is missing"},
      {SettingsText({{"Cent_KFRb", std::nullopt}}), "key Cent_KFRb is missing"},
      {SettingsText({{"Cent_KFRG", "yes"}}), "Cent_KFRG: 'yes' is not TRUE or FALSE"},
      {SettingsText({{"Cent_KFRb", ""}}), "Cent_KFRb: '' is not TRUE or FALSE"},
      {defaults + "[Cent_COB]\r\n12\r\n", "key Cent_COB is given twice (lines 3 and 35)"},
      {Replaced(defaults, "[Cent_diam - Radius of circle in Green Tab]", "[Cent_diamXYZ"),
       "line 13 is not a known key line: '[Cent_diamXYZ'"},
      {Replaced(defaults, "[Cent_diam - Radius of circle in Green Tab]", "[Cent_diam - Radius]"),
       "line 13 is not a known key line: '[Cent_diam - Radius]'"},
      {Replaced(defaults, "[Cent_SB - ", " [Cent_SB - "),
       "line 9 is not a known key line: ' [Cent_SB - Saturation Blue in Blue/Green Tab]'"},
      {Replaced(defaults, "[Cent_COG", "[cent_cog"),
       "line 1 is not a known key line: '[cent_cog - Cutoff Green in Blue/Green Tab]'"},
      {defaults + "stray\r\n", "line 35 is not a known key line: 'stray'"},
      {std::string("\x00\xff\x13[Cent_COG]\x00\x01", 15),
       "line 1 is not a known key line: '?\xff?[Cent_COG]?"
       "?'"},
      {SettingsText({{"Cent_Cell_Coeff", std::nullopt}}) + "[Cent_Cell_Coeff]",
       "key Cent_Cell_Coeff on line 33 has no value line"},
      {Replaced(defaults, "10\r\n[Cent_COB", "[Cent_COB"),
       "key Cent_COG on line 1 has no value line"},
      {SettingsText({{"Cent_SB", "1S5"}}), "Cent_SB: '1S5' is not a valid integer value"},
      {SettingsText({{"Cent_SB", longValue + "x"}}),
       "Cent_SB: '" + longValue.substr(0, 80) + "'... is not a valid integer value"},
      {SettingsText({{"Cent_Cell_Ratio", "3.0.0"}}),
       "Cent_Cell_Ratio: '3.0.0' is not a valid floating point value"},
  };
  const std::string path = dir.file("bad.VLS");
  for (const auto& c : cases) {
    WriteBytes(path, c.text);
    EXPECT_EQ(Refusal(path), c.message);
  }
}

// The rules are the table's; the file names the key and keeps the text read.
TEST(SettingsFile, ValuesOutsideTheirRangesOrOrderAreRefused) {
  TempDir dir;
  const std::string path = dir.file("bad.VLS");
  const struct {
    SettingsChanges changes;
    std::string message;
  } cases[] = {
      {{{"Cent_diam", "0"}}, "Cent_diam value '0' is outside 1..1024"},
      {{{"Cent_Cell_Coeff", "1,006"}}, "Cent_Cell_Coeff value '1,006' is outside 0..1"},
      {{{"Cent_COB", "160"}}, "Cent_COB value '160' is not below Cent_SB 155"},
      {{{"Cent_Cell_Min", std::nullopt}, {"Cent_Cell_Max", "20"}},
       "Cent_Cell_Min value 30 (the default) is above Cent_Cell_Max 20"},
      {{{"Cent_Cell_Min", "300"}, {"Cent_Cell_Max", "300"}}, "accepted"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, SettingsText(c.changes));
    EXPECT_EQ(Refusal(path), c.message);
  }
}

TEST(SettingsFile, OnlySmallRegularFilesAreRead) {
  TempDir dir;
  const std::string fifo = dir.file("fifo.VLS");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Refusal(fifo), "not a regular file");  // at once, with no writer
  EXPECT_EQ(Refusal("/dev/zero"), "not a regular file");
  EXPECT_EQ(Refusal(dir.path().string()), "not a regular file");
  EXPECT_EQ(Refusal(dir.file("absent.VLS")), "cannot be opened (No such file or directory)");

  // Blank lines fill a good file to the limit; one byte more is too much.
  std::string text = SettingsText();
  text += std::string(kSettingsFileLimit - text.size(), '\n');
  WriteBytes(dir.file("full.VLS"), text);
  EXPECT_EQ(Refusal(dir.file("full.VLS")), "accepted");
  WriteBytes(dir.file("large.VLS"), text + "\n");
  EXPECT_EQ(Refusal(dir.file("large.VLS")), "larger than 64 KB (65537 bytes)");
  std::filesystem::create_symlink(dir.file("full.VLS"), dir.file("link.VLS"));
  EXPECT_EQ(Refusal(dir.file("link.VLS")), "accepted");
}

TEST(SettingsFile, SaveNameGetsTheExtensionOnlyWhenItHasNone) {
  EXPECT_EQ(WithSettingsExtension("/a/run"), "/a/run.VLS");
  EXPECT_EQ(WithSettingsExtension("/a/run.txt"), "/a/run.txt");
  EXPECT_EQ(WithSettingsExtension("/a.b/run"), "/a.b/run.VLS");
}

}  // namespace
}  // namespace vembrel::testing
