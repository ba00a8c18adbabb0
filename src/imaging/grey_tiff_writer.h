#pragma once
// Writing 8-bit greyscale TIFF files (uncompressed, in strips), as the
// microscope delivers its channel pictures.
#include <cstdint>
#include <string>

namespace vembrel {

/// Writes width x height grey values given top row first, each row rowStride
/// bytes apart, to path atomically (a temporary file beside it, then renamed).
/// Throws Error naming the path when any step fails.
void WriteGreyTiffFile(const std::string& path, const std::uint8_t* topRow, int width, int height,
                       std::ptrdiff_t rowStride);

}  // namespace vembrel
