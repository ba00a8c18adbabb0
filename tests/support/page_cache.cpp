#include "support/page_cache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vembrel::testing {
namespace {

std::size_t PageSize() {
  return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

std::size_t FilePages(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return (static_cast<std::size_t>(info.st_size) + PageSize() - 1) / PageSize();
}

std::size_t ResidentPages(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const std::size_t size = FilePages(path) * PageSize();
  void* map = size > 0 ? ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
  ::close(fd);
  if (map == MAP_FAILED) return 0;
  std::vector<unsigned char> resident(size / PageSize());
  std::size_t count = 0;
  if (::mincore(map, size, resident.data()) == 0) {
    for (const unsigned char r : resident) count += r & 1;
  }
  ::munmap(map, size);
  return count;
}

bool DropFromPageCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
  return ResidentPages(path) < FilePages(path);
}

bool BecomeResident(const std::vector<std::string>& paths) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const std::string& path : paths) {
    while (ResidentPages(path) < FilePages(path)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

}  // namespace vembrel::testing
