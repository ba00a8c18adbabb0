#pragma once
// The options that say how a plate is opened, shared by the commands that open one.
#include <CLI/CLI.hpp>

#include "plate/plate.h"

namespace vembrel::cli {

/// Adds --layout NAME|PATTERN, --channels NUCLEAR,CELL, --plane N, --time N,
/// --fields 4|1, --input-bits BITS, --pixel-size UM and --wells-per-plate N to the command. Values
/// are checked while the command line is parsed (a bad one is a usage error, exit code 2) and
/// stored in options, which must outlive the parsing.
void AddPlateOpenOptions(CLI::App& command, PlateOpenOptions& options);
/// Adds --wells-per-plate N: one of the plate formats, else a usage error naming them.
void AddWellsPerPlateOption(CLI::App& command, std::optional<PlateFormat>& format);

}  // namespace vembrel::cli
