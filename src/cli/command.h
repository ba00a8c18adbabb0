#pragma once
// Subcommands of `vembrel` register themselves: each file of this folder
// defines one with a static CommandRegistration.
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "core/error.h"

namespace vembrel::cli {

/// Adds the subcommand to the app; the callback it installs returns the exit
/// code through the int it was given.
using CommandSetup = std::function<void(CLI::App& app, int& exitCode)>;

std::vector<CommandSetup>& CommandSetups();

struct CommandRegistration {
  explicit CommandRegistration(CommandSetup setup) { CommandSetups().push_back(std::move(setup)); }
};

/// A subcommand's work run from its callback: what it returns is the exit
/// code; a UsageError makes it 2 and goes on to main, which prints it.
template <class Work>
void RunWithExitCode(int& exitCode, Work work) {
  try {
    exitCode = work();
  } catch (const UsageError&) {
    exitCode = 2;
    throw;
  }
}

}  // namespace vembrel::cli
