#include "imaging/tiff_loader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "core/error.h"

namespace vembrel {
namespace {

// First error and first warning libtiff reported for one handle.
struct LibraryMessages {
  std::string error;
  std::string warning;
};

std::string Format(const char* module, const char* fmt, va_list args) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  std::string text(buffer);
  if (module != nullptr && *module != '\0' && text.rfind(module, 0) != 0) {
    text = std::string(module) + ": " + text;
  }
  return text;
}

int KeepError(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
  auto* messages = static_cast<LibraryMessages*>(user);
  if (messages->error.empty()) messages->error = Format(module, fmt, args);
  return 1;  // handled: the library's default stderr handler is not called
}

int KeepWarning(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
  auto* messages = static_cast<LibraryMessages*>(user);
  if (messages->warning.empty()) messages->warning = Format(module, fmt, args);
  return 1;
}

// Messages that some library paths still send to the process-wide handlers
// are dropped rather than printed.
void SilenceGlobalHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

struct TiffClose {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};

std::string SizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The library packs red into the lowest byte; pictures keep blue there.
void ExchangeRedAndBlue(Picture& picture) {
  const std::size_t count = picture.bytes.size() / 4;
  std::uint8_t* data = picture.bytes.data();
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t word;
    std::memcpy(&word, data + 4 * i, 4);
    word = (word & 0xff00ff00u) | ((word & 0xffu) << 16) | ((word >> 16) & 0xffu);
    std::memcpy(data + 4 * i, &word, 4);
  }
}

// An open TIFF whose size and sample layout passed the checks; libtiff's
// messages for it are collected in messages, which outlives the handle.
struct OpenedTiff {
  std::unique_ptr<LibraryMessages> messages = std::make_unique<LibraryMessages>();
  std::unique_ptr<TIFF, TiffClose> tif;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

OpenedTiff OpenTiff(const std::string& fileName) {
  SilenceGlobalHandlers();
  OpenedTiff opened;
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) throw Error("Unable to open file '" + fileName + "'");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, opened.messages.get());
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), KeepWarning, opened.messages.get());

  opened.tif.reset(TIFFOpenExt(fileName.c_str(), "r", options.get()));
  if (!opened.tif) {
    std::string message = "Unable to open file '" + fileName + "'";
    if (!opened.messages->error.empty()) message += " (" + opened.messages->error + ")";
    throw Error(message);
  }
  TIFF* tif = opened.tif.get();
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &opened.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &opened.height);
  if (opened.width == 0 || opened.height == 0 || opened.width > kMaxPictureSide ||
      opened.height > kMaxPictureSide) {
    throw Error("Unable to load file '" + fileName + "': picture size " +
                SizeText(opened.width, opened.height) + " is outside 1 x 1 .. " +
                SizeText(kMaxPictureSide, kMaxPictureSide));
  }

  // A sample layout the library cannot convert at all (32-bit float, odd bit
  // depths) would otherwise come back as a silently black picture.
  char unsupported[1024] = "";
  if (TIFFRGBAImageOK(tif, unsupported) == 0) {
    throw Error("Unable to load file '" + fileName + "': " + unsupported);
  }
  return opened;
}

// libtiff's RGBA conversion of the whole picture.
Picture ReadRgba(OpenedTiff& opened) {
  Picture picture;
  try {
    picture = Picture(static_cast<int>(opened.width), static_cast<int>(opened.height));
  } catch (const std::bad_alloc&) {
    opened.tif.reset();
    throw Error("Unable to create TBitmap buffer");
  }
  // Stop-on-error 0: a damaged file still gives what could be read; the rest
  // stays as the new picture was created. The result code is not examined.
  TIFFReadRGBAImage(opened.tif.get(), opened.width, opened.height,
                    reinterpret_cast<std::uint32_t*>(picture.bytes.data()), 0);
  opened.tif.reset();
  ExchangeRedAndBlue(picture);
  return picture;
}

// The microscope's usual layouts: 8- or 16-bit grey, black at 0, one
// sample, strips, top row first. Returns the bits per sample, 0 for any other
// layout. The RGBA conversion turns a grey value g into (g, g, g, 255),
// keeping the high byte of a 16-bit value.
int PlainGreyBits(TIFF* tif) {
  std::uint16_t bits = 0, samples = 0, format = 0, orientation = 0, photometric = 0,
                compression = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const bool plain = !TIFFIsTiled(tif) && (bits == 8 || bits == 16) && samples == 1 &&
                     format == SAMPLEFORMAT_UINT && orientation == ORIENTATION_TOPLEFT &&
                     compression != COMPRESSION_OJPEG &&
                     TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) == 1 &&
                     photometric == PHOTOMETRIC_MINISBLACK;
  return plain ? bits : 0;
}

