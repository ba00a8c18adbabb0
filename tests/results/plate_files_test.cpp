// The plate files of a real cell-level batch: the tables hold the summary
// file's numbers for every well, the workbook reads back with numbers as
// numbers, the manifest fingerprints every input, a plate file that cannot
// be written is reported without stopping the others, and the report page
// renders in a real browser with every analysed well.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "core/text_file.h"
#include "engine/analysed_well.h"
#include "imaging/file_fingerprint.h"
#include "plate/well_names.h"
#include "results/run_manifest.h"
#include "results/spreadsheet.h"
#include "results/table.h"
#include "support/command_run.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// One grid of the summary: well name to its cell text.
std::map<std::string, std::string> SummaryGrid(const std::vector<std::string>& lines,
                                               const std::string& title) {
  std::map<std::string, std::string> values;
  const auto at = std::find(lines.begin(), lines.end(), title);
  EXPECT_NE(at, lines.end()) << title;
  if (at == lines.end()) return values;
  for (int r = 0; r < 8; ++r) {
    const CellRow cells = SplitCells(at[2 + r]);
    for (int c = 1; c <= 12; ++c) values[WellName(r * 12 + c - 1)] = cells.at(c);
  }
  return values;
}

class PlateFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    gap_ = FindDemoWell(kSeed, [](const DemoWell& w) {
      return w.greenField != kAllFields && w.greenField != std::array<bool, 4>{};
    });
    ASSERT_GE(gap_, 0);
    WriteDemoPlate(dir_->file("pictures"), kSeed, {0, 1, 2, 13, gap_, 95});
    run_ =
        new CommandRun(RunVembrel("batch " + Quoted(dir_->file("pictures/DEMO_A01f00d0.tif")) +
                                  " --cells --jobs 2 --results " + Quoted(dir_->file("results"))));
  }
  static void TearDownTestSuite() {
    delete run_;
    delete dir_;
  }
  static fs::path results(const std::string& name) { return dir_->path() / "results" / name; }

  static constexpr std::uint32_t kSeed = 1;
  static inline TempDir* dir_ = nullptr;
  static inline CommandRun* run_ = nullptr;
  static inline int gap_ = -1;
};

TEST(Tables, FieldsAreQuotedWhereNeededAndDecimalsReadBackExactly) {
  EXPECT_EQ(CsvField(TableValue()), "");
  EXPECT_EQ(CsvField(true), "true");
  EXPECT_EQ(CsvField(std::int64_t{-12}), "-12");
  EXPECT_EQ(CsvField(std::string("missing_field;saturated")), "missing_field;saturated");
  EXPECT_EQ(CsvField(std::string("a,b")), "\"a,b\"");
  EXPECT_EQ(CsvField(std::string("say \"hi\"\n")), "\"say \"\"hi\"\"\\n\"");
  EXPECT_EQ(CsvField(std::string("caf\xE9\tA")), "caf\xEF\xBF\xBD\\tA");
  // Formulas stay text; numbers, negative ones too, stay numbers.
  for (const char* formula : {"=HYPERLINK(\"x\")", "+1", "-1", "@SUM(A1)"}) {
    std::string quoted = "'";
    for (const char ch : std::string(formula)) quoted += ch == '"' ? "\"\"" : std::string(1, ch);
    EXPECT_EQ(CsvField(std::string(formula)), "\"" + quoted + "\"") << formula;
  }
  EXPECT_EQ(CsvField(std::string("a=b-c")), "a=b-c");
  EXPECT_EQ(CsvField(std::string("")), "");
  EXPECT_EQ(CsvField(-1.5), "-1.5");
  EXPECT_EQ(ExactDecimalText(0.1), "0.1");
  EXPECT_EQ(ExactDecimalText(12.0), "12");
  for (const double value :
       {1.0 / 3.0, 2.5e-7, 1.9189640838044566, -1e300, 2.2250738585072014e-308}) {
    EXPECT_EQ(std::stod(ExactDecimalText(value)), value) << ExactDecimalText(value);
  }
}

