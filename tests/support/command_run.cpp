#include "command_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "support/temp_dir.h"

namespace vembrel::testing {

std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::pair<bool, std::string> RunShell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {false, out};
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  return {pclose(pipe) == 0, out};
}

std::string HeadlessChromium(const std::string& profile) {
  if (!RunShell("command -v chromium >/dev/null").first) return "";
  return "timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
         "--disable-background-networking --disable-component-update --disable-sync "
         "--hide-scrollbars --user-data-dir=" +
         Quoted(profile) + " ";
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

CommandRun RunVembrel(const std::string& arguments) {
  const std::string errFile =
      (std::filesystem::temp_directory_path() / ("vembrel-stderr-" + std::to_string(getpid())))
          .string();
  CommandRun run;
  const std::string command =
      std::string(VEMBREL_BINARY) + " " + arguments + " 2>" + Quoted(errFile);
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(errFile);
  std::filesystem::remove(errFile);
  return run;
}

int StartVembrel(const std::vector<std::string>& arguments) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(VEMBREL_BINARY)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(VEMBREL_BINARY, argv.data());
    _exit(127);
  }
  return pid;
}

int WaitForProcess(int pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

}  // namespace vembrel::testing
