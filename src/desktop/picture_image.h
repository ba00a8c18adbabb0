#pragma once
// Conversion of the core's bottom-up pictures into Qt images for display.
#include <QImage>

#include "imaging/picture.h"

namespace vembrel {

/// The picture upright as an opaque 32-bit image (an empty picture gives a null image).
QImage ToQImage(const Picture& picture);

}  // namespace vembrel
