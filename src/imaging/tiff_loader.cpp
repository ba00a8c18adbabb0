#include "imaging/tiff_loader.h"

#include <cstring>
#include <new>

#include "core/error.h"
#include "imaging/tiff_file.h"

namespace vembrel {
namespace {

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

Picture ReadTiffPicture(const std::string& fileName) {
  TiffFile file(fileName);
  if (file.status() != TiffOpenStatus::kOpened) throw Error(file.message());
  const std::uint32_t width = file.width();
  const std::uint32_t height = file.height();
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw Error("Unable to load file '" + fileName + "': picture size " + SizeText(width, height) +
                " is outside 1 x 1 .. " + SizeText(kMaxPictureSide, kMaxPictureSide));
  }
  // A sample layout the library cannot convert at all (32-bit float, odd bit
  // depths) would otherwise come back as a silently black picture.
  char unsupported[1024] = "";
  if (TIFFRGBAImageOK(file.get(), unsupported) == 0) {
    throw Error("Unable to load file '" + fileName + "': " + unsupported);
  }
  Picture picture;
  try {
    picture = Picture(static_cast<int>(width), static_cast<int>(height));
  } catch (const std::bad_alloc&) {
    throw Error("Unable to create TBitmap buffer");
  }
  // Stop-on-error 0: a damaged file still gives what could be read; the rest
  // stays as the new picture was created. The result code is not examined.
  TIFFReadRGBAImage(file.get(), width, height,
                    reinterpret_cast<std::uint32_t*>(picture.bytes.data()), 0);
  ExchangeRedAndBlue(picture);
  return picture;
}

bool TryReadTiffPicture(const std::string& fileName, Picture& holder, std::string* problem) {
  try {
    holder = ReadTiffPicture(fileName);
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

}  // namespace vembrel
