#pragma once
// Text files as the results are written: 8-bit text, lines ended by CR LF.
// A file is built in memory and replaced whole (core/replacement_file.h), so
// a good earlier file is never left half-overwritten.
#include <string>
#include <string_view>
#include <vector>

#include "core/replacement_file.h"

namespace vembrel {

class AtomicTextFile {
 public:
  /// Starts a new file at path (existing content will be replaced on commit).
  explicit AtomicTextFile(std::string path);
  /// Starts from the current content of path, to append to it on commit.
  static AtomicTextFile ForAppend(std::string path);

  void line(std::string_view text = {});  // text + CR LF
  void raw(std::string_view bytes);
  const std::string& content() const { return content_; }
  const std::string& path() const { return path_; }

  /// Replaces path by the content (see ReplacementFile). Throws Error naming
  /// the path when any step fails; the earlier file then stays intact.
  void commit(Durability durability = Durability::Synced);

 private:
  std::string path_;
  std::string content_;
};

/// Replaces path by bytes (see ReplacementFile). Throws Error naming the path.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         Durability durability = Durability::Synced);

/// Creates a folder and its missing parents. Throws Error naming the folder.
void CreateFolders(const std::string& folder);

/// Reads a whole regular file (a FIFO or device is refused, never waited on).
/// Throws Error "Unable to read file '<path>': <reason>".
std::string ReadWholeFile(const std::string& path);

/// Splits text into lines at LF, dropping a CR before it.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace vembrel
