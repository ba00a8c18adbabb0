#pragma once
// The command line this process was started with, for the run manifest.
#include <string>

namespace vembrel::cli {

/// The program's arguments as a shell would take them back: each argument
/// that holds anything but letters, digits and "-_./=:,+@%" in single
/// quotes. "" when they cannot be read.
std::string ThisCommandLine();

}  // namespace vembrel::cli
