// `--plate-map` on batch and merge: both forms of a map give the same files,
// the map's columns come after "well", the new tables and sheets appear only
// with a map, the manifest records it, --json carries each well's variables,
// and a bad map stops the command (exit 2) before anything is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "imaging/file_fingerprint.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

// Wells A01..A08: two negative and two positive controls, DrugA at four
// concentrations, a donor for some wells.
const char* const kTidyMap =
    "well,role,compound,concentration,unit,donor\n"
    "A01,negative_control,DMSO,,,d1\n"
    "A2,negative_control,DMSO,,,d2\n"
    "A03,sample,DrugA,0.1,uM,d1\n"
    "A04,sample,DrugA,1,uM,\n"
    "A05,sample,DrugA,10,uM,\n"
    "A06,sample,DrugA,100,uM,\n"
    "A07,positive_control,,,,\n"
    "A08,positive_control,,,,\n";

std::string PlateShapedMap() {
  const char* const rows[][6] = {
      {"negative_control", "DMSO", "", "", "d1"}, {"negative_control", "DMSO", "", "", "d2"},
      {"sample", "DrugA", "0.1", "uM", "d1"},     {"sample", "DrugA", "1", "uM", ""},
      {"sample", "DrugA", "10", "uM", ""},        {"sample", "DrugA", "100", "uM", ""},
      {"positive_control", "", "", "", ""},       {"positive_control", "", "", "", ""}};
  std::string text;
  const char* names[] = {"role", "compound", "concentration", "unit", "donor"};
  for (int v = 0; v < 5; ++v) {
    text += std::string(v ? "\n" : "") + names[v] + ",1,2,3,4,5,6,7,8,9,10,11,12\n";
    for (char row = 'A'; row <= 'H'; ++row) {
      text += row;
      for (int c = 0; c < 12; ++c)
        text += std::string(",") + (row == 'A' && c < 8 ? rows[c][v] : "");
      text += "\n";
    }
  }
  return text;
}

class PlateMapCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteDemoPlate(dir_.file("pictures"), 4, {0, 1, 2, 3, 4, 5, 6, 7});
    WriteBytes(dir_.file("tidy.csv"), kTidyMap);
    WriteBytes(dir_.file("plate.csv"), PlateShapedMap());
  }
  CommandRun batch(const std::string& results, const std::string& extra) {
    return RunVembrel("batch " + Quoted(dir_.file("pictures")) + " --progress none " + extra +
                      " --results " + Quoted(dir_.file(results)));
  }
  std::string file(const std::string& results, const std::string& kind) {
    return ReadFile(dir_.file(results + "/DEMO_Vembrel_" + kind));
  }
  TempDir dir_;
};

TEST_F(PlateMapCommandTest, BothFormsGiveTheSameFilesWithTheMapsColumnsAfterWell) {
  const CommandRun tidy = batch("tidy", "--plate-map " + Quoted(dir_.file("tidy.csv")));
  ASSERT_EQ(tidy.exitCode, 0) << tidy.err;
  const CommandRun plate = batch("plate", "--plate-map " + Quoted(dir_.file("plate.csv")));
  ASSERT_EQ(plate.exitCode, 0) << plate.err;
  for (const char* kind : {"wells.csv", "conditions.csv", "plate_quality.csv", "dose_response.csv",
                           "density.csv", "nuclei.csv"}) {
    EXPECT_EQ(file("tidy", kind), file("plate", kind)) << kind;
  }
  EXPECT_EQ(ReadFile(dir_.file("tidy/DEMO_Vembrel.xlsx")),
            ReadFile(dir_.file("plate/DEMO_Vembrel.xlsx")));

  const std::vector<std::string> wells = SplitLines(file("tidy", "wells.csv"));
  const auto startsWith = [](const std::string& text, const std::string& start) {
    EXPECT_TRUE(text.starts_with(start)) << text << "\ndoes not start with\n" << start;
  };
  startsWith(wells[0],
             "plate,well,role,compound,concentration,unit,condition,donor,"
             "nuclei_percent_of_control,nuclei_percent_inhibition,"
             "calculated_nuclei_percent_of_control,calculated_nuclei_percent_inhibition,"
             "average_distance_percent_of_control,average_distance_percent_inhibition,"
             "included,");
  startsWith(wells[1], "DEMO,A01,negative_control,DMSO,,,DMSO,d1,");
  startsWith(wells[3], "DEMO,A03,sample,DrugA,0.1,uM,DrugA 0.1 uM,d1,");
  EXPECT_EQ(SplitLines(file("tidy", "conditions.csv"))[0],
            "condition,role,compound,concentration,unit,readout,n,mean,sd,cv,median,mad");
  const std::vector<std::string> quality = SplitLines(file("tidy", "plate_quality.csv"));
  EXPECT_EQ(quality[0],
            "readout,n_negative,n_positive,mean_negative,sd_negative,mean_positive,sd_positive,"
            "z_prime,robust_z_prime,ssmd,verdict,note");
  ASSERT_EQ(quality.size(), 4u);
  startsWith(quality[1], "nuclei,2,2,");
  const std::vector<std::string> dose = SplitLines(file("tidy", "dose_response.csv"));
  EXPECT_EQ(dose[0],
            "compound,readout,n_wells,n_concentrations,bottom,top,ic50,hill,ic50_low,ic50_high,"
            "r_squared,rss,converged,flags");
  startsWith(dose[1], "DrugA,nuclei,4,4,");
  const std::string sheets = Unzipped(dir_.file("tidy/DEMO_Vembrel.xlsx"), "xl/workbook.xml");
  for (const char* sheet : {"Conditions", "Plate quality", "Dose response"}) {
    EXPECT_NE(sheets.find(std::string("name=\"") + sheet + "\""), std::string::npos) << sheet;
  }

  const auto manifest = nlohmann::json::parse(file("tidy", "run.json"));
  const std::string bytes = ReadFile(dir_.file("tidy.csv"));
  EXPECT_EQ(manifest.at("plate_map").at("file"), dir_.file("tidy.csv"));
  EXPECT_EQ(manifest.at("plate_map").at("xxh3"),
            FingerprintText(FingerprintOf(bytes.data(), bytes.size()).xxh3));
  EXPECT_EQ(manifest.at("plate_map").at("form"), "tidy");
  EXPECT_EQ(manifest.at("plate_map").at("variables").back(), "donor");
  EXPECT_EQ(nlohmann::json::parse(file("plate", "run.json")).at("plate_map").at("form"), "plate");
}

