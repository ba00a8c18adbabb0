// Starting the desktop program: `vembrel` without arguments and `vembrel gui`.
// The command-line-only build says it has no desktop program.
#include "cli/desktop_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli/gui_options.h"
#include "core/error.h"

namespace vembrel::cli {

void ExecDesktopProgram(const std::vector<std::string>& arguments) {
  // The folder of the program itself, whatever the link or PATH entry it was started by.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw Error("Unable to find the desktop program: " + error.message());
  const std::string program = (self.parent_path() / "vembrel-desktop").string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::cout.flush();
  execv(program.c_str(), argv.data());
  throw Error("Unable to start the desktop program '" + program + "': " + std::strerror(errno));
}

int StartDesktop() {
#ifdef VEMBREL_HAVE_DESKTOP
  RequireDisplay();
  ExecDesktopProgram({});
#else
  throw UsageError("this build has no desktop program; see vembrel --help");
#endif
}

}  // namespace vembrel::cli
