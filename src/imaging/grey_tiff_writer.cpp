#include "imaging/grey_tiff_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/error.h"
#include "core/replacement_file.h"

namespace vembrel {
namespace {

int KeepError(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
  auto* message = static_cast<std::string*>(user);
  if (message->empty()) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    *message = std::string(module != nullptr ? module : "") + ": " + buffer;
  }
  return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

}  // namespace

void WriteGreyTiffFile(const std::string& path, const std::uint8_t* topRow, int width, int height,
                       std::ptrdiff_t rowStride) {
  // The library writes to a file name: a named temporary beside the target.
  ReplacementFile file(path, Durability::Deferred, ReplacementFile::Kind::Named);
  const std::string& part = file.temporaryPath();
  std::string problem;
  {
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &problem);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreWarning, nullptr);
    std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpenExt(part.c_str(), "w", options.get()),
                                               TIFFClose);
    if (!tif) throw Error("Unable to create file '" + path + "': " + problem);
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, 64u);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
      std::copy_n(topRow + y * rowStride, width, row.begin());
      if (TIFFWriteScanline(tif.get(), row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
        tif.reset();
        throw Error("Unable to write file '" + path + "': " + problem);
      }
    }
    if (!TIFFFlush(tif.get())) {
      tif.reset();
      throw Error("Unable to write file '" + path + "': " + problem);
    }
  }
  file.commit();
}

}  // namespace vembrel