TEST_F(PlateMapCommandTest, TheReportShowsTheMapsSectionsInABrowser) {
  const CommandRun run = batch("report", "--plate-map " + Quoted(dir_.file("tidy.csv")));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string browser = HeadlessChromium(dir_.file("browser"));
  if (browser.empty()) {
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
  }
  const std::string page = "file://" + dir_.file("report/DEMO_Vembrel_report.html");
  const auto [ok, dom] = RunShell(browser + "--dump-dom " + Quoted(page) + " 2>/dev/null");
  ASSERT_TRUE(ok) << dom;
  for (const char* section :
       {"<h2>Plate map</h2>", "<h2>Plate quality</h2>", "<h2>Readouts per condition</h2>",
        "<h2>Dose response</h2>", "<h2>Wells</h2>"}) {
    EXPECT_NE(dom.find(section), std::string::npos) << section;
  }
  // Every well of the plate, coloured by its condition, with its variables as hover text.
  EXPECT_EQ(Occurrences(dom, "<circle id=\"map-"), 96u);
  EXPECT_NE(dom.find("<circle id=\"map-A03\""), std::string::npos);
  EXPECT_NE(dom.find("<title>A03\nrole: sample\ncompound: DrugA\nconcentration: 0.1\nunit: uM\n"
                     "condition: DrugA 0.1 uM\ndonor: d1</title>"),
            std::string::npos);
  // The legend: DMSO, DrugA at four concentrations, the positive controls.
  const std::size_t legend = dom.find("<ul class=\"legend\">");
  ASSERT_NE(legend, std::string::npos);
  EXPECT_EQ(Occurrences(dom.substr(legend, dom.find("</ul>", legend) - legend), "<li>"), 6u);
  EXPECT_EQ(Occurrences(dom, "<svg class=\"conditions\""), 3u);
  // One chart per readout of DrugA, each with its four points and its curve on a log axis.
  EXPECT_EQ(Occurrences(dom, "<svg class=\"dose\""), 3u);
  EXPECT_EQ(Occurrences(dom, "<polyline class=\"curve\""), 3u);
  EXPECT_EQ(Occurrences(dom, "concentration (uM), log scale"), 3u);
  const std::size_t quality = dom.find("<table id=\"plate-quality\">");
  ASSERT_NE(quality, std::string::npos);
  EXPECT_EQ(Occurrences(dom.substr(quality, dom.find("</table>", quality) - quality), "<tr>"), 4u);
  // Nothing is fetched: no source but the snapshots and the heatmap beside the page.
  EXPECT_EQ(dom.find("http"), std::string::npos);
}

