// `vembrel timecourse`, run as the real program on constructed series.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "support/command_run.h"
#include "support/layout_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

// An open zone of radius 300 at (512, 512) that shrinks by 40 px per time point.
MosaicGrey Zone(int index) {
  return [index](int c, int r) { return InDisc(c, r, 512, 512, 300 - 40 * index) ? 20 : 200; };
}
const MosaicGrey kNoNuclei = [](int, int) { return 0; };

std::vector<std::string> Lines(const std::string& path) {
  return SplitLines(ReadFile(path));
}

TEST(TimeCourseCommand, FollowsAnImageXpressSeriesAndWritesItsTables) {
  TempDir dir;
  const std::string plate = dir.file("P1");
  for (int t = 1; t <= 3; ++t) {
    for (const char* well : {"A01", "C07"}) {
      WriteLayoutWell(plate + "/TimePoint_" + std::to_string(t), ImageXpressNames("P1"), well,
                      {1, 2}, kNoNuclei, Zone(t - 1));
    }
  }
  // C07's ring was reviewed: it is held from there, A01's from its fit.
  std::filesystem::create_directories(dir.file("out"));
  std::ofstream(dir.file("out/P1_Vembrel_rings.csv"))
      << "well,x,y,radius,source,time\nC07,500,510,280,reviewed,2024-01-01T00:00:00Z\n";
  const std::string command =
      "timecourse " + Quoted(plate) + " --hours 0,12,24 --results " + Quoted(dir.file("out"));
  const CommandRun run = RunVembrel(command);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("3 time points; each well's ring is fitted at its first and held"),
            std::string::npos)
      << run.err;
  const auto table = Lines(dir.file("out/P1_Vembrel_timecourse.csv"));
  ASSERT_EQ(table.size(), 7u);  // header and 2 wells x 3 time points
  EXPECT_EQ(table[0].rfind("plate,well,time_point,hours,included,ring_x,", 0), 0u);
  EXPECT_EQ(table[3].rfind("P1,A01,3,24,true,", 0), 0u) << table[3];
  EXPECT_EQ(table[4].rfind("P1,C07,1,0,true,", 0), 0u) << table[4];
  const auto kinetics = Lines(dir.file("out/P1_Vembrel_kinetics.csv"));
  ASSERT_EQ(kinetics.size(), 7u);  // header and 2 wells x 3 readouts
  EXPECT_EQ(kinetics[0],
            "well,readout,n_points,slope,slope_se,r_squared,t_half,t_half_censored,auc,"
            "auc_per_hour,flags");
  EXPECT_EQ(kinetics[3].rfind("A01,zone_coverage,3,", 0), 0u) << kinetics[3];
  EXPECT_TRUE(std::filesystem::exists(dir.file("out/P1_Vembrel_timecourse.html")));

  // Each time point is a plate batch of its own, in its own folder.
  for (int t = 1; t <= 3; ++t) {
    const std::string at = dir.file("out/TimePoint_" + std::to_string(t) + "/");
    for (const char* file :
         {"P1_Vembrel.csv", "P1_Vembrel.xlsx", "P1_Vembrel_run.json", "P1_Vembrel_report.html",
          "JPEGS/P1_A01.jpg", "Wells/P1_C07.jpg", "WellResults/P1_A01.json"}) {
      EXPECT_TRUE(std::filesystem::exists(at + file)) << at + file;
    }
  }
  const auto wellsAt = [&](int t, int row) {
    return Lines(dir.file("out/TimePoint_" + std::to_string(t) + "/P1_Vembrel_wells.csv"))[row];
  };
  const std::string a01 = wellsAt(1, 1);  // fitted: "P1,A01,true,x,y,radius,fitted,..."
  const std::size_t ring = a01.find(",fitted,");
  ASSERT_NE(ring, std::string::npos) << a01;
  EXPECT_EQ(wellsAt(3, 1).rfind(a01.substr(0, ring) + ",held,", 0), 0u) << wellsAt(3, 1);
  EXPECT_EQ(wellsAt(1, 31).rfind("P1,C07,true,500,510,280,reviewed,", 0), 0u) << wellsAt(1, 31);
  EXPECT_EQ(wellsAt(3, 31).rfind("P1,C07,true,500,510,280,held,", 0), 0u) << wellsAt(3, 31);

  // Resumed, every well at every time point is taken from its record; a
  // plate map adds the conditions' curves and kinetics.
  std::ofstream(dir.file("map.csv")) << "well,condition\nA01,control\nC07,drug\n";
  const CommandRun resumed =
      RunVembrel(command + " --resume --plate-map " + Quoted(dir.file("map.csv")));
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("(6 wells at time points reused)"), std::string::npos) << resumed.out;
  EXPECT_EQ(Lines(dir.file("out/P1_Vembrel_timecourse.csv")), table);
  const auto curves = Lines(dir.file("out/P1_Vembrel_condition_curves.csv"));
  ASSERT_EQ(curves.size(), 19u);  // header and 2 conditions x 3 readouts x 3 time points
  EXPECT_EQ(curves[1].rfind("control,,,,nuclei,1,0,1,", 0), 0u) << curves[1];
  EXPECT_EQ(Lines(dir.file("out/P1_Vembrel_condition_kinetics.csv")).size(), 7u);

  // Two shards leave the records of their wells; a resumed run over all
  // wells puts them together without analysing anything again.
  std::filesystem::create_directories(dir.file("shards"));
  std::filesystem::copy_file(dir.file("out/P1_Vembrel_rings.csv"),
                             dir.file("shards/P1_Vembrel_rings.csv"));
  const std::string shards =
      "timecourse " + Quoted(plate) + " --hours 0,12,24 --results " + Quoted(dir.file("shards"));
  for (const char* shard : {" --shard 1/2", " --shard 2/2"}) {
    const CommandRun part = RunVembrel(shards + shard);
    ASSERT_EQ(part.exitCode, 0) << part.err;
    EXPECT_NE(part.out.find("records of a part of the wells"), std::string::npos) << part.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("shards/TimePoint_1/P1_Vembrel.csv")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("shards/P1_Vembrel_timecourse.csv")));
  // Each shard's manifest stays beside the other's, naming its own well.
  for (const auto& [part, well] : {std::pair{"1-of-2", "A01"}, {"2-of-2", "C07"}}) {
    const auto manifest = nlohmann::json::parse(ReadFile(
        dir.file("shards/TimePoint_3/P1_Vembrel_run.shard-" + std::string(part) + ".json")));
    EXPECT_EQ(manifest["wells"]["analysed"], nlohmann::json::array({well})) << part;
  }
  const CommandRun together = RunVembrel(shards + " --resume");
  ASSERT_EQ(together.exitCode, 0) << together.err;
  EXPECT_NE(together.out.find("(6 wells at time points reused)"), std::string::npos)
      << together.out;
  EXPECT_EQ(Lines(dir.file("shards/P1_Vembrel_timecourse.csv")), table);
  EXPECT_TRUE(std::filesystem::exists(dir.file("shards/TimePoint_3/P1_Vembrel_run.json")));
}

