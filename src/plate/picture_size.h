#pragma once
// The size of a TIFF picture from its header alone, to compare a well's fields.
#include <memory>
#include <optional>
#include <string>

struct tiff;  // libtiff's TIFF

namespace vembrel {

struct TiffCloser {
  void operator()(tiff* file) const;
};
using QuietTiff = std::unique_ptr<tiff, TiffCloser>;

/// The file opened by libtiff to read its header and tags (no memory
/// mapping), libtiff's errors and warnings silenced; nullptr when it cannot
/// be opened.
QuietTiff OpenTiffQuietly(const std::string& fileName);

struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const PictureSize&) const = default;
  auto operator<=>(const PictureSize&) const = default;
};

/// Width and height of the file's first picture; nothing when libtiff cannot
/// open it. Reads the header and first directory only; prints nothing.
std::optional<PictureSize> ReadTiffSize(const std::string& fileName);

/// "512 x 512".
std::string SizeText(const PictureSize& size);

}  // namespace vembrel
