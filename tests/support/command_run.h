#pragma once
// Runs the real `vembrel` program and keeps what it said and how it ended.
#include <string>
#include <vector>

namespace vembrel::testing {

struct CommandRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// Runs VEMBREL_BINARY with the arguments (already quoted for the shell).
CommandRun RunVembrel(const std::string& arguments);

/// Starts VEMBREL_BINARY with these arguments in the background (output
/// discarded) and returns its process id.
int StartVembrel(const std::vector<std::string>& arguments);
/// Waits for a started process; its exit code, or -signal when a signal ended it.
int WaitForProcess(int pid);

/// Single-quotes a path for the shell.
std::string Quoted(const std::string& path);

}  // namespace vembrel::testing
