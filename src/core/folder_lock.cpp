#include "core/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vembrel {
namespace {

constexpr std::size_t kMaxCommandLine = 200;

std::string LockPath(const std::string& folder) {
  return folder + (!folder.empty() && folder.back() == '/' ? "" : "/") + FolderLock::kFileName;
}

// "1234\n<command line>\n", the command line as one line of printable text.
std::string HolderRecord() {
  std::string command;
  const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buffer[kMaxCommandLine];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    for (ssize_t i = 0; i < n; ++i) {
      const unsigned char c = static_cast<unsigned char>(buffer[i]);
      command += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
    while (!command.empty() && command.back() == ' ') command.pop_back();
  }
  return std::to_string(::getpid()) + "\n" + command + "\n";
}

std::string HolderOf(int fd) {
  char buffer[kMaxCommandLine + 32];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
  const std::string record(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  const std::size_t newline = record.find('\n');
  if (newline == std::string::npos || newline == 0) return "another process";
  const std::string pid = record.substr(0, newline);
  std::string command = record.substr(newline + 1);
  if (const std::size_t end = command.find('\n'); end != std::string::npos) command.resize(end);
  return "process " + pid + (command.empty() ? "" : " (" + command + ")");
}

}  // namespace

FolderInUseError::FolderInUseError(std::string folder, std::string holder)
    : UsageError("The results folder '" + folder + "' is in use by " + holder),
      folder_(std::move(folder)),
      holder_(std::move(holder)) {}

FolderLock::FolderLock(const std::string& folder, bool wait, const WaitNotice& notice)
    : folder_(folder) {
  const std::string path = LockPath(folder);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  struct stat info {};
  if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(fd_);
    fd_ = -1;
    errno = EINVAL;
  }
  if (fd_ < 0) {
    throw UsageError("Unable to lock the results folder '" + folder + "' (file '" + path +
                     "'): " + std::strerror(errno));
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const std::string holder = HolderOf(fd_);
    if (!wait) {
      ::close(fd_);
      throw FolderInUseError(folder, holder);
    }
    if (notice) notice(holder);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd_);
      throw UsageError("Unable to lock the results folder '" + folder +
                       "': " + std::strerror(error));
    }
  }
  // Who holds it, for the message of the next run; the lock works without it.
  const std::string record = HolderRecord();
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd_, record.data(), record.size(), 0);
  }
}

FolderLock::~FolderLock() {
  if (fd_ < 0) return;
  [[maybe_unused]] const int cleared = ::ftruncate(fd_, 0);
  ::close(fd_);
}

}  // namespace vembrel
