#include "cli/command_line.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace vembrel::cli {
namespace {

std::string ShellQuoted(const std::string& argument) {
  bool plain = !argument.empty();
  for (const char ch : argument) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) == 0 && std::string_view("-_./=:,+@%").find(ch) == std::string_view::npos)
      plain = false;
  }
  if (plain) return argument;
  std::string quoted = "'";
  for (const char ch : argument) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

}  // namespace

std::string ThisCommandLine() {
  // Linux keeps the arguments, each ended by a NUL, in /proc/self/cmdline.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string line;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (!line.empty()) line += ' ';
    line += ShellQuoted(bytes.substr(start, end - start));
    start = end + 1;
  }
  return line;
}

}  // namespace vembrel::cli
