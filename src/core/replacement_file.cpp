#include "core/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "core/error.h"

namespace vembrel {
namespace {

constexpr std::string_view kMarker = ".vembrel-";
constexpr std::size_t kRandomLength = 6;
// Keeps ".<name>.vembrel-XXXXXX" within the 255 bytes a file name may have.
constexpr std::size_t kMaxBaseLength = 200;
constexpr int kMaxLinkHops = 40;
constexpr int kNameAttempts = 100;

bool IsNameCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where the names' random characters come from: seeded from the system once
// per thread rather than asking it for every file. A clash with another
// writer's name (a forked process repeats its parent's sequence) only costs
// another attempt: temporaries are created with O_EXCL and linked without
// replacing.
std::uint64_t SuffixSeed() {
  std::uint64_t seed = 0;
  if (getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed)) {
    // No entropy yet (early boot): the clock and the process still make
    // clashes rare.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    seed = static_cast<std::uint64_t>(now.tv_nsec) * 6364136223846793005ULL +
           static_cast<std::uint64_t>(now.tv_sec) + static_cast<std::uint64_t>(getpid());
  }
  return seed;
}

std::string RandomSuffix() {
  static constexpr char kAlphabet[] =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  thread_local std::uint64_t state = SuffixSeed();
  // splitmix64: every step a well-mixed 64-bit value.
  state += 0x9e3779b97f4a7c15ULL;
  std::uint64_t mix = state;
  mix = (mix ^ (mix >> 30)) * 0xbf58476d1ce4e5b9ULL;
  mix = (mix ^ (mix >> 27)) * 0x94d049bb133111ebULL;
  mix ^= mix >> 31;
  std::string suffix;
  for (std::size_t i = 0; i < kRandomLength; ++i, mix >>= 8) {
    suffix += kAlphabet[(mix & 0xff) % (sizeof kAlphabet - 1)];
  }
  return suffix;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryName(const std::string& folder, const std::string& name) {
  return folder + "/." + name.substr(0, kMaxBaseLength) + std::string(kMarker) + RandomSuffix();
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// The file the target names once symbolic links are followed; Error when it
// exists and is not a regular file.
std::string Destination(const std::string& target) {
  std::string path = target;
  for (int hop = 0;; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return path;
      throw Error("Unable to create file '" + target + "': " + std::strerror(errno));
    }
    if (S_ISREG(info.st_mode)) return path;
    if (!S_ISLNK(info.st_mode)) {
      const std::string shown = path == target ? "it is " : "it links to '" + path + "', ";
      throw Error("Unable to write file '" + target + "': " + shown + KindOf(info.st_mode) +
                  ", not a regular file");
    }
    if (hop == kMaxLinkHops) {
      throw Error("Unable to create file '" + target + "': " + std::strerror(ELOOP));
    }
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0) throw Error("Unable to create file '" + target + "': " + std::strerror(errno));
    link.resize(static_cast<std::size_t>(length));
    path = !link.empty() && link[0] == '/' ? link : FolderOf(path) + "/" + link;
  }
}

void SyncDirectory(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target, Durability durability, Kind kind)
    : target_(std::move(target)), durability_(durability) {
  destination_ = Destination(target_);
  folder_ = FolderOf(destination_);
  if (kind == Kind::Anonymous) {
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    // File systems without unnamed files get a named temporary instead.
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      fail("create", errno);
    }
  }
  for (int attempt = 0; fd_ < 0 && attempt < kNameAttempts; ++attempt) {
    temporary_ = TemporaryName(folder_, NameOf(destination_));
    fd_ = ::open(temporary_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd_ < 0 && errno != EEXIST) {
      temporary_.clear();
      fail("create", errno);
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    fail("create", EEXIST);
  }
  // Marks the temporary as being written: RemoveLeftoverTemporaries skips it.
  ::flock(fd_, LOCK_EX | LOCK_NB);
}

ReplacementFile::~ReplacementFile() {
  if (!committed_) discard();
}

void ReplacementFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

void ReplacementFile::fail(const std::string& what, int error) {
  discard();
  throw Error("Unable to " + what + " file '" + target_ + "': " + std::strerror(error));
}

void ReplacementFile::write(std::string_view bytes) {
  if (fd_ < 0 || committed_) throw Error("Unable to write file '" + target_ + "': not open");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write", errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void ReplacementFile::commit() {
  if (fd_ < 0 || committed_) throw Error("Unable to write file '" + target_ + "': not open");
  if (durability_ == Durability::Synced && ::fsync(fd_) != 0 && errno != EINVAL) {
    fail("write", errno);
  }
  if (temporary_.empty()) {
    // An unnamed file gets a unique name first: linkat cannot replace a file.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; temporary_.empty() && attempt < kNameAttempts; ++attempt) {
      const std::string name = TemporaryName(folder_, NameOf(destination_));
      int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
      if (linked != 0 && errno == ENOENT) {  // no /proc: needs CAP_DAC_READ_SEARCH
        linked = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
      }
      if (linked == 0) {
        temporary_ = name;
      } else if (errno != EEXIST) {
        fail("write", errno);
      }
    }
    if (temporary_.empty()) fail("write", EEXIST);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail("write", errno);
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) fail("write", errno);
  committed_ = true;
  temporary_.clear();
  if (durability_ == Durability::Synced) SyncDirectory(folder_);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    throw Error("Unable to write the files of folder '" + folder +
                "' to disk: " + std::strerror(errno));
  }
  if (::syncfs(fd) != 0 || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    throw Error("Unable to write the files of folder '" + folder +
                "' to disk: " + std::strerror(error));
  }
  ::close(fd);
}

bool IsReplacementTemporary(std::string_view fileName) {
  const std::size_t tail = kMarker.size() + kRandomLength;
  if (fileName.size() < 2 + tail || fileName[0] != '.') return false;
  const std::string_view end = fileName.substr(fileName.size() - tail);
  if (end.substr(0, kMarker.size()) != kMarker) return false;
  for (const char c : end.substr(kMarker.size())) {
    if (!IsNameCharacter(c)) return false;
  }
  return true;
}

int RemoveLeftoverTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  const int dirFd = ::dirfd(dir);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsReplacementTemporary(entry->d_name)) continue;
    const int fd =
        ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat info {};
    // A temporary its writer still holds is locked; leave it to the writer.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlinkat(dirFd, entry->d_name, 0) == 0) {
      ++removed;
    }
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

}  // namespace vembrel
