// vembrel: the command-line face over the toolkit-free core. Errors go to
// stderr with a non-zero exit code; without a subcommand the desktop program starts.
#include <clocale>
#include <iostream>

#include "cli/command.h"
#include "core/error.h"
#include "core/memory_tuning.h"

namespace vembrel::cli {

std::vector<CommandSetup>& CommandSetups() {
  static std::vector<CommandSetup> setups;
  return setups;
}

// Provided by the desktop face when it is built (desktop_command.cpp).
int RunDesktop(int argc, char** argv);

}  // namespace vembrel::cli

int main(int argc, char** argv) {
  // Dates follow the user's locale; numbers are always written with ".".
  std::setlocale(LC_TIME, "");
  vembrel::KeepPictureBuffersMapped();
  int exitCode = 0;
  CLI::App app{"Vembrel: cell-migration assays in 96-well plates"};
  app.require_subcommand(0, 1);
  for (const auto& setup : vembrel::cli::CommandSetups()) setup(app, exitCode);
  if (argc < 2) return vembrel::cli::RunDesktop(argc, argv);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  } catch (const vembrel::Error& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return exitCode != 0 ? exitCode : 1;
  } catch (const std::exception& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return 1;
  }
  return exitCode;
}
