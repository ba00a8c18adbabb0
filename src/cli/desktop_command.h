#pragma once
// Starting the desktop program from the command line.

namespace vembrel::cli {

/// Throws UsageError with a hint when no display is set, and makes a display
/// Qt cannot open end the program with the same hint and exit code 2 rather
/// than an abort. Does nothing in a build without the desktop program.
void RequireUsableDisplay();

/// `vembrel` without arguments: the desktop program's exit code. Throws
/// UsageError without a display or without the desktop program.
int StartDesktop(int argc, char** argv);

}  // namespace vembrel::cli
