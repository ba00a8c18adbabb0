#pragma once
// Starting the desktop program from the command line. It is a program of its
// own, vembrel-desktop beside vembrel, so that the command line never loads
// the Qt libraries: they would cost each run of a command several
// milliseconds.
#include <string>
#include <vector>

namespace vembrel::cli {

/// Replaces this process by vembrel-desktop, found in the folder of the running
/// program, with the arguments; returns only by throwing Error when it cannot
/// be started.
[[noreturn]] void ExecDesktopProgram(const std::vector<std::string>& arguments);

/// `vembrel` without arguments: starts the desktop program. Throws UsageError
/// without a display or in a build without the desktop program.
int StartDesktop();

}  // namespace vembrel::cli
