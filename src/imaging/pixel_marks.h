#pragma once
// One byte per pixel marking the pixels a fill may still take, shared by the
// object scans. A guard of one zero row before and after the pixels lets a
// fill read the four neighbours of any pixel without bounds tests: the
// neighbours outside the buffer are never marked, exactly as if skipped.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {

class PixelMarks {
 public:
  /// Sizes the marks for a picture; the pixel marks themselves are left for
  /// the caller to write, the guards are cleared.
  void Reset(int width, std::int64_t pixels) {
    width_ = width;
    pixels_ = pixels;
    Grow(storage_, storageSize_, static_cast<std::size_t>(pixels + 2 * std::int64_t{width}));
    if (width > 0) {
      std::memset(storage_.get(), 0, static_cast<std::size_t>(width));
      std::memset(storage_.get() + width + pixels, 0, static_cast<std::size_t>(width));
    }
    // Every pixel can be in the queue once, plus one slot written past the end.
    Grow(queue_, queueSize_, static_cast<std::size_t>(pixels) + 1);
  }

  std::uint8_t* marks() { return storage_.get() + width_; }
  int width() const { return width_; }
  std::int64_t pixels() const { return pixels_; }

  /// Index of the first marked pixel at or after from, or pixels(). Skips
  /// unmarked stretches many marks at a time: most of a mosaic is empty.
  std::int64_t NextMark(std::int64_t from) { return NextMark(from, pixels_); }

  /// The same within pixels from .. to - 1: the first marked one, or to.
  /// Pixels from to on are not read.
  std::int64_t NextMark(std::int64_t from, std::int64_t to) {
    const std::uint8_t* data = marks();
#if defined(__SSE2__)
    // Sixteen marks at a time; the first marked one from the bit mask of
    // the unmarked ones.
    const __m128i zero = _mm_setzero_si128();
    for (; from + 16 <= to; from += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
      const auto unmarked =
          static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
      if (unmarked != 0xffff) return from + std::countr_one(unmarked);
    }
#else
    for (; from + 8 <= to; from += 8) {
      std::uint64_t word;
      std::memcpy(&word, data + from, 8);
      if (word != 0) break;
    }
#endif
    while (from < to && !data[from]) ++from;
    return from;
  }

  /// Breadth-first fill from a marked seed, wave by wave: each pixel's
  /// neighbours at the four offsets are looked at in the given order and
  /// every marked one is taken (unmarked) and queued. Waves follow each other
  /// in the queue, so queue order is wave order. Returns the number of
  /// pixels taken; queue()[0 .. count) lists them in the order taken.
  std::int64_t Fill(std::int64_t seed, const std::int64_t (&offsets)[4]) {
    std::uint8_t* data = marks();
    std::int32_t* queue = queue_.get();
    data[seed] = 0;
    queue[0] = static_cast<std::int32_t>(seed);
    std::int64_t tail = 1;
    for (std::int64_t head = 0; head < tail; ++head) {
      const std::int64_t p = queue[head];
      for (const std::int64_t offset : offsets) {
        // Branch-free: queue the neighbour and keep it only when marked.
        const std::int64_t q = p + offset;
        const std::uint8_t marked = data[q];
        data[q] = 0;
        queue[tail] = static_cast<std::int32_t>(q);
        tail += marked;
      }
    }
    return tail;
  }

  const std::int32_t* queue() const {
    return queue_.get();
  }

 private:
  // New marks are zero: a pass may write only some rows and rely on the
  // others being clear. The queue grows uninitialised: a fill writes each
  // slot before it reads it, and zeroing would touch every page of a 4 MB
  // queue that small objects never reach.
  static void Grow(std::unique_ptr<std::uint8_t[]>& buffer, std::size_t& size, std::size_t wanted) {
    if (size >= wanted) return;
    buffer = std::make_unique<std::uint8_t[]>(wanted);
    size = wanted;
  }
  static void Grow(std::unique_ptr<std::int32_t[]>& buffer, std::size_t& size, std::size_t wanted) {
    if (size >= wanted) return;
    buffer = std::make_unique_for_overwrite<std::int32_t[]>(wanted);
    size = wanted;
  }

  int width_ = 0;
  std::int64_t pixels_ = 0;
  std::unique_ptr<std::uint8_t[]> storage_;
  std::size_t storageSize_ = 0;
  std::unique_ptr<std::int32_t[]> queue_;
  std::size_t queueSize_ = 0;
};

}  // namespace vembrel
