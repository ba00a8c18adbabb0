#pragma once
// The size of a TIFF picture from its header alone, to compare a well's fields.
#include <optional>
#include <string>

namespace vembrel {

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
