// Reviewed rings on the command line: the batch analyses a well with a
// reviewed ring at that ring and leaves every other well as it was; bad
// rings files stop the run before anything is written; a changed ring makes
// a resumed run analyse its well again.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kHeader = "well,x,y,radius,source,time\n";

class RingsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteDemoPlate(dir_.file("pictures"), 3, {0, 1, 2, 3, 4, 5}); }
  std::string picture() const { return dir_.file("pictures") + "/DEMO_A01f00d0.tif"; }
  std::string folder(const std::string& name) const { return dir_.file(name); }
  CommandRun batch(const std::string& results, const std::string& extra = "") const {
    return RunVembrel("batch " + Quoted(picture()) + " --json --jobs 2 --progress none " + extra +
                      " --results " + Quoted(folder(results)));
  }
  // The rings file in a results folder (made when missing); its path.
  std::string writeRings(const std::string& results, const std::string& body) const {
    fs::create_directories(folder(results));
    const std::string path = folder(results) + "/DEMO_Vembrel_rings.csv";
    WriteBytes(path, kHeader + body);
    return path;
  }
  TempDir dir_;
};

// The wells' JSON lines of a batch by well name.
std::map<std::string, Json> WellsOf(const CommandRun& run) {
  std::map<std::string, Json> wells;
  for (const std::string& line : SplitLines(run.out)) {
    if (line.empty()) continue;
    const Json well = Json::parse(line);
    wells[well.at("well").get<std::string>()] = well;
  }
  return wells;
}

TEST_F(RingsCommandTest, AReviewedRingChangesExactlyItsWellAndIsRecorded) {
  const CommandRun plain = batch("plain");
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const std::string rings = writeRings("reviewed",
                                       "A03,400,600,250,reviewed,2026-12-07T10:00:00+00:00\n"
                                       "A05,100,100,50,fitted,2026-12-07T10:00:00+00:00\n");
  const CommandRun reviewed = batch("reviewed");
  ASSERT_EQ(reviewed.exitCode, 0) << reviewed.err;
  EXPECT_NE(reviewed.err.find("; 1 reviewed ring used from " + rings), std::string::npos)
      << reviewed.err;
  EXPECT_EQ(plain.err.find("reviewed ring"), std::string::npos) << plain.err;

  const auto before = WellsOf(plain);
  const auto after = WellsOf(reviewed);
  ASSERT_EQ(before.size(), 6u);
  ASSERT_EQ(after.size(), 6u);
  for (const auto& [well, results] : before) {
    if (well != "A03") {
      EXPECT_EQ(after.at(well), results) << well;
    }
  }
  const CommandRun single =
      RunVembrel("well " + Quoted(picture()) + " A03 --ring 400,600,250 --json");
  ASSERT_EQ(single.exitCode, 0) << single.err;
  EXPECT_EQ(after.at("A03"), Json::parse(single.out));
  for (const auto& [key, value] : {std::pair{"ring_x", Json(400)},
                                   {"ring_y", Json(600)},
                                   {"ring_radius", Json(250)},
                                   {"ring_source", Json("reviewed")}}) {
    EXPECT_EQ(after.at("A03").at(key), value) << key;
  }
  EXPECT_NE(before.at("A03").at("ring_x"), after.at("A03").at("ring_x"));

  // The wells table says where each ring came from, only when a ring was reviewed.
  const auto table = SplitLines(ReadFile(folder("reviewed") + "/DEMO_Vembrel_wells.csv"));
  ASSERT_EQ(CsvFields(table.at(0)).at(6), "ring_source");
  EXPECT_EQ(CsvFields(table.at(3))[6], "reviewed");  // A03
  EXPECT_EQ(CsvFields(table.at(3))[5], "250");
  EXPECT_EQ(CsvFields(table.at(1))[6], "fitted");
  EXPECT_EQ(CsvFields(table.at(5))[6], "fitted");  // A05: a fitted entry of the file is no review
  EXPECT_EQ(CsvFields(table.at(7))[6], "");        // A07: not on the plate
  const std::string plainTable = ReadFile(folder("plain") + "/DEMO_Vembrel_wells.csv");
  EXPECT_EQ(plainTable.find("ring_source"), std::string::npos);

  const Json manifest = Json::parse(ReadFile(folder("reviewed") + "/DEMO_Vembrel_run.json"));
  EXPECT_EQ(manifest.at("rings").at("file"), rings);
  EXPECT_EQ(manifest.at("rings").at("reviewed"), Json::array({"A03"}));
  const Json plainManifest = Json::parse(ReadFile(folder("plain") + "/DEMO_Vembrel_run.json"));
  EXPECT_FALSE(plainManifest.contains("rings"));

  // --rings none leaves the file aside: the very files of the run without one.
  const CommandRun none = batch("reviewed", "--rings none");
  ASSERT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.err.find("reviewed ring"), std::string::npos) << none.err;
  auto files = ResultFiles(folder("reviewed"));
  EXPECT_EQ(files.erase("DEMO_Vembrel_rings.csv"), 1u);
  ExpectSameFiles(files, ResultFiles(folder("plain")));

  // A rings file named on the command line, anywhere.
  const std::string elsewhere = dir_.file("my_rings.csv");
  fs::rename(rings, elsewhere);
  const CommandRun chosen = batch("chosen", "--rings " + Quoted(elsewhere));
  ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
  EXPECT_NE(chosen.err.find("; 1 reviewed ring used from " + elsewhere), std::string::npos)
      << chosen.err;
  EXPECT_EQ(WellsOf(chosen), after);
}

