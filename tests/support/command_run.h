#pragma once
// Runs the real `vembrel` program and keeps what it said and how it ended.
#include <string>
#include <utility>
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

/// Runs a shell command: whether it exited with 0, and what it printed.
std::pair<bool, std::string> RunShell(const std::string& command);
/// The command line of headless chromium keeping its profile in `profile`,
/// ending in a space; empty when chromium is not installed.
std::string HeadlessChromium(const std::string& profile);

/// How often `part` occurs in `text`.
std::size_t Occurrences(const std::string& text, const std::string& part);

}  // namespace vembrel::testing
