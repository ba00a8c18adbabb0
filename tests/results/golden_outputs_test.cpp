// The files a cell-level batch writes for a few demo wells, against golden
// copies in tests/golden: the summary file, the cell data files and the
// workbook's sheets byte for byte (dates and the temporary folder masked), the
// JPEG snapshots by CRC-32, and a saved settings file. The batch runs through
// the real `vembrel` program, so the golden files pin what users get.
// After a deliberate change of the output, regenerate the copies with
//   VEMBREL_UPDATE_GOLDEN=1 test_results --gtest_filter='GoldenOutputs.*'
// and review the difference before committing it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "demo/demo_plate.h"
#include "plate/settings_file.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(VEMBREL_SOURCE_DIR) / "tests" / "golden";

bool Updating() {
  const char* update = std::getenv("VEMBREL_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
}

// Replaces the run's own folder by "<root>" and blanks the two dates, which
// are the only texts that differ from run to run.
std::string Masked(std::string text, const std::string& root) {
  ReplaceAll(text, root, "<root>");
  for (const std::string label : {"Measurement date: ", "Vembrel analysis: "}) {
    for (std::size_t at = 0; (at = text.find(label, at)) != std::string::npos;) {
      at += label.size();
      const std::size_t end = text.find_first_of("\r<", at);
      text.replace(at, end - at, "<date>");
    }
  }
  return text;
}

std::string Crc32(const std::string& bytes) {
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                          static_cast<uInt>(bytes.size()));
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", crc);
  return text;
}

void ExpectGolden(const std::string& name, const std::string& actual) {
  const fs::path golden = kGolden / name;
  if (Updating()) {
    fs::create_directories(golden.parent_path());
    std::ofstream(golden, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(fs::exists(golden)) << golden << " is missing; see the comment at the top";
  const std::string expected = ReadFile(golden);
  if (expected == actual) return;
  std::size_t line = 1;
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
    line += expected[at] == '\n' ? 1 : 0;
    ++at;
  }
  ADD_FAILURE() << name << " differs from " << golden << " first in line " << line;
}

TEST(GoldenOutputs, CellLevelBatchOnDemoWells) {
  constexpr std::uint32_t kSeed = 1;
  const int blueOnly =
      FindDemoWell(kSeed, [](const DemoWell& w) { return w.greenField == std::array<bool, 4>{}; });
  const int gap = FindDemoWell(kSeed, [](const DemoWell& w) {
    return w.greenField != kAllFields && w.greenField != std::array<bool, 4>{};
  });
  ASSERT_GE(blueOnly, 0);
  ASSERT_GE(gap, 0);
  TempDir dir;
  const std::string root = dir.path().string();
  WriteDemoPlate(root + "/pictures", kSeed, {0, 1, blueOnly, gap, 94, 95});

  const CommandRun run = RunVembrel("batch " + Quoted(root + "/pictures/DEMO_A01f00d0.tif") +
                                    " --cells --jobs 2 --results " + Quoted(root + "/results"));
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const fs::path results = root + "/results";
  ExpectGolden("DEMO_Vembrel.csv", Masked(ReadFile(results / "DEMO_Vembrel.csv"), root));
  const fs::path workbook = results / "DEMO_Vembrel.xlsx";
  ExpectGolden("DEMO_Vembrel.xlsx.sheet1.xml",
               Masked(Unzipped(workbook, "xl/worksheets/sheet1.xml"), root));
  ExpectGolden("DEMO_Vembrel.xlsx.sharedStrings.xml",
               Masked(Unzipped(workbook, "xl/sharedStrings.xml"), root));
  std::set<std::string> cellFiles;
  for (const auto& entry : fs::directory_iterator(results / "CellShape")) {
    cellFiles.insert(entry.path().filename().string());
  }
  ASSERT_EQ(cellFiles.size(), 5u);  // the blue-only well is not analysed
  for (const std::string& name : cellFiles) {
    ExpectGolden("CellShape/" + name, Masked(ReadFile(results / "CellShape" / name), root));
  }
  std::ostringstream crcs;
  for (const std::string folder : {"JPEGS", "CellJPEGS"}) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(results / folder)) {
      names.insert(entry.path().filename().string());
    }
    for (const std::string& name : names) {
      crcs << folder << "/" << name << " " << Crc32(ReadFile(results / folder / name)) << "\n";
    }
  }
  ExpectGolden("snapshot_crcs.txt", crcs.str());
}

TEST(GoldenOutputs, SavedSettingsFile) {
  AnalysisSettings settings;
  settings.display.green.cutoff = 12;
  settings.display.blue.fullRange = false;
  settings.ring.radius = 300;
  settings.ring.increment = 40;
  settings.cells.maximalSize = 65536;
  settings.cells.lengthRatio = 2.9;
  settings.cells.smoothness = 0.29;
  TempDir dir;
  WriteSettingsFile(dir.file("saved.VLS"), settings);
  ExpectGolden("saved.VLS", ReadFile(dir.file("saved.VLS")));
  // Decimals without an exact binary form read back as the values saved.
  EXPECT_EQ(ReadSettingsFile((kGolden / "saved.VLS").string()), settings);
}

}  // namespace
}  // namespace vembrel::testing
