#include "desktop/picture_image.h"

#include <cstring>

namespace vembrel {

QImage ToQImage(const Picture& picture) {
  if (picture.empty()) return {};
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y) {
    auto* line = image.scanLine(y);
    std::memcpy(line, picture.topDown(0, y), rowBytes);
    // The spare byte is not an alpha value; the image must stay opaque.
    for (std::size_t i = 3; i < rowBytes; i += 4) line[i] = 0xff;
  }
  return image;
}

QImage ToQImageWithoutRingDisc(const Picture& greenMosaic) {
  QImage image = ToQImage(greenMosaic);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = image.scanLine(y);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 4;
    for (std::size_t i = 0; i < rowBytes; i += 4) line[i + 2] = line[i];  // red from the grey
  }
  return image;
}

}  // namespace vembrel
