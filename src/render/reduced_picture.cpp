#include "render/reduced_picture.h"

#include <cstdint>
#include <stdexcept>
#include <string>

#include "imaging/pixel_kernels.h"

namespace vembrel {
Picture ReducedPicture(const Picture& picture, int factor) {
  if (factor < 1) throw std::invalid_argument("Reduction factor " + std::to_string(factor));
  if (factor == 1) return picture;
  const int width = picture.width / factor;
  const int height = picture.height / factor;
  Picture reduced = Picture::Uninitialised(width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* first = picture.bytes.data() + picture.offset(0, r * factor);
    std::uint8_t* out = reduced.bytes.data() + reduced.offset(0, r);
    if (factor == 2) {
      HalvePixelRows(first, first + rowBytes, out, width);
      continue;
    }
    const int area = factor * factor;
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < 4; ++k) {
        int sum = 0;
        for (int i = 0; i < factor; ++i) {
          const std::uint8_t* row = first + i * rowBytes + 4 * x * factor + k;
          for (int j = 0; j < factor; ++j) sum += row[4 * j];
        }
        out[4 * x + k] = static_cast<std::uint8_t>((sum + area / 2) / area);
      }
    }
  }
  return reduced;
}

}  // namespace vembrel
