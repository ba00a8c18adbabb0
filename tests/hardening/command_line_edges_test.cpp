// The edges of `vembrel` itself: no display, a missing plate, unknown
// commands. Exit codes: 2 for usage errors and unusable input, never an abort.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "support/command_run.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

// The program is started without any display for the test's lifetime.
class WithoutDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
  }
};

TEST_F(WithoutDisplay, TheDesktopProgramSaysWhatToDoInstead) {
  for (const char* arguments : {"", "gui"}) {
    const CommandRun run = RunVembrel(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments << ": " << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
  }
  // A display that cannot be reached ends the same way, not in an abort.
  setenv("DISPLAY", ":4711", 1);
  const CommandRun unreachable = RunVembrel("");
  EXPECT_EQ(unreachable.exitCode, 2) << unreachable.err;
  EXPECT_NE(unreachable.err.find("vembrel --help"), std::string::npos) << unreachable.err;
}

TEST_F(WithoutDisplay, UnusableInputIsAUsageError) {
  TempDir dir;
  const std::string missing = dir.file("DEMO_A01f00d0.tif");
  for (const std::string& arguments :
       {"gui " + Quoted(missing) + " --screenshot " + Quoted(dir.file("shot.png")),
        std::string("no-such-command"), std::string("batch")}) {
    const CommandRun run = RunVembrel(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments << ": " << run.err;
  }
  const CommandRun gui = RunVembrel("gui " + Quoted(missing));
  EXPECT_EQ(gui.exitCode, 2);
  if (gui.err.find("not expected") == std::string::npos) {  // a build with the desktop
    EXPECT_NE(gui.err.find("'" + missing + "'"), std::string::npos) << gui.err;
  }
}

// The desktop program is looked for beside vembrel; without it `gui` fails
// naming the path it looked at (exit 1).
TEST(DesktopProgram, MissingBesideVembrelIsNamed) {
  TempDir dir;
  const std::string copy = dir.file("vembrel");
  ASSERT_TRUE(RunShell("cp " + Quoted(VEMBREL_BINARY) + " " + Quoted(copy)).first);
  const std::string said =
      RunShell("QT_QPA_PLATFORM=offscreen " + Quoted(copy) + " gui 2>&1; echo \"exit $?\"").second;
  if (said.find("not expected") != std::string::npos) GTEST_SKIP() << "a build without desktop";
  const std::filesystem::path expected = std::filesystem::canonical(dir.path()) / "vembrel-desktop";
  EXPECT_NE(said.find("'" + expected.string() + "'"), std::string::npos) << said;
  EXPECT_NE(said.find("exit 1"), std::string::npos) << said;
}

}  // namespace
}  // namespace vembrel::testing
