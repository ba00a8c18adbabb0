#pragma once
// Replacing a file only by a complete new one.
//
// The new content goes to a temporary file in the target's folder, which is
// renamed over the target once complete: at every moment the target is the
// earlier complete file or the new complete one, also when the process is
// killed (kill -9) or the disk fills. The temporary is unnamed (O_TMPFILE)
// while it is written where the file system allows, so a killed writer
// leaves nothing behind; otherwise, and for libraries that open files by
// name, it is called ".<name>.vembrel-XXXXXX" with six random characters.
// Leftovers of that pattern are removed by RemoveLeftoverTemporaries.
//
// Only regular files are replaced: a target that exists as anything else (a
// FIFO, a device, a folder) is refused; a symbolic link is followed and the
// file it names is replaced, so the link stays a link.
//
// Durability against power cuts is chosen per file (Durability below): files
// the whole plate depends on are synced one by one; the many per-well files
// of a batch are not, and the batch makes them durable together with one
// SyncFolder before it replaces the plate-level summary that lists them.
#include <string>
#include <string_view>

namespace vembrel {

enum class Durability {
  /// The file is flushed to disk before the rename and its folder after:
  /// once commit returns, the new file survives a power cut.
  Synced,
  /// No flush: the new file is complete for every reader at once and after a
  /// kill, but a power cut or system crash before the next SyncFolder may
  /// leave it empty.
  Deferred,
};

class ReplacementFile {
 public:
  enum class Kind {
    Anonymous,  // unnamed until commit where the file system allows it
    Named,      // has a name from the start: temporaryPath() for libraries
  };

  /// Checks that the target is a regular file or absent (following symbolic
  /// links) and creates the temporary in its folder. Throws Error naming
  /// the target.
  explicit ReplacementFile(std::string target, Durability durability = Durability::Synced,
                           Kind kind = Kind::Anonymous);
  /// Removes the temporary unless it was committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& target() const { return target_; }
  /// The open temporary (write-only).
  int descriptor() const { return fd_; }
  /// Name of a Named temporary; "" for an unnamed one.
  const std::string& temporaryPath() const { return temporary_; }

  /// Appends bytes. Throws Error naming the target.
  void write(std::string_view bytes);
  /// Renames the temporary over the target (or the file a link names).
  /// Throws Error naming the target; the earlier file then stays intact and
  /// the temporary is removed.
  void commit();

 private:
  [[noreturn]] void fail(const std::string& what, int error);
  void discard();

  std::string target_;       // as given, for messages
  std::string destination_;  // the target with symbolic links followed
  std::string folder_;
  std::string temporary_;
  Durability durability_;
  int fd_ = -1;
  bool committed_ = false;
};

/// Flushes every file of the file system holding folder to disk, and the
/// folder itself (syncfs, then fsync of the folder): makes the Deferred files
/// written there and in its subfolders on that file system durable. It also
/// waits for other programs' data on that file system. Throws Error naming
/// the folder.
void SyncFolder(const std::string& folder);

/// Whether a file name has the pattern of the temporaries above.
bool IsReplacementTemporary(std::string_view fileName);

/// Removes the named temporaries that killed writers left in folder (not in
/// its subfolders); temporaries still being written are kept. Call it while
/// holding the folder's FolderLock. Returns how many were removed; a missing
/// folder has none.
int RemoveLeftoverTemporaries(const std::string& folder);

}  // namespace vembrel
