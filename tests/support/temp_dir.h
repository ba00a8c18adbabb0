#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

namespace vembrel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  /// path() / name as a string.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

/// Whole content of a file as bytes (empty when it cannot be read).
std::string ReadFile(const std::filesystem::path& path);

/// Replaces the file with exactly these bytes.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vembrel::testing
