// vembrel: the command-line face over the toolkit-free core. Without a
// subcommand the desktop program starts. Exit codes (README): 0 done, 1 some
// work failed, 2 usage errors and unusable input (UsageError).
#include <clocale>
#include <iostream>

#include "cli/command.h"
#include "cli/desktop_command.h"
#include "cli/exit_codes.h"
#include "core/error.h"
#include "core/memory_tuning.h"
#include "engine/analysed_well.h"

namespace vembrel::cli {

std::vector<CommandSetup>& CommandSetups() {
  static std::vector<CommandSetup> setups;
  return setups;
}

}  // namespace vembrel::cli

int main(int argc, char** argv) {
  // Dates follow the user's locale; numbers are always written with ".".
  std::setlocale(LC_TIME, "");
  vembrel::KeepPictureBuffersMapped();
  int exitCode = 0;
  CLI::App app{"Vembrel: cell-migration assays in 96-well plates"};
  app.require_subcommand(0, 1);
  app.set_version_flag("--version", "vembrel " + vembrel::ProgramVersion());
  for (const auto& setup : vembrel::cli::CommandSetups()) setup(app, exitCode);
  try {
    if (argc < 2) return vembrel::cli::StartDesktop();
    app.parse(argc, argv);
  } catch (...) {
    return vembrel::cli::ExitCodeOfCurrentException(app, exitCode);
  }
  return exitCode;
}
