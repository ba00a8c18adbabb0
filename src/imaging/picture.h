#pragma once
// A picture as the analysis sees it: 32-bit pixels, bytes blue, green, red,
// spare, rows stored bottom row first. For a 1024 x 1024 mosaic the byte
// offset of a pixel (column c, row r counted from the bottom) is
// 4 * (r * 1024 + c), which is its bitmap-file buffer position minus 55;
// neighbours lie at -4, +4, -4096 and +4096.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace vembrel {

inline constexpr int kMosaicSize = 1024;
inline constexpr int kFieldSize = 512;
inline constexpr int kMosaicRowBytes = kMosaicSize * 4;
inline constexpr std::size_t kMosaicBytes = std::size_t{kMosaicSize} * kMosaicSize * 4;

enum Channel : int { kBlue = 0, kGreen = 1, kRed = 2, kSpare = 3 };

/// Byte offset in a mosaic buffer of the given channel byte of pixel (c, r);
/// r counts rows from the bottom. Equals the 1-based buffer position - 55.
constexpr std::size_t MosaicOffset(int column, int rowFromBottom, int channel = kBlue) {
  return 4 * (static_cast<std::size_t>(rowFromBottom) * kMosaicSize + column) + channel;
}

/// An allocator whose new elements are left uninitialised: a well allocates
/// dozens of 4 MB buffers that their producers write whole, and zero-filling
/// them first would cost as much as some steps of the analysis.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using PictureBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

struct Picture {
  int width = 0;
  int height = 0;
  PictureBytes bytes;  // width * height * 4, bottom row first

  Picture() = default;
  /// A picture filled with one colour (black by default).
  Picture(int w, int h, std::uint32_t fillBgra = 0) : width(w), height(h) {
    bytes.resize(static_cast<std::size_t>(w) * h * 4);
    if (fillBgra == 0) {
      if (!bytes.empty()) std::memset(bytes.data(), 0, bytes.size());
    } else {
      for (std::size_t i = 0; i < bytes.size(); i += 4) {
        bytes[i] = fillBgra & 0xff;
        bytes[i + 1] = (fillBgra >> 8) & 0xff;
        bytes[i + 2] = (fillBgra >> 16) & 0xff;
        bytes[i + 3] = (fillBgra >> 24) & 0xff;
      }
    }
  }

  /// A picture whose bytes are undefined: for producers that write every byte.
  static Picture Uninitialised(int w, int h) {
    Picture picture;
    picture.width = w;
    picture.height = h;
    picture.bytes.resize(static_cast<std::size_t>(w) * h * 4);
    return picture;
  }

  bool empty() const { return width <= 0 || height <= 0; }
  std::size_t offset(int column, int rowFromBottom, int channel = kBlue) const {
    return 4 * (static_cast<std::size_t>(rowFromBottom) * width + column) + channel;
  }
  std::uint8_t& at(int column, int rowFromBottom, int channel) {
    return bytes[offset(column, rowFromBottom, channel)];
  }
  std::uint8_t at(int column, int rowFromBottom, int channel) const {
    return bytes[offset(column, rowFromBottom, channel)];
  }
  /// Access in top-down picture coordinates (y = 0 is the top row), as the
  /// drawing surfaces use them.
  std::uint8_t* topDown(int x, int y) { return bytes.data() + offset(x, height - 1 - y, kBlue); }
  const std::uint8_t* topDown(int x, int y) const {
    return bytes.data() + offset(x, height - 1 - y, kBlue);
  }
  bool operator==(const Picture&) const = default;
};

}  // namespace vembrel
