#pragma once
// Writes real TIFF files with libtiff for the tests: grey pictures of 8 or 16
// bits in any compression, in strips or tiles, and RGB and palette pictures.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/picture.h"

typedef struct tiff TIFF;  // as libtiff's tiffio.h declares it

namespace vembrel::testing {

struct TiffLayout {
  int bits = 8;  // 8 or 16 bits per sample
  std::uint16_t compression =
      1;               // COMPRESSION_NONE, _LZW (5), _ADOBE_DEFLATE (8), _PACKBITS (32773)
  bool tiled = false;  // square tiles instead of strips
  std::uint32_t rowsPerStrip = 0;  // 0: one strip for the whole picture
  bool bigEndian = false;          // "MM" files; libtiff swaps the samples on writing
  int tileSide = 16;               // a multiple of 16
  std::uint16_t photometric = 1;   // PHOTOMETRIC_MINISBLACK; 0: MINISWHITE
};

/// A layout with a name, for parameterised tests (the name is what gtest prints).
struct NamedLayout {
  const char* name;
  TiffLayout layout;
};
inline void PrintTo(const NamedLayout& value, std::ostream* out) {
  *out << value.name;
}

/// Grey picture from values given top row first, width * height of them.
/// 8-bit files keep the low byte of each value.
void WriteGreyTiff(const std::string& path, int width, int height,
                   const std::vector<std::uint16_t>& topDownValues, const TiffLayout& layout = {});

/// One page of a multi-page grey picture: values top row first.
struct GreyPage {
  int width = 0, height = 0;
  std::vector<std::uint16_t> values;
};

/// Grey pictures as the pages of one file, in order (WriteGreyTiff's rules),
/// the first page described by `description` ("": none).
void WriteGreyPages(const std::string& path, const std::vector<GreyPage>& pages,
                    const TiffLayout& layout = {}, const std::string& description = "");

/// 8-bit RGB picture; rgb holds 3 bytes per pixel, top row first.
void WriteRgbTiff(const std::string& path, int width, int height,
                  const std::vector<std::uint8_t>& rgb);

/// 8-bit palette picture; colour maps hold 256 16-bit entries each.
void WritePaletteTiff(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& topDownIndices,
                      const std::vector<std::uint16_t>& red,
                      const std::vector<std::uint16_t>& green,
                      const std::vector<std::uint16_t>& blue);

/// A grey picture of side x side in one strip, `bits` per sample (1, 8, 16 or
/// 32) of `sampleFormat` (SAMPLEFORMAT_UINT 1, _IEEEFP 3), every byte of its
/// pixel data `fill`; `tags` sets further tags before the pixels are written.
void WriteUniformTiff(const std::string& path, int side, int bits, std::uint8_t fill,
                      const std::function<void(TIFF*)>& tags = {}, std::uint16_t sampleFormat = 1);

/// Values x * 7 + y * 3 (mod 256), top row first: every row and column differs.
std::vector<std::uint16_t> GreyRamp(int width, int height);

/// A little-endian 8-bit grey TIFF built by hand, one row per strip, the
/// directory before the pixels. Only the first keptDataBytes of pixel data
/// are written, so the file can end early; values 100 + i % 50. When
/// hugeCountStrip is given, that strip's byte count reads 0xFFFFFFF0.
std::string HandMadeTiff(std::uint32_t width, std::uint32_t height, std::size_t keptDataBytes,
                         std::optional<std::uint32_t> hugeCountStrip = std::nullopt);

}  // namespace vembrel::testing
