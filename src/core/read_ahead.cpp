#include "core/read_ahead.h"

#include <fcntl.h>
#include <unistd.h>

namespace vembrel {

void ReadAhead(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    // Non-blocking: opening a pipe without a writer would wait for one.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) continue;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
  }
}

}  // namespace vembrel
