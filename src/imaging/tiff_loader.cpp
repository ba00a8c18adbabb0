#include "imaging/tiff_loader.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>

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

}  // namespace

Picture LoadTiffPicture(const std::string& fileName) {
  SilenceGlobalHandlers();
  LibraryMessages messages;
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) throw Error("Unable to open file '" + fileName + "'");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &messages);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), KeepWarning, &messages);

  std::unique_ptr<TIFF, TiffClose> tif(TIFFOpenExt(fileName.c_str(), "r", options.get()));
  if (!tif) {
    std::string message = "Unable to open file '" + fileName + "'";
    if (!messages.error.empty()) message += " (" + messages.error + ")";
    throw Error(message);
  }

  std::uint32_t width = 0;
  std::uint32_t height = 0;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw Error("Unable to load file '" + fileName + "': picture size " + SizeText(width, height) +
                " is outside 1 x 1 .. " + SizeText(kMaxPictureSide, kMaxPictureSide));
  }

  // A sample layout the library cannot convert at all (32-bit float, odd bit
  // depths) would otherwise come back as a silently black picture.
  char unsupported[1024] = "";
  if (TIFFRGBAImageOK(tif.get(), unsupported) == 0) {
    throw Error("Unable to load file '" + fileName + "': " + unsupported);
  }
  Picture picture;
  try {
    picture = Picture(static_cast<int>(width), static_cast<int>(height));
  } catch (const std::bad_alloc&) {
    tif.reset();
    throw Error("Unable to create TBitmap buffer");
  }
  // Stop-on-error 0: a damaged file still gives what could be read; the rest
  // stays as the new picture was created. The result code is not examined.
  TIFFReadRGBAImage(tif.get(), width, height,
                    reinterpret_cast<std::uint32_t*>(picture.bytes.data()), 0);
  tif.reset();
  ExchangeRedAndBlue(picture);
  return picture;
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

Picture LoadFieldForMosaic(const std::string& fileName, std::string* problem) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) {
    if (problem != nullptr) *problem = "Field picture '" + fileName + "' does not exist";
    return Picture();
  }
  Picture field;
  if (!LoadTiffIntoImage(fileName, field, problem)) return Picture();
  if (field.width != kFieldSize || field.height != kFieldSize) {
    if (problem != nullptr) {
      *problem = "Field picture '" + fileName + "' is " +
                 SizeText(static_cast<std::uint32_t>(field.width),
                          static_cast<std::uint32_t>(field.height)) +
                 " pixels, not " + SizeText(kFieldSize, kFieldSize);
    }
    return Picture();
  }
  return field;
}

}  // namespace vembrel
