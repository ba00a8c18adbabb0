#pragma once
// How both programs, vembrel and vembrel-desktop, end on an exception.
#include <CLI/CLI.hpp>

namespace vembrel::cli {

/// Called in a catch block: says what the exception being handled says and
/// returns the exit code (README): CLI11's own for --help and parse errors
/// (2 for an error), 2 for UsageError, exitCode or else 1 for Error, 1 for
/// anything else.
int ExitCodeOfCurrentException(const CLI::App& app, int exitCode = 0);

}  // namespace vembrel::cli
