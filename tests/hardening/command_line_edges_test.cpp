// The edges of `vembrel` itself: no display, a missing plate, unknown
// commands. Exit codes: 2 for usage errors and unusable input, never an abort.
#include <gtest/gtest.h>
#include <stdlib.h>

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

}  // namespace
}  // namespace vembrel::testing
