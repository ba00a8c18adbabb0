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
#include <utility>

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

/// The bytes of a picture, used like a std::vector<std::uint8_t> with two
/// differences: new bytes are left uninitialised (a well allocates dozens of
/// 4 MB buffers that their producers write whole, and zero-filling them first
/// would cost as much as some steps of the analysis), and no per-byte
/// construction loop runs that instrumented builds would have to trace.
/// Copies reuse the buffer already held when it is large enough.
class PictureBytes {
 public:
  PictureBytes() = default;
  PictureBytes(const PictureBytes& other) { assign(other); }
  PictureBytes(PictureBytes&& other) noexcept { take(other); }
  PictureBytes& operator=(const PictureBytes& other) {
    if (this != &other) assign(other);
    return *this;
  }
  PictureBytes& operator=(PictureBytes&& other) noexcept {
    if (this != &other) take(other);
    return *this;
  }

  std::uint8_t* data() noexcept { return data_.get(); }
  const std::uint8_t* data() const noexcept { return data_.get(); }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  std::uint8_t& operator[](std::size_t i) noexcept { return data_[i]; }
  const std::uint8_t& operator[](std::size_t i) const noexcept { return data_[i]; }
  std::uint8_t* begin() noexcept { return data(); }
  std::uint8_t* end() noexcept { return data() + size_; }
  const std::uint8_t* begin() const noexcept { return data(); }
  const std::uint8_t* end() const noexcept { return data() + size_; }
  void clear() noexcept { size_ = 0; }
  /// Keeps the first min(old, new) bytes; bytes past the old size are undefined.
  void resize(std::size_t size) {
    if (size > capacity_) {
      auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
      data_ = std::move(grown);
      capacity_ = size;
    }
    size_ = size;
  }

  friend bool operator==(const PictureBytes& a, const PictureBytes& b) noexcept {
    return a.size_ == b.size_ && (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_) == 0);
  }

 private:
  void assign(const PictureBytes& other) {
    if (other.size_ > capacity_) {
      data_ = std::make_unique_for_overwrite<std::uint8_t[]>(other.size_);
      capacity_ = other.size_;
    }
    size_ = other.size_;
    if (size_ > 0) std::memcpy(data_.get(), other.data_.get(), size_);
  }
  void take(PictureBytes& other) noexcept {
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }

  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

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

/// The grey values (blue bytes) of a picture of one stain, one byte per
/// pixel in the picture's order: a quarter of the bytes for the passes
/// that read nothing else.
struct GreyPlane {
  int width = 0;
  int height = 0;
  PictureBytes bytes;  // width * height, bottom row first
};

}  // namespace vembrel