TEST_F(PlateFilesTest, TablesHoldTheSummarysNumbersForEveryWell) {
  ASSERT_EQ(run_->exitCode, 0) << run_->err;
  const std::vector<std::string> summary = SplitLines(ReadFile(results("DEMO_Vembrel.csv")));
  const auto wells = ReadCsvRows(results("DEMO_Vembrel_wells.csv"));
  ASSERT_EQ(wells.size(), 96u);
  const std::pair<const char*, const char*> grids[] = {
      {"nuclei", "Numer of Cells"},
      {"average_distance", "Average distance"},
      {"average_nucleus_size", "Average Nuclear Size"},
      {"pixels", "Total nuclear Area"},
      {"calculated_nuclei", "Calculated Number of Nuclei"},
      {"total_nuclei", "Total number of cells"}};
  for (const auto& [column, title] : grids) {
    const auto grid = SummaryGrid(summary, title);
    for (const auto& row : wells) EXPECT_EQ(row.at(column), grid.at(row.at("well"))) << column;
  }
  // Ring centres: the coordinate grid holds X and Y side by side.
  const auto coordinates = std::find(summary.begin(), summary.end(), "All X & Y coordinates");
  ASSERT_NE(coordinates, summary.end());
  int analysed = 0;
  for (int w = 0; w < 96; ++w) {
    const auto& row = wells[w];
    EXPECT_EQ(row.at("well"), WellName(w));
    const CellRow cells = SplitCells(coordinates[3 + w / 12]);
    EXPECT_EQ(row.at("ring_x"), cells.at(1 + 2 * (w % 12)));
    EXPECT_EQ(row.at("ring_y"), cells.at(2 + 2 * (w % 12)));
    EXPECT_EQ(row.at("included"), row.at("nuclei").empty() ? "false" : "true");
    analysed += row.at("nuclei").empty() ? 0 : 1;
  }
  EXPECT_EQ(analysed, 6);
  EXPECT_NE(wells[gap_].at("qc").find("missing_field"), std::string::npos);

  // Density rows: the summary's cells and area pairs, in ring order.
  const auto density = ReadCsvRows(results("DEMO_Vembrel_density.csv"));
  const auto table = std::find(summary.begin(), summary.end(), "Density of cells");
  ASSERT_NE(table, summary.end());
  std::size_t next = 0;
  for (int w = 0; w < 96; ++w) {
    const CellRow pairs = SplitCells(table[6 + w]);
    for (std::size_t k = 1; k + 1 < pairs.size() && !pairs[k].empty(); k += 2, ++next) {
      ASSERT_LT(next, density.size());
      EXPECT_EQ(density[next].at("well"), WellName(w));
      EXPECT_EQ(density[next].at("ring"), std::to_string((k + 1) / 2));
      EXPECT_EQ(density[next].at("cells"), pairs[k]);
      EXPECT_EQ(density[next].at("area"), pairs[k + 1]);
      EXPECT_EQ(std::stod(density[next].at("density")),
                std::stod(pairs[k]) / std::stod(pairs[k + 1]));
    }
  }
  EXPECT_EQ(next, density.size());

  // Nuclei and cells: one row per immigrant nucleus and per kept cell.
  std::map<std::string, int> nuclei, cells;
  for (const auto& row : ReadCsvRows(results("DEMO_Vembrel_nuclei.csv"))) ++nuclei[row.at("well")];
  for (const auto& row : ReadCsvRows(results("DEMO_Vembrel_cells.csv"))) {
    ++cells[row.at("well")];
    EXPECT_TRUE(std::regex_match(row.at("class"), std::regex("(round|oval)_(rough|smooth)")));
  }
  for (const auto& row : wells) {
    if (row.at("nuclei").empty()) continue;
    EXPECT_EQ(std::to_string(nuclei[row.at("well")]), row.at("nuclei")) << row.at("well");
    EXPECT_EQ(std::to_string(cells[row.at("well")]), row.at("cells_kept")) << row.at("well");
  }
}

