#include "imaging/square_crop.h"

#include <algorithm>
#include <cstring>

namespace vembrel {

Picture SquareCrop(const Picture& picture, int left, int top, int side) {
  // Every byte is written once: copied where the square meets the picture,
  // cleared elsewhere.
  Picture crop = Picture::Uninitialised(side, side);
  const std::size_t rowBytes = 4 * static_cast<std::size_t>(side);
  const int x0 = std::clamp(-left, 0, side);
  const int x1 = std::clamp(picture.width - left, x0, side);
  for (int y = 0; y < side; ++y) {
    std::uint8_t* row = crop.topDown(0, y);
    const int sy = top + y;
    if (sy < 0 || sy >= picture.height || x0 == x1) {
      std::memset(row, 0, rowBytes);
      continue;
    }
    std::memset(row, 0, 4 * static_cast<std::size_t>(x0));
    std::memcpy(row + 4 * x0, picture.topDown(left + x0, sy),
                4 * static_cast<std::size_t>(x1 - x0));
    std::memset(row + 4 * x1, 0, 4 * static_cast<std::size_t>(side - x1));
  }
  return crop;
}

}  // namespace vembrel
