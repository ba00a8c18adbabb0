// Bad settings files, unusable results folders, awkward names and crowded
// plate folders, run through the real `vembrel`: a clear message naming the
// file or value, the exit code, and no earlier good file lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "command_run.h"
#include "core/central_settings.h"
#include "plate/demo_plate.h"
#include "plate/settings_file.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using testing::CommandRun;
using testing::Quoted;
using testing::ReadFile;
using testing::RunVembrel;
using testing::TempDir;

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The settings text of the defaults with one line exchanged (or dropped).
std::string DefaultSettingsWith(const std::string& key, const std::string& value,
                                const std::string& lineEnd = "\r\n") {
  TempDir dir;
  WriteSettingsFile(dir.file("d.VLS"), CentralSettings{});
  const std::string text = ReadFile(dir.file("d.VLS"));
  std::string out;
  std::size_t start = 0;
  bool replaceNext = false;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 2;
    if (replaceNext) {
      replaceNext = false;
      if (value.empty()) continue;
      line = value;
    } else if (line == "[" + key + "]" || line.rfind("[" + key + " ", 0) == 0) {
      replaceNext = true;
      if (value.empty()) continue;
    }
    out += line + lineEnd;
  }
  return out;
}

TEST(BadSettings, EmptyBinaryMissingAndOutOfRangeAreRefusedNamingFileAndValue) {
  TempDir dir;
  const std::string path = dir.file("bad settings.VLS");
  const struct {
    std::string content;
    std::string message;
  } cases[] = {
      {"", "key Cent_COG is missing"},
      {std::string("\x00\xff\x13[Cent_COG]\x00\x01", 10), "key Cent_COG is missing"},
      {DefaultSettingsWith("Cent_MAXS", ""), "key Cent_MAXS is missing"},
      {DefaultSettingsWith("Cent_diam", "2000"), "Cent_diam value '2000' is outside 0..1024"},
      {DefaultSettingsWith("Cent_Cell_Max", "0"), "Cent_Cell_Max value '0' is outside 1..65536"},
      {DefaultSettingsWith("Cent_RISI", "0"), "Cent_RISI value '0' is below 1"},
      {DefaultSettingsWith("Cent_COG", "abc"), "Cent_COG: "},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.content);
    const CommandRun run = RunVembrel("settings " + Quoted(path));
    EXPECT_EQ(run.exitCode, 1) << c.message;
    EXPECT_NE(run.err.find("vembrel: Settings file '" + path + "': " + c.message),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  const CommandRun missing = RunVembrel("settings " + Quoted(dir.file("none.VLS")));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("'" + dir.file("none.VLS") + "'"), std::string::npos) << missing.err;
}

TEST(BadSettings, CrLfAndLfLineEndsReadTheSame) {
  TempDir dir;
  WriteBytes(dir.file("crlf.VLS"), DefaultSettingsWith("Cent_diam", "300", "\r\n"));
  WriteBytes(dir.file("lf.VLS"), DefaultSettingsWith("Cent_diam", "300", "\n"));
  const CommandRun crlf = RunVembrel("settings " + Quoted(dir.file("crlf.VLS")));
  const CommandRun lf = RunVembrel("settings " + Quoted(dir.file("lf.VLS")));
  EXPECT_EQ(crlf.exitCode, 0) << crlf.err;
  EXPECT_EQ(lf.exitCode, 0) << lf.err;
  EXPECT_EQ(crlf.out, lf.out);
  EXPECT_NE(lf.out.find("300"), std::string::npos) << lf.out;
}

class PlateFixture : public ::testing::Test {
 protected:
  void SetUp() override { WriteDemoPlate(dir_.file("plate"), 5, {0, 1}); }
  std::string picture() const { return dir_.file("plate/DEMO_A01f00d0.tif"); }
  TempDir dir_;
};

TEST_F(PlateFixture, BadSettingsStopTheBatchBeforeAnythingIsWritten) {
  WriteBytes(dir_.file("bad.VLS"), DefaultSettingsWith("Cent_MINS", "255"));
  const CommandRun run = RunVembrel("batch " + Quoted(picture()) + " --jobs 1 --settings " +
                                    Quoted(dir_.file("bad.VLS")));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("Cent_MINS value '255' is outside 0..254"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir_.file("DEMO_Vembrel.csv")));
}

TEST_F(PlateFixture, ResultsPathThatIsAFileIsNamedAndTheFileKept) {
  const std::string blocker = dir_.file("not a folder");
  WriteBytes(blocker, "keep me");
  const CommandRun run =
      RunVembrel("batch " + Quoted(picture()) + " --jobs 1 --results " + Quoted(blocker));
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find(blocker), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(blocker), "keep me");
}

TEST_F(PlateFixture, MissingResultsFolderIsCreated) {
  const std::string results = dir_.file("deep/er/Results/");
  const CommandRun run =
      RunVembrel("batch " + Quoted(picture()) + " --jobs 1 --results " + Quoted(results));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(results + "DEMO_Vembrel.csv")) << run.out;
  EXPECT_TRUE(fs::exists(results + "DEMO_Vembrel.xlsx")) << run.out;
}

TEST(AwkwardNames, NonAsciiAndSpacesInFolderAndPrefix) {
  TempDir dir;
  const std::string folder = dir.file("Zürich plate ü 1");
  WriteDemoPlate(folder, 5, {0});
  // Give every picture a prefix with spaces and non-ASCII letters.
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    fs::rename(entry.path(), fs::path(folder) / ("Ünï cöde_" + name.substr(5)));
  }
  const std::string picture = folder + "/Ünï cöde_A01f00d0.tif";
  const CommandRun plate = RunVembrel("plate " + Quoted(picture));
  EXPECT_EQ(plate.exitCode, 0) << plate.err;
  EXPECT_NE(plate.out.find("Prefix:   Ünï cöde_\n"), std::string::npos) << plate.out;

  const CommandRun batch = RunVembrel("batch " + Quoted(picture) + " --jobs 1");
  EXPECT_EQ(batch.exitCode, 0) << batch.err;
  const std::string summary = dir.file("Ünï cöde_Vembrel.csv");
  ASSERT_TRUE(fs::exists(summary)) << batch.out;
  EXPECT_NE(ReadFile(summary).find(folder), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.file("Ünï cöde_Vembrel.xlsx")));
}

TEST(CrowdedFolder, ThousandsOfUnrelatedFilesDoNotDisturbThePlate) {
  TempDir dir;
  const std::string folder = dir.file("plate");
  WriteDemoPlate(folder, 5, {0});
  for (int i = 0; i < 3000; ++i) {
    WriteBytes(folder + "/note " + std::to_string(i) + (i % 3 == 0 ? ".tif" : ".txt"), "x");
  }
  fs::create_directory(folder + "/DEMO_B01f00d0.tif");  // a folder named like a picture
  const CommandRun plate = RunVembrel("plate " + Quoted(folder + "/DEMO_A01f00d0.tif"));
  EXPECT_EQ(plate.exitCode, 0) << plate.err;
  EXPECT_NE(plate.out.find("Included: 1 of 96 wells"), std::string::npos) << plate.out;
}

}  // namespace
}  // namespace vembrel
