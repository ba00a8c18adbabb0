#include "core/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/error.h"

namespace vembrel {
namespace {

std::string Reason() {
  return std::strerror(errno);
}

}  // namespace

AtomicTextFile::AtomicTextFile(std::string path) : path_(std::move(path)) {}

AtomicTextFile AtomicTextFile::ForAppend(std::string path) {
  AtomicTextFile file(path);
  file.content_ = ReadWholeFile(path);
  return file;
}

void AtomicTextFile::line(std::string_view text) {
  content_.append(text);
  content_.append("\r\n");
}

void AtomicTextFile::raw(std::string_view bytes) {
  content_.append(bytes);
}

void AtomicTextFile::commit(Durability durability) {
  WriteFileAtomically(path_, content_, durability);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
  ReplacementFile file(path, durability);
  file.write(bytes);
  file.commit();
}

void CreateFolders(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder)) {
    throw Error("Unable to create folder '" + folder +
                "': " + (error ? error.message() : std::string("not a folder")));
  }
}

std::string ReadWholeFile(const std::string& path) {
  // Non-blocking, so that a FIFO is refused instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw Error("Unable to read file '" + path + "': " + Reason());
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw Error("Unable to read file '" + path + "': not a regular file");
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string reason = Reason();
      ::close(fd);
      throw Error("Unable to read file '" + path + "': " + reason);
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace vembrel
