// Preloaded into a process (LD_PRELOAD) to make every fsync and fdatasync of
// a regular file fail with EIO, as a disk that cannot store the data would;
// folders still sync. Lets a test see that a file is synced before it
// replaces its target, and that the target is kept when the sync fails.
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cerrno>

namespace {

bool RegularFile(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

extern "C" int fsync(int fd) {
  if (RegularFile(fd)) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd) {
  if (RegularFile(fd)) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fdatasync, fd));
}
