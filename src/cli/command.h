#pragma once
// Subcommands of `vembrel` register themselves: each file of this folder
// defines one with a static CommandRegistration.
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace vembrel::cli {

/// Adds the subcommand to the app; the callback it installs returns the exit
/// code through the int it was given.
using CommandSetup = std::function<void(CLI::App& app, int& exitCode)>;

std::vector<CommandSetup>& CommandSetups();

struct CommandRegistration {
  explicit CommandRegistration(CommandSetup setup) { CommandSetups().push_back(std::move(setup)); }
};

}  // namespace vembrel::cli
