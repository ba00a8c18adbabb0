#include "results/spreadsheet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>

#include "core/error.h"
#include "core/text_file.h"
#include "support/result_files.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::Unzipped;

using testing::TempDir;

std::string Unescape(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (std::size_t at; (at = text.find(from)) != std::string::npos;)
      text.replace(at, strlen(from), to);
  }
  return text;
}

// Cell reference ("B3") to its text, or "#" and the number of a numeric
// cell, read from the workbook's XML.
std::map<std::string, std::string> ReadSheet(const std::string& workbook) {
  std::vector<std::string> strings;
  const std::string shared = Unzipped(workbook, "xl/sharedStrings.xml");
  const std::regex si("<si><t(?: [^>]*)?>([^<]*)</t></si>");
  for (auto it = std::sregex_iterator(shared.begin(), shared.end(), si);
       it != std::sregex_iterator(); ++it) {
    strings.push_back(Unescape((*it)[1]));
  }
  std::map<std::string, std::string> cells;
  const std::string sheet = Unzipped(workbook, "xl/worksheets/sheet1.xml");
  const std::regex c("<c r=\"([A-Z]+[0-9]+)\"[^>]*t=\"s\"[^>]*><v>([0-9]+)</v></c>");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), c); it != std::sregex_iterator();
       ++it) {
    cells[(*it)[1]] = strings.at(std::stoul((*it)[2]));
  }
  const std::regex n("<c r=\"([A-Z]+[0-9]+)\"(?: s=\"[0-9]+\")?><v>([^<]*)</v></c>");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), n); it != std::sregex_iterator();
       ++it) {
    cells[(*it)[1]] = "#" + std::string((*it)[2]);
  }
  return cells;
}

TEST(SummaryNumber, TakesTheSummarysIntegersAndCommaDecimalsOnly) {
  EXPECT_EQ(SummaryNumber("0"), 0.0);
  EXPECT_EQ(SummaryNumber("-12"), -12.0);
  EXPECT_EQ(SummaryNumber("12,5"), 12.5);
  EXPECT_EQ(SummaryNumber("0,75"), 0.75);
  EXPECT_EQ(SummaryNumber("123456789012345"), 123456789012345.0);
  for (const char* text : {"", "-", "0007", "12.5", "12,", ",5", "1,2,3", "1e3", " 1", "YES",
                           "1234567890123456", "12,5 pixel"}) {
    EXPECT_FALSE(SummaryNumber(text).has_value()) << text;
  }
}

TEST(Workbook, HoldsNumbersAsNumbersAndTextAsTextOnTheMigrationSheet) {
  TempDir dir;
  const std::string summary = dir.file("pre_Vembrel.csv");
  WriteFileAtomically(
      summary,
      "\r\nMeasurement date: 1/2/23\r\nPath:\t/a&b/<p>/\r\nRadii\r\n12,5\t25\t0007\t\r\n"
      "\t\t1\t\r\nB\t\t\t400\t401\t\r\nGr\xfcn\t\r\n");
  const std::string workbook = WorkbookFileName(dir.path().string() + "/", "pre_");
  EXPECT_EQ(workbook, dir.path().string() + "/pre_Vembrel.xlsx");
  WorkbookFromSummary(summary, workbook);

  const std::string book = Unzipped(workbook, "xl/workbook.xml");
  EXPECT_NE(book.find("<sheet name=\"Migration\""), std::string::npos) << book;
  EXPECT_EQ(book.find("<sheet name=", book.find("<sheet name=") + 1), std::string::npos);

  const std::map<std::string, std::string> expected = {
      {"A2", "Measurement date: 1/2/23"},
      {"A3", "Path:"},
      {"B3", "/a&b/<p>/"},
      {"A4", "Radii"},
      {"A5", "#12.5"},
      {"B5", "#25"},
      {"C5", "0007"},  // leading zeros: a code, not a number
      {"C6", "#1"},
      {"A7", "B"},
      {"D7", "#400"},
      {"E7", "#401"},
      {"A8", "Gr\xc3\xbcn"},  // the 8-bit text read as Latin-1
  };
  EXPECT_EQ(ReadSheet(workbook), expected);
}

}  // namespace
}  // namespace vembrel
