#pragma once
// Loading of whole pictures of any TIFF layout into 32-bit pictures through
// libtiff's RGBA conversion. Fields for a mosaic load through LoadField
// (field_loader.h).
#include <string>

#include "imaging/picture.h"

namespace vembrel {

/// Largest width or height accepted; larger headers are refused before any
/// pixel memory is reserved.
inline constexpr int kMaxPictureSide = 16384;

/// Loads a TIFF of any layout libtiff's RGBA conversion handles (8/16-bit grey,
/// RGB, palette, any compression, strips or tiles), opening the file once.
/// Bytes blue, green, red, spare; rows bottom first. Throws Error "Unable to
/// open file '<name>'" when the file cannot be opened (with the reason
/// appended), and an Error naming the file and its size for a zero or
/// oversized picture. libtiff's own messages never reach stderr. A layout the
/// library cannot convert (32-bit float, for one) throws an Error naming the
/// file and the reason. Safe to call from several threads at once.
Picture ReadTiffPicture(const std::string& fileName);

/// ReadTiffPicture that catches every error: on failure holder is emptied
/// (width = height = 0), problem (when given) receives the message and false
/// is returned. Prints nothing.
bool TryReadTiffPicture(const std::string& fileName, Picture& holder,
                        std::string* problem = nullptr);

}  // namespace vembrel
