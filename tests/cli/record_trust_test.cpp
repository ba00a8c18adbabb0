// Resume and merge take a well's record only when it provably belongs to
// this well, this plate's pictures as they are now and this request: other
// plates', other requests', edited and swapped records are analysed again
// (resume) or refused naming the record (merge).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "core/name_text.h"
#include "demo/demo_plate.h"
#include "imaging/file_fingerprint.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;
using OrderedJson = nlohmann::ordered_json;

class RecordTrustTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteDemoPlate(dir_.file("pictures"), 4, {0, 1, 2, 3}); }
  CommandRun batch(const std::string& results, const std::string& extra = "",
                   const std::string& pictures = "pictures") {
    return RunVembrel("batch " + Quoted(dir_.file(pictures)) + " --progress none " + extra +
                      " --results " + Quoted(dir_.file(results)));
  }
  CommandRun merge(const std::vector<std::string>& parts, const std::string& results) {
    std::string arguments = "merge";
    for (const std::string& part : parts) arguments += " " + Quoted(dir_.file(part));
    return RunVembrel(arguments + " --results " + Quoted(dir_.file(results)));
  }
  std::string record(const std::string& results, const std::string& well) const {
    return dir_.file(results + "/WellResults/DEMO_" + well + ".json");
  }
  // A clean run with these options, then a resumed run into a folder that
  // holds `earlier`'s files: the resumed run writes exactly the clean run's
  // files and says why it analysed the wells again.
  void expectRedoneAsCleanRun(const std::string& earlier, const std::string& options,
                              const std::string& why, const std::string& pictures = "pictures") {
    const CommandRun clean = batch("clean", options, pictures);
    ASSERT_EQ(clean.exitCode, 0) << clean.err;
    const CommandRun resumed = batch(earlier, options + " --resume", pictures);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("Analysed 4 wells, 0 failed"), std::string::npos) << resumed.out;
    EXPECT_NE(resumed.out.find("; 4 records not reused (4 " + why + ")"), std::string::npos)
        << resumed.out;
    ExpectSameFiles(ResultFiles(dir_.file(earlier)), ResultFiles(dir_.file("clean")));
    fs::remove_all(dir_.file("clean"));
  }
  TempDir dir_;
};

// The record with its checksum made again, as someone who knows the format would.
void Reseal(OrderedJson& record) {
  record.erase("checksum");
  const std::string content = record.dump();
  record["checksum"] = FingerprintText(FingerprintOf(content.data(), content.size()).xxh3);
}

OrderedJson ReadJson(const std::string& path) {
  return OrderedJson::parse(ReadFile(path));
}

void WriteJson(const std::string& path, const OrderedJson& json) {
  WriteBytes(path, json.dump() + "\n");
}

TEST_F(RecordTrustTest, ResumeAnalysesAgainForAnotherPlateRequestOrPictures) {
  ASSERT_EQ(batch("run").exitCode, 0);
  const CommandRun same = batch("run", "--resume");
  ASSERT_EQ(same.exitCode, 0) << same.err;
  EXPECT_NE(same.out.find("Analysed 0 wells, reused 4, 0 failed"), std::string::npos) << same.out;
  EXPECT_EQ(same.out.find("not reused"), std::string::npos) << same.out;

  expectRedoneAsCleanRun("run", "--input-bits 12", "made for another request");
  expectRedoneAsCleanRun("run", "--input-bits 12 --channels 1,0", "made for another request");
  expectRedoneAsCleanRun("run", "--input-bits 12 --channels 1,0 --cells",
                         "made for another request");

  // Another plate whose files have the same names, into the same folder.
  WriteDemoPlate(dir_.file("second"), 5, {0, 1, 2, 3});
  expectRedoneAsCleanRun("run", "--input-bits 12 --channels 1,0 --cells", "of another plate",
                         "second");

  // The same files, other bytes (the blue field 0 of every well).
  for (const char* well : {"A01", "A02", "A03", "A04"}) {
    fs::copy_file(dir_.file(std::string("pictures/DEMO_") + well + "f01d0.tif"),
                  dir_.file(std::string("second/DEMO_") + well + "f00d0.tif"),
                  fs::copy_options::overwrite_existing);
  }
  expectRedoneAsCleanRun("run", "--input-bits 12 --channels 1,0 --cells", "pictures changed since",
                         "second");
}

