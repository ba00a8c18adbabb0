#pragma once
// One TIFF file opened once, from one descriptor: every read of its directory
// and pixels goes through this handle, so a file renamed over the path while
// it is being read cannot mix two pictures. The file is read into memory once
// and libtiff decodes from that copy as from a mapped file (every offset it
// reads checked against the copy's size), so a file cut short or rewritten in
// place while it is read cannot fault either. libtiff's messages are
// collected per handle and never reach stderr.
#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "imaging/file_fingerprint.h"

namespace vembrel {

/// Why a file could not be opened as a TIFF.
enum class TiffOpenStatus {
  kOpened,
  kMissing,     // no such file
  kNotAFile,    // a folder, device or pipe is in its place
  kEmpty,       // a file of 0 bytes
  kUnreadable,  // no permission, or not a TIFF the library can open
};

/// The first error and first warning libtiff reported for one handle.
struct TiffMessages {
  std::string error;
  std::string warning;
};

class TiffFile {
 public:
  /// Opens fileName for reading. On failure status() says why and message()
  /// reads "Unable to open file '<name>'" with the reason in brackets.
  explicit TiffFile(const std::string& fileName);
  ~TiffFile();
  TiffFile(const TiffFile&) = delete;
  TiffFile& operator=(const TiffFile&) = delete;

  TiffOpenStatus status() const { return status_; }
  const std::string& message() const { return message_; }
  const std::string& name() const { return name_; }
  TIFF* get() const { return tif_; }
  /// Size stated by the current page's directory, the first until setPage
  /// (0 x 0 when not opened).
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

  /// How many pages (directories) the file holds; 0 when not opened.
  int pageCount();
  /// Makes page (from 0) the one every later read concerns; false, with the
  /// first page current again, when the file holds no such page.
  bool setPage(int page);

  /// The first error the library reported since the last call, then forgets it.
  std::string takeError();

  /// Size and hash of the bytes decoded from (the copy in memory), or of
  /// the file read once more when no copy was made (files too large to
  /// copy). None for a file that could not be opened or is no regular file.
  std::optional<FileFingerprint> fingerprint() const;

  /// The count bytes from offset of the file as copied into memory, or null
  /// when no copy was made or they do not all lie in it.
  const std::uint8_t* copiedBytes(std::uint64_t offset, std::uint64_t count) const;

  struct Source;  // what the library reads through

 private:
  std::string name_;
  std::unique_ptr<Source> source_;
  TiffOpenStatus status_ = TiffOpenStatus::kUnreadable;
  std::string message_;
  std::unique_ptr<TiffMessages> messages_ = std::make_unique<TiffMessages>();
  TIFF* tif_ = nullptr;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

/// Bits per sample (8 or 16) when the picture is one unsigned grey sample per
/// pixel, black at 0, top row first, in strips or tiles: the layouts read
/// sample by sample. 0 for any other layout, which only libtiff's RGBA
/// conversion reads.
int PlainGreyBits(TIFF* tif);

/// Decodes a plain grey picture (PlainGreyBits != 0) row by row, top row
/// first, each strip or tile once. onRow(y, samples) receives width samples of
/// 1 or 2 bytes in host order; samples is nullptr for a row of a strip that
/// could not be decoded whole, and a tile that could not be decoded whole
/// reads as zeros. With stopAtFailure the walk ends at the first strip or
/// tile that fails. Returns the number of strips or tiles that failed; -1 when
/// their sizes do not match the picture's size (nothing reaches onRow then).
int ReadGreyRows(TiffFile& file, bool stopAtFailure,
                 const std::function<void(int, const std::uint8_t*)>& onRow);

}  // namespace vembrel