TEST_F(PlateMapCommandTest, WithoutAMapNoTableOrColumnIsAdded) {
  const CommandRun run = batch("none", "");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(file("none", "wells.csv").starts_with("plate,well,included,"));
  for (const char* kind : {"conditions.csv", "plate_quality.csv", "dose_response.csv"}) {
    EXPECT_FALSE(fs::exists(dir_.file(std::string("none/DEMO_Vembrel_") + kind))) << kind;
  }
  EXPECT_FALSE(nlohmann::json::parse(file("none", "run.json")).contains("plate_map"));
  EXPECT_EQ(file("none", "report.html").find("Plate map"), std::string::npos);
}

TEST_F(PlateMapCommandTest, JsonCarriesTheVariablesAndDroppedWellsAreListed) {
  // A map without A08: the well is named once.
  std::string map = kTidyMap;
  map.erase(map.find("A08"));
  WriteBytes(dir_.file("short.csv"), map);
  const CommandRun run = batch("json", "--json --drop-flagged --readouts nuclei --plate-map " +
                                           Quoted(dir_.file("short.csv")));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("note: the plate map '" + dir_.file("short.csv") +
                         "' leaves out 1 well of the plate: A08\n"),
            std::string::npos)
      << run.err;
  const std::vector<std::string> lines = SplitLines(run.out);
  const auto first = nlohmann::json::parse(lines.at(0));
  EXPECT_EQ(first.at("variables").at("role"), "negative_control");
  EXPECT_EQ(first.at("variables").at("donor"), "d1");
  EXPECT_TRUE(first.at("variables").at("concentration").is_null());
  EXPECT_EQ(nlohmann::json::parse(lines.at(2)).at("variables").at("concentration"), 0.1);
  EXPECT_NE(run.err.find("--drop-flagged left out of the plate map's statistics: "),
            std::string::npos)
      << run.err;
  // The manifest names the well left out of the map and each flagged well dropped.
  const auto manifest = nlohmann::json::parse(file("json", "run.json"));
  EXPECT_EQ(manifest.at("plate_map").at("wells_not_in_map"), nlohmann::json::array({"A08"}));
  EXPECT_EQ(manifest.at("plate_map").at("readouts"), nlohmann::json::array({"nuclei"}));
  EXPECT_TRUE(manifest.at("plate_map").at("drop_flagged").get<bool>());
  nlohmann::json flagged = nlohmann::json::array();
  for (const auto& well : manifest.at("wells").at("flagged")) flagged.push_back(well.at("well"));
  EXPECT_EQ(manifest.at("plate_map").at("wells_dropped"), flagged);
  const std::vector<std::string> quality = SplitLines(file("json", "plate_quality.csv"));
  EXPECT_EQ(quality.size(), 2u);
  EXPECT_EQ(SplitLines(file("json", "wells.csv"))[0].find("calculated_nuclei_percent"),
            std::string::npos);
}

TEST_F(PlateMapCommandTest, MergeReadsThePartsThroughTheMapAsTheWholeRunDoes) {
  const std::string map = " --plate-map " + Quoted(dir_.file("plate.csv"));
  ASSERT_EQ(batch("whole", map).exitCode, 0);
  ASSERT_EQ(batch("p1", "--shard 1/2").exitCode, 0);
  ASSERT_EQ(batch("p2", "--shard 2/2").exitCode, 0);
  const CommandRun merge =
      RunVembrel("merge " + Quoted(dir_.file("p1")) + " " + Quoted(dir_.file("p2")) +
                 " --results " + Quoted(dir_.file("merged")) + map);
  ASSERT_EQ(merge.exitCode, 0) << merge.err;
  for (const char* kind :
       {"wells.csv", "conditions.csv", "plate_quality.csv", "dose_response.csv"}) {
    EXPECT_EQ(file("merged", kind), file("whole", kind)) << kind;
  }
}

