#include "core/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

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

void AtomicTextFile::commit() {
  WriteFileAtomically(path_, content_);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".part";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw Error("Unable to create file '" + path + "': " + Reason());
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string reason = Reason();
      ::close(fd);
      ::unlink(temporary.c_str());
      throw Error("Unable to write file '" + path + "': " + reason);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) {
    const std::string reason = Reason();
    ::close(fd);
    ::unlink(temporary.c_str());
    throw Error("Unable to write file '" + path + "': " + reason);
  }
  if (::close(fd) != 0) {
    const std::string reason = Reason();
    ::unlink(temporary.c_str());
    throw Error("Unable to write file '" + path + "': " + reason);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = Reason();
    ::unlink(temporary.c_str());
    throw Error("Unable to write file '" + path + "': " + reason);
  }
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
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Unable to read file '" + path + "': " + Reason());
  std::ostringstream out;
  out << in.rdbuf();
  if (in.bad()) throw Error("Unable to read file '" + path + "'");
  return out.str();
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
