#pragma once
// Conversion of the core's bottom-up pictures into Qt images for display.
#include <QImage>

#include "imaging/picture.h"

namespace vembrel {

/// The picture upright as an opaque 32-bit image (an empty picture gives a null image).
QImage ToQImage(const Picture& picture);
/// The green mosaic as a grey picture: the red bytes that mark the ring's
/// disc take the grey value again (for the ring drawn as an outline).
QImage ToQImageWithoutRingDisc(const Picture& greenMosaic);

}  // namespace vembrel
