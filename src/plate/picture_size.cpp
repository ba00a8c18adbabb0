#include "plate/picture_size.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <memory>

namespace vembrel {
namespace {

int Ignore(TIFF*, void*, const char*, const char*, va_list) {
  return 1;  // handled: nothing reaches stderr
}

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

}  // namespace

void TiffCloser::operator()(tiff* file) const {
  TIFFClose(file);
}

QuietTiff OpenTiffQuietly(const std::string& fileName) {
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Ignore, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Ignore, nullptr);
  // "m": no memory mapping; only what is asked for is read.
  return QuietTiff(TIFFOpenExt(fileName.c_str(), "rmO", options.get()));
}

std::optional<PictureSize> ReadTiffSize(const std::string& fileName) {
  const QuietTiff tif = OpenTiffQuietly(fileName);
  if (!tif) return std::nullopt;
  std::uint32_t width = 0, height = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) != 1) {
    return std::nullopt;
  }
  return PictureSize{static_cast<int>(width), static_cast<int>(height)};
}

std::string SizeText(const PictureSize& size) {
  return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace vembrel