// The grey value of sample x of a decoded row, as the RGBA conversion takes it.
template <int Bits>
std::uint32_t GreyAt(const std::uint8_t* row, int x) {
  if constexpr (Bits == 8) {
    return row[x];
  } else {
    std::uint16_t sample;  // the library hands samples over in host byte order
    std::memcpy(&sample, row + 2 * x, 2);
    return sample >> 8;
  }
}

// Decodes a plain grey picture strip by strip straight into target at
// (column, row from the bottom), as the RGBA conversion would. False when a
// strip cannot be read whole: the conversion's handling of damaged strips is
// then left to the library.
template <int Bits>
bool ReadGreyInto(const OpenedTiff& opened, Picture& target, int column, int row) {
  TIFF* tif = opened.tif.get();
  const int width = static_cast<int>(opened.width);
  const int height = static_cast<int>(opened.height);
  const tmsize_t rowBytes = static_cast<tmsize_t>(width) * (Bits / 8);
  std::uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  rowsPerStrip = std::min<std::uint32_t>(std::max<std::uint32_t>(rowsPerStrip, 1), opened.height);
  const tmsize_t stripBytes = TIFFStripSize(tif);
  if (stripBytes < static_cast<tmsize_t>(rowsPerStrip) * rowBytes) return false;
  thread_local std::vector<std::uint8_t> strip;
  strip.resize(static_cast<std::size_t>(stripBytes));
  for (int top = 0, index = 0; top < height; top += static_cast<int>(rowsPerStrip), ++index) {
    const int rows = std::min(static_cast<int>(rowsPerStrip), height - top);
    const tmsize_t expected = rows * rowBytes;
    if (TIFFReadEncodedStrip(tif, static_cast<std::uint32_t>(index), strip.data(), expected) !=
        expected) {
      return false;
    }
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t* grey = strip.data() + y * rowBytes;
      std::uint8_t* out = target.bytes.data() + target.offset(column, row + height - 1 - (top + y));
      for (int x = 0; x < width; ++x) {
        const std::uint32_t word = 0xff000000u | GreyAt<Bits>(grey, x) * 0x010101u;
        std::memcpy(out + 4 * x, &word, 4);
      }
    }
  }
  return true;
}

}  // namespace

Picture LoadTiffPicture(const std::string& fileName) {
  OpenedTiff opened = OpenTiff(fileName);
  return ReadRgba(opened);
}

bool LoadTiffIntoImage(const std::string& fileName, Picture& holder, std::string* problem) {
  try {
    holder = LoadTiffPicture(fileName);
    return true;
  } catch (const std::exception& e) {
    holder = Picture();
    if (problem != nullptr) *problem = e.what();
  } catch (...) {
    holder = Picture();
    if (problem != nullptr) *problem = "Unable to load file '" + fileName + "'";
  }
  return false;
}

bool LoadFieldInto(const std::string& fileName, Picture& target, int column, int row,
                   std::string* problem) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) {
    if (problem != nullptr) *problem = "Field picture '" + fileName + "' does not exist";
    return false;
  }
  try {
    OpenedTiff opened = OpenTiff(fileName);
    if (opened.width != kFieldSize || opened.height != kFieldSize) {
      if (problem != nullptr) {
        *problem = "Field picture '" + fileName + "' is " + SizeText(opened.width, opened.height) +
                   " pixels, not " + SizeText(kFieldSize, kFieldSize);
      }
      return false;
    }
    if (column < 0 || row < 0 || column + kFieldSize > target.width ||
        row + kFieldSize > target.height) {
      throw Error("The field '" + fileName + "' does not fit its place in the mosaic");
    }
    const int bits = PlainGreyBits(opened.tif.get());
    if (bits == 8 && ReadGreyInto<8>(opened, target, column, row)) return true;
    if (bits == 16 && ReadGreyInto<16>(opened, target, column, row)) return true;
    // Any other layout, or a damaged strip: the library's conversion, from a fresh start.
    opened.tif.reset();
    const Picture field = LoadTiffPicture(fileName);
    constexpr std::size_t kFieldRowBytes = std::size_t{kFieldSize} * 4;
    for (int r = 0; r < kFieldSize; ++r) {
      std::memcpy(target.bytes.data() + target.offset(column, row + r),
                  field.bytes.data() + field.offset(0, r), kFieldRowBytes);
    }
    return true;
  } catch (const std::exception& e) {
    if (problem != nullptr) *problem = e.what();
  } catch (...) {
    if (problem != nullptr) *problem = "Unable to load file '" + fileName + "'";
  }
  return false;
}

Picture LoadFieldForMosaic(const std::string& fileName, std::string* problem) {
  Picture field = Picture::Uninitialised(kFieldSize, kFieldSize);
  if (!LoadFieldInto(fileName, field, 0, 0, problem)) return Picture();
  return field;
}

}  // namespace vembrel
