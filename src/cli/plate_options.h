#pragma once
// The options that say how a plate is opened, shared by the commands that open one.
#include <CLI/CLI.hpp>

#include "plate/plate.h"

namespace vembrel::cli {

/// Adds --layout NAME|PATTERN, --channels NUCLEAR,CELL, --plane N, --time N,
/// --fields 4|1, --input-bits BITS and --pixel-size UM to the command. Values are checked while the
/// command line is parsed (a bad one is a usage error, exit code 2) and stored in options, which
/// must outlive the parsing.
void AddPlateOpenOptions(CLI::App& command, PlateOpenOptions& options);

}  // namespace vembrel::cli