// Each kind of bad line is the rings file's own test; here the command stops
// on one, and on a missing file, before writing anything.
TEST_F(RingsCommandTest, ABadRingsFileStopsTheRunBeforeAnythingIsWritten) {
  const std::string rings = writeRings("bad",
                                       "A01,512,512,300,reviewed,2026-12-07T10:00:00+00:00\n"
                                       "A02,abc,512,300,reviewed,2026-12-07\n");
  const CommandRun run = batch("bad");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("Rings file '" + rings + "', line 3: x 'abc' is not a whole number"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder("bad")), {}), 1) << "the rings file alone";
  const CommandRun missing = batch("fresh", "--rings " + Quoted(dir_.file("no_such.csv")));
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find(dir_.file("no_such.csv")), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(folder("fresh")));
}

TEST_F(RingsCommandTest, AResumedRunAnalysesAgainOnlyTheWellWhoseRingChanged) {
  writeRings("resume", "A03,400,600,250,reviewed,2026-12-07T10:00:00+00:00\n");
  ASSERT_EQ(batch("resume").exitCode, 0);
  writeRings("resume", "A03,410,600,250,reviewed,2026-12-07T11:00:00+00:00\n");
  const CommandRun moved = batch("resume", "--resume");
  ASSERT_EQ(moved.exitCode, 0) << moved.err;
  EXPECT_NE(moved.err.find("Analysed 1 wells, reused 5"), std::string::npos) << moved.err;
  EXPECT_EQ(WellsOf(moved).at("A03").at("ring_x"), 410);
  const CommandRun same = batch("resume", "--resume");
  EXPECT_NE(same.err.find("Analysed 0 wells, reused 6"), std::string::npos) << same.err;
  EXPECT_NE(same.err.find("1 reviewed ring used"), std::string::npos) << same.err;
  const CommandRun dropped = batch("resume", "--resume --rings none");
  EXPECT_NE(dropped.err.find("Analysed 1 wells, reused 5"), std::string::npos) << dropped.err;
  EXPECT_FALSE(WellsOf(dropped).at("A03").contains("ring_source"));
}

// Which rings are off the mosaic is the session's test; here one of them and
// the forms --ring does not take.
TEST_F(RingsCommandTest, TheWellCommandRefusesARingOffTheMosaic) {
  for (const char* ring : {"1024,10,10", "1,2", "a,b,c", "1,2,3,4"}) {
    const CommandRun run = RunVembrel("well " + Quoted(picture()) + " A01 --ring " + ring);
    EXPECT_EQ(run.exitCode, 2) << ring;
    EXPECT_NE(run.err.find("--ring"), std::string::npos) << run.err;
  }
  const CommandRun both =
      RunVembrel("well " + Quoted(picture()) + " A01 --ring 500,500,300 --fit-radius 200:400");
  EXPECT_EQ(both.exitCode, 2) << both.err;
  const CommandRun edge = RunVembrel("well " + Quoted(picture()) + " A01 --ring 0,1023,1");
  EXPECT_EQ(edge.exitCode, 0) << edge.err;
  EXPECT_NE(edge.out.find("Ring: X 0, Y 1023, radius 1"), std::string::npos) << edge.out;
}

}  // namespace
}  // namespace vembrel::testing
