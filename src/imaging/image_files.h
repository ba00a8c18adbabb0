#pragma once
// Writing pictures: JPEG snapshots (libjpeg defaults) and PNG files. Both
// write atomically and throw Error naming the path on failure.
#include <string>

#include "imaging/picture.h"

namespace vembrel {

void WriteJpeg(const Picture& picture, const std::string& path);
/// The bytes WriteJpeg writes; path only names the file in errors.
std::string JpegBytes(const Picture& picture, const std::string& path);
void WritePng(const Picture& picture, const std::string& path);

/// Reads a JPEG back (for tests and tools): blue = green = red for grey files.
Picture ReadJpeg(const std::string& path);

}  // namespace vembrel
