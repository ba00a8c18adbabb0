// The command-line batch as users run it: the real program on a demo plate.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "core/text_file.h"
#include "plate/demo_plate.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

struct CommandRun {
  int exitCode = -1;
  std::string out;
};

CommandRun Vembrel(const std::string& arguments) {
  CommandRun run;
  const std::string command = std::string(VEMBREL_BINARY) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Every file under folder by relative path, with the analysis dates blanked.
std::map<std::string, std::string> ResultFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.path().extension() == ".xlsx") {
      files[name] = "workbook";  // holds its creation time; its cells are checked elsewhere
      continue;
    }
    std::string bytes = ReadFile(entry.path());
    if (entry.path().extension() == ".csv") {
      auto lines = SplitLines(bytes);
      for (auto& line : lines) {
        if (line.rfind("Vembrel analysis: ", 0) == 0) line = "Vembrel analysis: <today>";
      }
      bytes.clear();
      for (const auto& line : lines) bytes += line + "\n";
    }
    files[name] = bytes;
  }
  return files;
}

class BatchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(pictures_);
    WriteDemoPlate(pictures_.string(), 3, {0, 1, 2, 3, 4, 5});
  }
  std::string picture() const { return (pictures_ / "DEMO_A01f00d0.tif").string(); }
  TempDir dir_;
  fs::path pictures_ = dir_.path() / "plate" / "pictures";
};

TEST_F(BatchCommandTest, JobCountDoesNotChangeAnyFile) {
  const fs::path one = dir_.path() / "one";
  const fs::path two = dir_.path() / "two";
  const CommandRun first =
      Vembrel("batch '" + picture() + "' --cells --jobs 1 --results '" + one.string() + "'");
  ASSERT_EQ(first.exitCode, 0) << first.out;
  EXPECT_NE(first.out.find("Analysed 6 wells, 0 failed"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find((one / "DEMO_Vembrel.csv").string()), std::string::npos) << first.out;
  const CommandRun second =
      Vembrel("batch '" + picture() + "' --cells --jobs 2 --results '" + two.string() + "'");
  ASSERT_EQ(second.exitCode, 0) << second.out;

  const auto a = ResultFiles(one);
  const auto b = ResultFiles(two);
  EXPECT_TRUE(a.count("DEMO_Vembrel.csv"));
  EXPECT_TRUE(a.count("DEMO_Vembrel.xlsx"));
  EXPECT_TRUE(a.count("JPEGS/DEMO_A06.jpg"));
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    EXPECT_TRUE(b.at(name) == bytes) << name << " differs between --jobs 1 and --jobs 2";
  }
}

TEST_F(BatchCommandTest, ExitCodesTellFailedWellsFromUnusablePlates) {
  const fs::path results = dir_.path() / "plate";
  fs::create_directories(results / "JPEGS" /
                         "DEMO_A02.jpg.part");  // A02's snapshot cannot be written
  const CommandRun failed = Vembrel("batch '" + picture() + "' --jobs 2 --no-xlsx");
  EXPECT_EQ(failed.exitCode, 1) << failed.out;
  EXPECT_NE(failed.out.find("Analysed 5 wells, 1 failed"), std::string::npos) << failed.out;
  EXPECT_NE(failed.out.find("A02"), std::string::npos) << failed.out;
  EXPECT_TRUE(fs::exists(results / "DEMO_Vembrel.csv"));
  EXPECT_FALSE(fs::exists(results / "DEMO_Vembrel.xlsx"));

  const CommandRun missing = Vembrel("batch '" + dir_.file("nothing.tif") + "'");
  EXPECT_EQ(missing.exitCode, 2) << missing.out;
  EXPECT_NE(missing.out.find(dir_.file("nothing.tif")), std::string::npos) << missing.out;

  const std::string stray = dir_.file("stray/x_A01f00d0.tif");
  fs::create_directories(dir_.path() / "stray");
  WriteFileAtomically(stray, "not a plate");
  const CommandRun empty = Vembrel("batch '" + stray + "'");
  EXPECT_EQ(empty.exitCode, 2) << empty.out;

  const CommandRun usage = Vembrel("batch '" + picture() + "' --jobs 0");
  EXPECT_EQ(usage.exitCode, 2) << usage.out;
}

TEST(DemoCommand, UsesThePlateThatIsThereAndSaysWhereTheResultsAre) {
  TempDir dir;
  const std::string folder = dir.file("demo");
  WriteDemoPlate(folder + "/pictures", 1, {0, 1});
  const auto written = fs::last_write_time(folder + "/pictures/DEMO_A01f00d0.tif");
  const CommandRun run = Vembrel("demo '" + folder + "'");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("Writing the demo plate"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Analysed 2 wells, 0 failed"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Results are in " + folder + "/"), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder + "/pictures/DEMO_A03f00d0.tif"));
  EXPECT_EQ(fs::last_write_time(folder + "/pictures/DEMO_A01f00d0.tif"), written);
  EXPECT_TRUE(fs::exists(folder + "/DEMO_Vembrel.csv"));
  EXPECT_TRUE(fs::exists(folder + "/DEMO_Vembrel.xlsx"));
  EXPECT_TRUE(fs::exists(folder + "/JPEGS/DEMO_A02.jpg"));
}

}  // namespace
}  // namespace vembrel
