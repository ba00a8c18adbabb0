// Every writer of result, settings and picture files replaces its target only
// once the new content is complete: on a full disk the earlier good file is
// kept byte for byte, the error names the file, and no temporary is left
// behind.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "core/error.h"
#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "imaging/grey_tiff_writer.h"
#include "imaging/image_files.h"
#include "plate/analysis_settings.h"
#include "plate/settings_file.h"
#include "results/spreadsheet.h"
#include "support/command_run.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

// A small tmpfs mounted in a mount namespace of the test's own, so nothing
// outside sees it and nothing stays mounted when the test ends. Needs root.
struct SmallDisk {
  std::string folder;
  std::string problem;  // why there is none
  explicit SmallDisk(std::string where) : folder(std::move(where)) {
    if (geteuid() != 0) {
      problem = "a full disk is made with a small tmpfs, which needs root";
    } else if (unshare(CLONE_NEWNS) != 0 ||
               mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      problem = std::string("no mount namespace of its own: ") + std::strerror(errno);
    } else if (fs::create_directory(folder);
               mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0) {
      problem = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (problem.empty()) umount(folder.c_str());
  }
};

void FillUp(const std::string& path) {
  std::ofstream filler(path, std::ios::binary);
  const std::string block(4096, 'f');
  while (filler.write(block.data(), block.size())) {
  }
}

TEST(FailingWrites, AFullDiskKeepsEveryEarlierFile) {
  TempDir dir;
  const SmallDisk small(dir.file("disk"));
  if (!small.problem.empty()) GTEST_SKIP() << small.problem;
  const std::string& disk = small.folder;
  const auto file = [&](const std::string& name) { return disk + "/" + name; };
  Picture picture(64, 64);
  const std::vector<std::uint8_t> grey(64 * 64, 100);
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> writers = {
      {"settings.VLS", [](const auto& path) { WriteSettingsFile(path, AnalysisSettings{}); }},
      {"summary.csv",
       [](const auto& path) {
         AtomicTextFile summary(path);
         summary.line("Numer of Cells");
         summary.commit();
       }},
      {"snap.jpg", [&](const auto& path) { WriteJpeg(picture, path); }},
      {"shot.png", [&](const auto& path) { WritePng(picture, path); }},
      {"book.xlsx",
       [](const auto& path) {
         WriteWorkbook(path, {{"a", "b"}, {"1"}});
       }},
      {"field.tif", [&](const auto& path) { WriteGreyTiffFile(path, grey.data(), 64, 64, 64); }},
  };
  for (const auto& [name, write] : writers) WriteBytes(file(name), "earlier good " + name);
  FillUp(file("filler"));

  // The failure is said once, in the error: no library prints lines of its own.
  ::testing::internal::CaptureStderr();
  for (const auto& [name, write] : writers) {
    SCOPED_TRACE(name);
    try {
      write(file(name));
      ADD_FAILURE() << "the write did not fail";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("'" + file(name) + "'"), std::string::npos) << e.what();
      if (name == "book.xlsx") {  // the library's reason, taken from its own words
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(ReadFile(file(name)), "earlier good " + name);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(std::distance(fs::directory_iterator(disk), {}), 7) << "a temporary was left";
}

// A file is synced before it replaces its target: when the sync fails (a
// preloaded fsync that fails with EIO), the earlier file stays.
TEST(FailingWrites, AFailedSyncKeepsTheEarlierFile) {
  TempDir dir;
  WriteDemoPlate(dir.file("pictures"), 3, {0});
  const std::string batch = "batch " + Quoted(dir.file("pictures")) +
                            " --progress none --results " + Quoted(dir.file("results"));
  ASSERT_EQ(RunVembrel(batch).exitCode, 0);
  const std::string summary = dir.file("results/DEMO_Vembrel.csv");
  WriteBytes(summary, "earlier good summary");
  // Under AddressSanitizer the shim comes before the sanitizer's runtime, which
  // the runtime refuses unless told that the order is meant.
  const char* earlierAsanOptions = std::getenv("ASAN_OPTIONS");
  const std::string asanOptions = earlierAsanOptions ? earlierAsanOptions : "";
  setenv("ASAN_OPTIONS", (asanOptions + ":verify_asan_link_order=0").c_str(), 1);
  setenv("LD_PRELOAD", FAILING_FSYNC_SHIM, 1);
  const CommandRun failing = RunVembrel(batch);
  unsetenv("LD_PRELOAD");
  if (earlierAsanOptions) {
    setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
  } else {
    unsetenv("ASAN_OPTIONS");
  }
  EXPECT_EQ(failing.exitCode, 1) << failing.err;
  EXPECT_NE(failing.err.find("'" + summary + "'"), std::string::npos) << failing.err;
  EXPECT_NE(failing.err.find(std::strerror(EIO)), std::string::npos) << failing.err;
  EXPECT_EQ(ReadFile(summary), "earlier good summary");
}

}  // namespace
}  // namespace vembrel::testing