TEST_F(PlateFilesTest, WorkbookReadsBackWithNumbersAsNumbers) {
  ASSERT_EQ(run_->exitCode, 0) << run_->err;
  if (!RunShell("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null").first) {
    GTEST_SKIP() << "python3-openpyxl is not installed (scripts/install-deps.sh installs it)";
  }
  const std::string script = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": book.sheetnames, "created": book.properties.created.isoformat()}
for sheet in book.worksheets:
    kinds = {"number": 0, "text": 0}
    for row in sheet.iter_rows():
        for cell in row:
            if isinstance(cell.value, (int, float)) and not isinstance(cell.value, bool):
                kinds["number"] += 1
            elif isinstance(cell.value, str):
                kinds["text"] += 1
    out[sheet.title] = {"kinds": kinds, "rows": sheet.max_row,
                        "A2": [c.value for c in sheet[2]]}
print(json.dumps(out))
)";
  WriteBytes(dir_->path() / "read.py", script);
  const auto [ok, out] = RunShell("/usr/bin/python3 " + Quoted(dir_->file("read.py")) + " " +
                                  Quoted(results("DEMO_Vembrel.xlsx").string()));
  ASSERT_TRUE(ok) << out;
  const Json book = Json::parse(out);
  EXPECT_EQ(book["sheets"], Json({"Migration", "Wells", "Cells"}));
  EXPECT_GT(book["Migration"]["kinds"]["number"].get<int>(), 200) << out;
  EXPECT_EQ(book["Wells"]["rows"], 97);
  const Json a01 = book["Wells"]["A2"];
  const auto wells = ReadCsvRows(results("DEMO_Vembrel_wells.csv"));
  EXPECT_EQ(a01[1], "A01");
  EXPECT_EQ(a01[2], true);
  EXPECT_EQ(a01[6], std::stod(wells[0].at("nuclei")));  // a number, not its text
  // The workbook keeps 16 significant digits (a spreadsheet shows 15); the tables are exact.
  EXPECT_DOUBLE_EQ(a01[21].get<double>(), std::stod(wells[0].at("elongation_median")));
  EXPECT_EQ(book["Cells"]["rows"].get<std::size_t>(),
            ReadCsvRows(results("DEMO_Vembrel_cells.csv")).size() + 1);
}