TEST_F(RecordTrustTest, ResumeAnalysesAgainEditedSwappedAndImplausibleRecords) {
  ASSERT_EQ(batch("run").exitCode, 0);
  const OrderedJson a04 = ReadJson(record("run", "A04"));

  OrderedJson edited = ReadJson(record("run", "A01"));
  edited["results"]["nuclei"] = 9999;  // checksum left as it was
  WriteJson(record("run", "A01"), edited);
  WriteJson(record("run", "A02"), a04);  // A04's record filed as A02's
  OrderedJson huge = ReadJson(record("run", "A03"));
  huge["results"]["nuclei"] = 1e300;
  Reseal(huge);
  WriteJson(record("run", "A03"), huge);
  OrderedJson blind = a04;
  blind["results"]["inputs"] = OrderedJson::array();  // no pictures to check
  Reseal(blind);
  WriteJson(record("run", "A04"), blind);

  const CommandRun clean = batch("clean");
  ASSERT_EQ(clean.exitCode, 0) << clean.err;
  const CommandRun resumed = batch("run", "--resume");
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("Analysed 4 wells, 0 failed"), std::string::npos) << resumed.out;
  EXPECT_NE(
      resumed.out.find("4 records not reused (3 edited or unusable, 1 filed under another well)"),
      std::string::npos)
      << resumed.out;
  ExpectSameFiles(ResultFiles(dir_.file("run")), ResultFiles(dir_.file("clean")));
}

TEST_F(RecordTrustTest, AWellWhoseFilesFailedLeavesNoRecordAndIsRedone) {
  ASSERT_EQ(batch("clean").exitCode, 0);
  ASSERT_EQ(batch("run").exitCode, 0);
  fs::remove(dir_.file("run/JPEGS/DEMO_A02.jpg"));
  fs::create_directories(dir_.file("run/JPEGS/DEMO_A02.jpg"));  // a folder where the file goes
  const CommandRun failing = batch("run");
  EXPECT_EQ(failing.exitCode, 1) << failing.err;
  EXPECT_FALSE(fs::exists(record("run", "A02")));  // not even the first run's
  EXPECT_TRUE(fs::exists(record("run", "A03")));

  fs::remove(dir_.file("run/JPEGS/DEMO_A02.jpg"));
  const CommandRun resumed = batch("run", "--resume");
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("Analysed 1 wells, reused 3"), std::string::npos) << resumed.out;
  ExpectSameFiles(ResultFiles(dir_.file("run")), ResultFiles(dir_.file("clean")));
}

class RecordMergeTest : public RecordTrustTest {
 protected:
  void SetUp() override {
    RecordTrustTest::SetUp();
    ASSERT_EQ(batch("a", "--wells A01-A02").exitCode, 0);
    ASSERT_EQ(batch("b", "--wells A03-A04").exitCode, 0);
  }
  // Merging a and b fails with exit 2 and a message holding every text.
  void expectRefused(const std::vector<std::string>& texts) {
    const CommandRun run = merge({"a", "b"}, "merged");
    EXPECT_EQ(run.exitCode, 2) << run.err;
    for (const std::string& text : texts) {
      EXPECT_NE(run.err.find(text), std::string::npos) << text << " in " << run.err;
    }
    EXPECT_EQ(run.err.find("json.exception"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir_.file("merged/DEMO_Vembrel.csv")));
  }
  // Runs `check` with the file replaced by `changed`, then puts it back.
  void withFile(const std::string& path, const std::string& changed,
                const std::function<void()>& check) {
    const std::string original = ReadFile(path);
    WriteBytes(path, changed);
    check();
    WriteBytes(path, original);
  }
};

TEST_F(RecordMergeTest, RecordsThatDoNotFitAreRefusedNamingTheRecord) {
  const std::string a01 = record("a", "A01");
  OrderedJson edited = ReadJson(a01);
  edited["results"]["nuclei"] = 9999;
  withFile(a01, edited.dump(), [&] { expectRefused({a01, "checksum", "edited"}); });

  OrderedJson huge = ReadJson(a01);
  huge["results"]["nuclei"] = 1e300;
  Reseal(huge);
  withFile(a01, huge.dump(), [&] { expectRefused({a01, "results.nuclei", "1e+300"}); });

  withFile(a01, ReadFile(record("b", "A04")), [&] {
    expectRefused({a01, "filed under another well"});
  });

  // A record made with other settings, its checksum true.
  WriteBytes(dir_.file("other.VLS"), SettingsText({{"Cent_LCB", "90"}}));
  ASSERT_EQ(batch("other", "--wells A01 --settings " + Quoted(dir_.file("other.VLS"))).exitCode, 0);
  withFile(a01, ReadFile(record("other", "A01")), [&] {
    expectRefused({a01, "made for another request"});
  });

  // The pictures changed after the part was made.
  const std::string field = dir_.file("pictures/DEMO_A03f02d1.tif");
  withFile(field, ReadFile(dir_.file("pictures/DEMO_A03f01d1.tif")), [&] {
    expectRefused({"The pictures of well A03 changed since", record("b", "A03")});
  });

  // A part whose record of a well differs from another's.
  ASSERT_EQ(batch("c", "--wells A02").exitCode, 0);
  OrderedJson twin = ReadJson(record("c", "A02"));
  twin["results"]["zone_contrast"] = 0.5;  // another fit's contrast
  Reseal(twin);
  withFile(record("c", "A02"), twin.dump(), [&] {
    const CommandRun run = merge({"a", "b", "c"}, "merged");
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("Well A02 has other results in"), std::string::npos) << run.err;
  });
  const CommandRun fine = merge({"a", "b", "c"}, "merged");
  EXPECT_EQ(fine.exitCode, 0) << fine.err;
}

