#pragma once
// Runs the real `vembrel` program and keeps what it said and how it ended.
#include <string>

namespace vembrel::testing {

struct CommandRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// Runs VEMBREL_BINARY with the arguments (already quoted for the shell).
CommandRun RunVembrel(const std::string& arguments);

/// Single-quotes a path for the shell.
std::string Quoted(const std::string& path);

}  // namespace vembrel::testing