TEST(TimeCourseCommand, RefusesSeriesThatDisagree) {
  TempDir dir;
  const std::string t0 = dir.file("t0"), t1 = dir.file("t1"), small = dir.file("small");
  WriteLayoutWell(t0, NativeNames("S_"), "A01", {0, 1}, kNoNuclei, Zone(0));
  WriteLayoutWell(t1, NativeNames("S_"), "A01", {0, 1}, kNoNuclei, Zone(1));
  for (int field = 0; field < 4; ++field) {
    for (int channel = 0; channel < 2; ++channel) {
      WriteLayoutField(small, NativeNames("S_"), "A01", field, channel, Zone(1), 256);
    }
  }
  const std::string out = " --results " + Quoted(dir.file("out"));
  const auto refused = [&](const std::string& arguments, const std::string& message) {
    const CommandRun run = RunVembrel("timecourse " + arguments + out);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  };
  refused(Quoted(t0) + " " + Quoted(t1) + " --hours 0,6,12",
          "--hours '0,6,12' gives 3 times for 2 time points");
  refused(Quoted(t0) + " " + Quoted(small), "The time points' pictures differ in size: '" + t0 +
                                                "/S_A01f00d0.tif' is 512 x 512, '" + small +
                                                "/S_A01f00d0.tif' is 256 x 256");
  refused(Quoted(t0) + " " + Quoted(dir.file("none")), "no such file or folder");
  refused(Quoted(t0) + " " + Quoted(t1) + " --heatmap nuclei:mean", "is no READOUT:KINETIC");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out/S_Vembrel_timecourse.csv")));

  // The batch given several plates is the same time course; --json gives a
  // line per well and time point.
  const CommandRun batch = RunVembrel("batch " + Quoted(t0) + " " + Quoted(t1) +
                                      " --hours 0,6 --json --results " + Quoted(dir.file("batch")));
  EXPECT_EQ(batch.exitCode, 0) << batch.err;
  const auto json = SplitLines(batch.out);
  ASSERT_EQ(json.size(), 2u) << batch.out;
  for (const char* part : {"\"well\":\"A01\"", "\"zone_coverage\":", "\"ring_source\":\"held\"",
                           "\"time_point\":2", "\"hours\":6.0"}) {
    EXPECT_NE(json[1].find(part), std::string::npos) << part << " in " << json[1];
  }
  const CommandRun timecourse = RunVembrel("timecourse " + Quoted(t0) + " " + Quoted(t1) +
                                           " --hours 0,6 --results " + Quoted(dir.file("tc")));
  for (const char* table : {"timecourse", "kinetics"}) {
    const std::string name = std::string("/S_Vembrel_") + table + ".csv";
    EXPECT_EQ(ReadFile(dir.file("batch") + name), ReadFile(dir.file("tc") + name)) << table;
  }
  EXPECT_EQ(RunVembrel("batch " + Quoted(t0) + " " + Quoted(t1) + " --strict" + out).exitCode, 2);

  // Without --hours, the series is one hour per step, and says so.
  const CommandRun run = RunVembrel("timecourse " + Quoted(t0) + " " + Quoted(t1) + out);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("No --hours given"), std::string::npos);
  EXPECT_EQ(Lines(dir.file("out/S_Vembrel_timecourse.csv"))[2].rfind("S,A01,2,1,", 0), 0u);
}

TEST(TimeCourseCommand, ASinglePlateGivesItsZoneCoverageWhenAsked) {
  TempDir dir;
  const std::string plate = dir.file("S");
  WriteLayoutWell(plate, NativeNames("S_"), "A01", {0, 1}, kNoNuclei, Zone(0));
  const auto header = [&](const std::string& options) {
    const CommandRun run =
        RunVembrel("batch " + Quoted(plate) + " --results " + Quoted(dir.file("out")) + options);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return Lines(dir.file("out/S_Vembrel_wells.csv"));
  };
  EXPECT_EQ(header("")[0].find("zone_coverage"), std::string::npos);  // not asked: as before
  const auto wells = header(" --zone-coverage");
  ASSERT_EQ(wells[0].substr(wells[0].rfind(',')), ",zone_coverage");
  // The open disc of radius 300 inside the fitted ring of radius 350.
  const double covered = 100 * (1 - 300.0 * 300 / (350.0 * 350));
  EXPECT_NEAR(std::stod(wells[1].substr(wells[1].rfind(',') + 1)), covered, 0.5) << wells[1];
}

}  // namespace
}  // namespace vembrel::testing