TEST_F(RecordMergeTest, UnusableManifestsAreRefusedNamingTheManifestAndKey) {
  const std::string manifest = dir_.file("a/DEMO_Vembrel_run.json");
  const OrderedJson original = ReadJson(manifest);
  OrderedJson noWells = original;
  noWells.erase("wells");
  withFile(manifest, noWells.dump(), [&] { expectRefused({manifest, "wells: missing"}); });
  OrderedJson farDate = original;
  farDate["plate"]["open"]["measurement_date"] = 1e308;
  withFile(manifest, farDate.dump(), [&] {
    expectRefused({manifest, "plate.open.measurement_date", "1e+308"});
  });
  OrderedJson bits = original;
  bits["plate"]["open"]["input_bits"] = 3;
  withFile(manifest, bits.dump(), [&] { expectRefused({manifest, "plate.open.input_bits"}); });
  withFile(manifest, "{\"program\": ", [&] { expectRefused({manifest, "parse error"}); });

  // A well that failed in its part is named as failed, not as unanalysed.
  OrderedJson failed = original;
  failed["wells"]["analysed"] = OrderedJson::array({"A01"});
  failed["wells"]["failed"] =
      OrderedJson::array({{{"well", "A02"}, {"message", "Well A02: broken"}}});
  withFile(manifest, failed.dump(), [&] {
    const CommandRun run = merge({"a", "b"}, "merged");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("Well A02: broken"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("no part analysed"), std::string::npos) << run.err;
  });
}

}  // namespace
}  // namespace vembrel::testing

namespace vembrel::testing {
namespace {

TEST_F(RecordTrustTest, NamesThatAreNotUtf8OrHoldLineBreaksKeepEveryFileWhole) {
  ASSERT_EQ(batch("plain").exitCode, 0);
  // The same pictures named with a Latin-1 prefix in a folder with a line break and a tab.
  const std::string folder = "odd\n\tfolder\xE9";
  fs::create_directories(dir_.file(folder));
  for (const auto& entry : fs::directory_iterator(dir_.file("pictures"))) {
    const std::string name = entry.path().filename().string();
    fs::copy_file(entry.path(), dir_.path() / folder / ("caf\xE9_" + name.substr(5)));
  }
  const CommandRun run = batch("odd", "", folder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* table : {"wells", "nuclei", "density"}) {
    const std::string text =
        ReadFile(dir_.file(std::string("odd/caf\xE9_Vembrel_") + table + ".csv"));
    EXPECT_TRUE(IsValidUtf8(text)) << table;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), [&] {
      const std::string plain =
          ReadFile(dir_.file(std::string("plain/DEMO_Vembrel_") + table + ".csv"));
      return std::count(plain.begin(), plain.end(), '\n');
    }()) << table;
  }
  const std::string wells = ReadFile(dir_.file("odd/caf\xE9_Vembrel_wells.csv"));
  EXPECT_NE(wells.find("\ncaf\xEF\xBF\xBD,A01,"), std::string::npos) << wells;
  const std::string summary = ReadFile(dir_.file("odd/caf\xE9_Vembrel.csv"));
  const std::string plainSummary = ReadFile(dir_.file("plain/DEMO_Vembrel.csv"));
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'),
            std::count(plainSummary.begin(), plainSummary.end(), '\n'));
  EXPECT_NE(summary.find("odd\\n\\tfolder\xEF\xBF\xBD/\r\n"), std::string::npos);
  EXPECT_TRUE(IsValidUtf8(summary));
  const OrderedJson manifest = ReadJson(dir_.file("odd/caf\xE9_Vembrel_run.json"));
  EXPECT_EQ(manifest["plate"]["prefix_bytes"], "caf\\xe9_");
  EXPECT_EQ(UnescapedBytes(manifest["plate"]["path_bytes"].get<std::string>()),
            dir_.file(folder) + "/");
  EXPECT_TRUE(IsValidUtf8(ReadFile(dir_.file("odd/caf\xE9_Vembrel_report.html"))));

  // The records keep the names exactly: a resumed run reuses every well,
  // and the parts of a run put together give the whole run's files.
  const CommandRun resumed = batch("odd", "--resume", folder);
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  EXPECT_NE(resumed.out.find("Analysed 0 wells, reused 4"), std::string::npos) << resumed.out;
  ASSERT_EQ(batch("odd1", "--shard 1/2", folder).exitCode, 0);
  ASSERT_EQ(batch("odd2", "--shard 2/2", folder).exitCode, 0);
  const CommandRun merged = merge({"odd1", "odd2"}, "oddmerged");
  ASSERT_EQ(merged.exitCode, 0) << merged.err;
  ExpectSameFiles(ResultFiles(dir_.file("oddmerged")), ResultFiles(dir_.file("odd")));
}

}  // namespace
}  // namespace vembrel::testing
