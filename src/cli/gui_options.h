#pragma once
// The options of `vembrel gui`, shared by the command line, which checks them
// and hands them on, and the desktop program vembrel-desktop, which reads
// them again: both parse them with the same definitions.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "desktop/gui_session.h"

namespace vembrel::cli {

/// Adds [PICTURE], the plate's open options, --settings, --plate-map, --well,
/// --tab and --screenshot to the command, stored in options (which must
/// outlive the parsing).
void AddGuiOptions(CLI::App& command, GuiOptions& options);

/// Refuses, before any window opens, what cannot be shown: a missing picture,
/// a name that is no well, an unreadable plate map (UsageError, exit code 2).
void CheckGuiOptions(const GuiOptions& options);

/// Throws UsageError with a hint when no display is set (neither
/// QT_QPA_PLATFORM, DISPLAY nor WAYLAND_DISPLAY).
void RequireDisplay();

/// The hint that ends every "no display" message.
extern const char kNoDisplayHint[];

/// The options the command was given, as arguments that the same options
/// parse back into the same values: "--name=value" for each given value (so a
/// value may start with "-"), then "--" and the positional values.
std::vector<std::string> GivenArguments(const CLI::App& command);

}  // namespace vembrel::cli
