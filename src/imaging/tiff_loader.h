#pragma once
// Loading of the microscope's channel pictures (one TIFF per well, field and
// channel) into 32-bit pictures through libtiff's RGBA conversion.
#include <string>

#include "imaging/picture.h"

namespace vembrel {

/// Largest width or height accepted; larger headers are refused before any
/// pixel memory is reserved.
inline constexpr int kMaxPictureSide = 16384;

/// Loads a TIFF of any layout libtiff's RGBA conversion handles (8/16-bit grey,
/// RGB, palette, any compression, strips or tiles). Bytes blue, green, red,
/// spare; rows bottom first. Throws Error "Unable to open file '<name>'" when
/// the file cannot be opened (with libtiff's reason appended), and an Error
/// naming the file and its size for a zero or oversized picture. libtiff's own
/// messages never reach stderr. A layout the library cannot convert (32-bit
/// float, for one) throws an Error naming the file and the reason. Safe to call from several
/// threads at once.
Picture LoadTiffPicture(const std::string& fileName);

/// LoadTiffPicture that catches every error: on failure holder is emptied
/// (width = height = 0), problem (when given) receives the message and false
/// is returned. Prints nothing.
bool LoadTiffIntoImage(const std::string& fileName, Picture& holder,
                       std::string* problem = nullptr);

/// Loads one 512 x 512 field straight into target, its lower left corner at
/// (column, row counted from the bottom). Returns false, with the message of
/// LoadFieldForMosaic in problem and target untouched, when the file is
/// missing, cannot be loaded or is not 512 x 512. Plain 8- and 16-bit grey files
/// are decoded directly; every other layout through libtiff's RGBA conversion,
/// with the same pixels as LoadTiffPicture.
bool LoadFieldInto(const std::string& fileName, Picture& target, int column, int row,
                   std::string* problem);

/// Loads one field for a 1024 x 1024 mosaic. Returns an empty picture, with a
/// message naming the file (and its size when that is wrong) in problem, when
/// the file is missing, cannot be loaded or is not 512 x 512.
Picture LoadFieldForMosaic(const std::string& fileName, std::string* problem);

}  // namespace vembrel