TEST_F(PlateMapCommandTest, AnExperimentPoolsPlatesEachWithItsMap) {
  // The second plate's map names DrugA at 1 uM differently.
  std::string renamed = kTidyMap;
  renamed.replace(renamed.find(",donor\n"), 7, ",donor,condition\n");
  renamed.replace(renamed.find("A04,sample,DrugA,1,uM,"), 22, "A04,sample,DrugA,1,uM,,A-1");
  WriteBytes(dir_.file("renamed.csv"), renamed);
  ASSERT_EQ(batch("one", "--plate-map " + Quoted(dir_.file("tidy.csv"))).exitCode, 0);
  ASSERT_EQ(batch("two", "--plate-map " + Quoted(dir_.file("renamed.csv"))).exitCode, 0);
  const CommandRun run =
      RunVembrel("experiment " + Quoted(dir_.file("one")) + " " + Quoted(dir_.file("two")) +
                 " --results " + Quoted(dir_.file("experiment")));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("note: DrugA 1 uM is named 'DrugA 1 uM' on plate DEMO and 'A-1' on "
                         "plate DEMO#2"),
            std::string::npos)
      << run.err;
  const auto read = [&](const std::string& name) {
    return SplitLines(ReadFile(dir_.file("experiment/Vembrel_experiment_" + name)));
  };
  const std::vector<std::string> quality = read("plate_quality.csv");
  ASSERT_EQ(quality.size(), 7u);
  EXPECT_TRUE(quality[0].starts_with("plate,readout,n_negative,"));
  // Both plates analysed the same pictures: the same quality, plate by plate.
  EXPECT_EQ(quality[1].substr(4), quality[4].substr(6)) << quality[1] << "\n" << quality[4];
  const std::vector<std::string> conditions = read("conditions.csv");
  const auto row = [&](const std::string& start) {
    const auto at = std::find_if(conditions.begin(), conditions.end(),
                                 [&](const std::string& line) { return line.starts_with(start); });
    return at == conditions.end() ? std::string() : *at;
  };
  EXPECT_TRUE(row("DEMO,DMSO,negative_control,DMSO,,,nuclei,2,").size() > 0);
  EXPECT_TRUE(row("all,DMSO,negative_control,DMSO,,,nuclei,4,").size() > 0);
  EXPECT_TRUE(row("all,A-1,sample,DrugA,1,uM,nuclei,1,").size() > 0);
  EXPECT_TRUE(row("all,DrugA 1 uM,sample,DrugA,1,uM,nuclei,1,").size() > 0);
  const std::vector<std::string> dose = read("dose_response.csv");
  EXPECT_TRUE(dose[0].starts_with("plate,compound,readout,n_wells,"));
  EXPECT_TRUE(std::any_of(dose.begin(), dose.end(), [](const std::string& line) {
    return line.starts_with("all,DrugA,nuclei,8,4,");
  }));
  EXPECT_TRUE(fs::exists(dir_.file("experiment/Vembrel_experiment.xlsx")));
  const std::string page = ReadFile(dir_.file("experiment/Vembrel_experiment_report.html"));
  EXPECT_NE(page.find("<h2>Conditions named differently</h2>"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "<svg class=\"dose\""), 3u);

  // A run without a map, or whose map changed, is refused before anything is written.
  ASSERT_EQ(batch("plain", "").exitCode, 0);
  const CommandRun plain =
      RunVembrel("experiment " + Quoted(dir_.file("one")) + " " + Quoted(dir_.file("plain")) +
                 " --results " + Quoted(dir_.file("refused")));
  EXPECT_EQ(plain.exitCode, 2);
  EXPECT_NE(plain.err.find("had no plate map"), std::string::npos) << plain.err;
  WriteBytes(dir_.file("renamed.csv"), kTidyMap);
  const CommandRun changed = RunVembrel("experiment " + Quoted(dir_.file("two")) + " --results " +
                                        Quoted(dir_.file("refused")));
  EXPECT_EQ(changed.exitCode, 2);
  EXPECT_NE(changed.err.find("changed since the run"), std::string::npos) << changed.err;
  EXPECT_FALSE(fs::exists(dir_.file("refused")));
}

TEST_F(PlateMapCommandTest, BadMapsStopBeforeAnythingIsWritten) {
  // Each kind of bad map is the map reader's own test; here the command stops on one.
  const std::string bad = dir_.file("bad.csv");
  WriteBytes(bad, "well,role\nA01,sample\nA01,sample\n");
  const CommandRun twice = batch("twice", "--plate-map " + Quoted(bad));
  EXPECT_EQ(twice.exitCode, 2);
  EXPECT_NE(twice.err.find("Plate map '" + bad + "', line 3: well 'A01' is named twice"),
            std::string::npos)
      << twice.err;
  EXPECT_FALSE(fs::exists(dir_.file("twice")));
  const CommandRun missing = batch("missing", "--plate-map " + Quoted(dir_.file("none.csv")));
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_FALSE(fs::exists(dir_.file("missing")));
  const CommandRun radial =
      batch("radial", "--readouts radial_share --plate-map " + Quoted(dir_.file("tidy.csv")));
  EXPECT_EQ(radial.exitCode, 2);
  EXPECT_NE(radial.err.find("add --cells"), std::string::npos) << radial.err;
  EXPECT_EQ(batch("readouts", "--readouts nuclei").exitCode, 2);  // needs a map

  ASSERT_EQ(batch("part", "").exitCode, 0);
  const CommandRun merge = RunVembrel("merge " + Quoted(dir_.file("part")) + " --results " +
                                      Quoted(dir_.file("merged")) + " --plate-map " + Quoted(bad));
  EXPECT_EQ(merge.exitCode, 2);
  EXPECT_FALSE(fs::exists(dir_.file("merged")));
}

}  // namespace
}  // namespace vembrel::testing