TEST_F(PlateFilesTest, ManifestFingerprintsEveryInputAndNamesTheMissing) {
  ASSERT_EQ(run_->exitCode, 0) << run_->err;
  const Json manifest = Json::parse(ReadFile(results("DEMO_Vembrel_run.json")));
  EXPECT_EQ(manifest["program"]["version"], ProgramVersion());
  EXPECT_NE(manifest["command_line"].get<std::string>().find("--cells --jobs 2"),
            std::string::npos);
  EXPECT_TRUE(std::regex_match(manifest["started"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")));
  EXPECT_EQ(manifest["settings"]["ring"]["radius"], 350);
  EXPECT_EQ(manifest["wells"]["analysed"].size(), 6u);
  EXPECT_EQ(manifest["wells"]["flagged"][0]["well"], WellName(gap_));
  const Json& inputs = manifest["inputs"];
  ASSERT_EQ(inputs.size(), 6u * 8u);
  int missing = 0;
  for (const Json& input : inputs) {
    const fs::path file = dir_->path() / "pictures" / input["file"].get<std::string>();
    if (input.contains("xxh3")) {
      const std::string bytes = ReadFile(file);
      EXPECT_EQ(input["size"], bytes.size());
      EXPECT_EQ(input["xxh3"], FingerprintText(FingerprintOf(bytes.data(), bytes.size()).xxh3));
    } else {
      ++missing;
      EXPECT_EQ(input["well"], WellName(gap_));
      EXPECT_EQ(input["problem"], "missing");
      EXPECT_FALSE(fs::exists(file));
    }
  }
  EXPECT_GT(missing, 0);
  EXPECT_EQ(manifest["field_problems"].size(), static_cast<std::size_t>(missing));
}

TEST(PlateFiles, OneThatCannotBeWrittenIsReportedAndTheOthersAreWritten) {
  TempDir dir;
  WriteDemoPlate(dir.file("pictures"), 2, {0, 1});
  fs::create_directories(dir.path() / "DEMO_Vembrel_nuclei.csv");  // a folder in its place
  WriteBytes(dir.file("DEMO_Vembrel_cells.csv"), "an earlier cell-level run's cells\n");
  const char* const mapTables[] = {"DEMO_Vembrel_conditions.csv", "DEMO_Vembrel_plate_quality.csv",
                                   "DEMO_Vembrel_dose_response.csv"};
  for (const char* table : mapTables) WriteBytes(dir.file(table), "an earlier mapped run's\n");
  const CommandRun run =
      RunVembrel("batch " + Quoted(dir.file("pictures/DEMO_A01f00d0.tif")) + " --jobs 1");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(dir.file("DEMO_Vembrel_nuclei.csv")), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("Failed: " + dir.file("DEMO_Vembrel_nuclei.csv")), std::string::npos)
      << run.out;
  EXPECT_TRUE(fs::is_directory(dir.path() / "DEMO_Vembrel_nuclei.csv"));
  for (const char* name :
       {"DEMO_Vembrel.csv", "DEMO_Vembrel.xlsx", "DEMO_Vembrel_wells.csv", "DEMO_Vembrel_run.json",
        "DEMO_Vembrel_plate.png", "DEMO_Vembrel_report.html"}) {
    EXPECT_TRUE(fs::is_regular_file(dir.path() / name)) << name;
  }
  // Not at cell level and without a map: the tables an earlier run left are
  // gone, not passed off as this run's.
  EXPECT_FALSE(fs::exists(dir.path() / "DEMO_Vembrel_cells.csv"));
  for (const char* table : mapTables) EXPECT_FALSE(fs::exists(dir.path() / table)) << table;
}

TEST_F(PlateFilesTest, ReportPageRendersInABrowserWithEveryAnalysedWell) {
  ASSERT_EQ(run_->exitCode, 0) << run_->err;
  const std::string browser = HeadlessChromium(dir_->file("browser"));
  if (browser.empty()) {
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
  }
  const std::string page = "file://" + results("DEMO_Vembrel_report.html").string();
  const fs::path shot = dir_->path() / "report.png";
  RunShell(browser + "--window-size=1280,1400 --screenshot=" + Quoted(shot.string()) + " " +
           Quoted(page) + " 2>/dev/null");
  // The page drawn white would compress to a few kilobytes; its tables and
  // plate map take far more.
  ASSERT_TRUE(fs::exists(shot)) << "no screenshot";
  EXPECT_GT(fs::file_size(shot), 60'000u) << "the page looks blank";

  // The DOM after the page's script sorted the wells by immigrant nuclei, most first.
  const auto [ok, dom] =
      RunShell(browser + "--dump-dom " + Quoted(page + "#sort=nuclei-desc") + " 2>/dev/null");
  ASSERT_TRUE(ok) << dom;
  EXPECT_NE(dom.find("data-sorted=\"nuclei-desc\""), std::string::npos);
  const std::regex row(
      "<tr id=\"well-([A-H][0-9]{2})\"><td[^>]*><a href=\"Wells/DEMO_\\1.jpg\"[^>]*>\\1</a></td>"
      "<td class=\"number\" "
      "data-value=\"([0-9]+)\"");
  std::vector<std::string> shown;
  double last = 1e300;
  for (auto it = std::sregex_iterator(dom.begin(), dom.end(), row); it != std::sregex_iterator();
       ++it) {
    shown.push_back((*it)[1]);
    const double nuclei = std::stod((*it)[2]);
    EXPECT_LE(nuclei, last) << "not sorted at " << (*it)[1];
    last = nuclei;
  }
  std::sort(shown.begin(), shown.end());
  std::vector<std::string> expected{"A01", "A02", "A03", "B02", WellName(gap_), "H12"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(shown, expected);

  // Each well in detail: its picture (there beside the page), its density
  // profile and migration distances as charts with labelled axes.
  for (const std::string& well : expected) {
    EXPECT_TRUE(fs::exists(results("Wells/DEMO_" + well + ".jpg"))) << well;
    const std::size_t at = dom.find("<section class=\"detail\" id=\"detail-" + well + "\">");
    ASSERT_NE(at, std::string::npos) << well;
    const std::string section = dom.substr(at, dom.find("</section>", at) - at);
    EXPECT_NE(section.find("src=\"Wells/DEMO_" + well + ".jpg\""), std::string::npos);
    EXPECT_NE(section.find("Distance from the ring's centre (px)"), std::string::npos) << well;
    EXPECT_NE(section.find("Nuclei per 10 000 px\xC2\xB2"), std::string::npos) << well;
  }
  EXPECT_NE(dom.find("Migration distance from the ring's edge (px)"), std::string::npos);
  EXPECT_NE(dom.find("<th>Pixel size</th><td>not known: measures in pixels</td>"),
            std::string::npos);
}

}  // namespace
}  // namespace vembrel::testing
