#pragma once
// One run per results folder: an advisory lock (flock) on the file
// ".vembrel.lock" in the folder, held while the FolderLock lives. The lock
// file names its holder (process id and command line) for the message a
// second run gets. The lock goes with the process, also when it is killed;
// the file itself stays, empty of meaning until the next run takes it.
#include <functional>
#include <string>

#include "core/error.h"

namespace vembrel {

/// Another run holds the folder: the message names the folder and the holder.
class FolderInUseError : public UsageError {
 public:
  FolderInUseError(std::string folder, std::string holder);
  const std::string& folder() const { return folder_; }
  /// "process 1234 (vembrel batch ...)", or "another process" when unknown.
  const std::string& holder() const { return holder_; }

 private:
  std::string folder_;
  std::string holder_;
};

class FolderLock {
 public:
  static constexpr const char* kFileName = ".vembrel.lock";
  /// Told whom a waiting lock waits for, once, before it blocks.
  using WaitNotice = std::function<void(const std::string& holder)>;

  /// Takes the lock of an existing folder. When another run holds it, throws
  /// FolderInUseError, or with wait blocks until it is free. The lock is per
  /// open file, so a second FolderLock of the same folder in the same process
  /// is refused too (and would wait forever). Throws UsageError naming the
  /// folder when the lock file cannot be made.
  explicit FolderLock(const std::string& folder, bool wait = false, const WaitNotice& notice = {});
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  int fd_ = -1;
};

}  // namespace vembrel
