#include "support/tiff_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <stdexcept>

namespace vembrel::testing {
namespace {

struct Closer {
  TIFF* tif;
  ~Closer() {
    if (tif != nullptr) TIFFClose(tif);
  }
};

TIFF* OpenForWriting(const std::string& path, bool bigEndian = false) {
  TIFF* tif = TIFFOpen(path.c_str(), bigEndian ? "wb" : "wl");
  if (tif == nullptr) throw std::runtime_error("cannot create " + path);
  return tif;
}

void WriteRows(TIFF* tif, const std::string& path, int width, int height, int bytesPerPixel,
               const std::vector<std::uint8_t>& packed, const TiffLayout& layout) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
  if (layout.tiled) {
    const int tile = layout.tileSide;
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(tile) * tile * bytesPerPixel);
    for (int ty = 0; ty < height; ty += tile) {
      for (int tx = 0; tx < width; tx += tile) {
        std::fill(buffer.begin(), buffer.end(), 0);
        for (int y = ty; y < std::min(height, ty + tile); ++y) {
          const int columns = std::min(width, tx + tile) - tx;
          std::copy_n(packed.begin() + y * rowBytes + tx * bytesPerPixel, columns * bytesPerPixel,
                      buffer.begin() + (y - ty) * tile * bytesPerPixel);
        }
        if (TIFFWriteTile(tif, buffer.data(), tx, ty, 0, 0) < 0) {
          throw std::runtime_error("cannot write tile of " + path);
        }
      }
    }
    return;
  }
  const std::uint32_t rows = layout.rowsPerStrip == 0 ? height : layout.rowsPerStrip;
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
  for (int y = 0; y < height; ++y) {
    std::vector<std::uint8_t> row(packed.begin() + y * rowBytes,
                                  packed.begin() + (y + 1) * rowBytes);
    if (TIFFWriteScanline(tif, row.data(), y, 0) < 0) {
      throw std::runtime_error("cannot write row of " + path);
    }
  }
}

void SetCommon(TIFF* tif, int width, int height, int bits, int samples, int photometric,
               std::uint16_t compression) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
}

}  // namespace

void WriteGreyTiff(const std::string& path, int width, int height,
                   const std::vector<std::uint16_t>& values, const TiffLayout& layout) {
  WriteGreyPages(path, {{width, height, values}}, layout);
}

void WriteGreyPages(const std::string& path, const std::vector<GreyPage>& pages,
                    const TiffLayout& layout, const std::string& description) {
  Closer closer{OpenForWriting(path, layout.bigEndian)};
  for (const GreyPage& page : pages) {
    const std::vector<std::uint16_t>& values = page.values;
    if (values.size() != static_cast<std::size_t>(page.width) * page.height) {
      throw std::runtime_error("value count does not match the size");
    }
    const int bytes = layout.bits == 16 ? 2 : 1;
    std::vector<std::uint8_t> packed(values.size() * bytes);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (bytes == 1) {
        packed[i] = static_cast<std::uint8_t>(values[i]);
      } else {
        packed[2 * i] = static_cast<std::uint8_t>(values[i]);  // host order: little endian
        packed[2 * i + 1] = static_cast<std::uint8_t>(values[i] >> 8);
      }
    }
    SetCommon(closer.tif, page.width, page.height, layout.bits, 1, layout.photometric,
              layout.compression);
    if (&page == &pages.front() && !description.empty()) {
      TIFFSetField(closer.tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
    }
    WriteRows(closer.tif, path, page.width, page.height, bytes, packed, layout);
    if (pages.size() > 1 && TIFFWriteDirectory(closer.tif) == 0) {
      throw std::runtime_error("cannot write a page of " + path);
    }
  }
}

void WriteRgbTiff(const std::string& path, int width, int height,
                  const std::vector<std::uint8_t>& rgb) {
  Closer closer{OpenForWriting(path)};
  SetCommon(closer.tif, width, height, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE);
  WriteRows(closer.tif, path, width, height, 3, rgb, {});
}

void WritePaletteTiff(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& indices,
                      const std::vector<std::uint16_t>& red,
                      const std::vector<std::uint16_t>& green,
                      const std::vector<std::uint16_t>& blue) {
  Closer closer{OpenForWriting(path)};
  SetCommon(closer.tif, width, height, 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE);
  TIFFSetField(closer.tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  WriteRows(closer.tif, path, width, height, 1, indices, {});
}

void WriteUniformTiff(const std::string& path, int side, int bits, std::uint8_t fill,
                      const std::function<void(TIFF*)>& tags, std::uint16_t sampleFormat) {
  const Closer file{OpenForWriting(path)};
  TIFFSetField(file.tif, TIFFTAG_IMAGEWIDTH, side);
  TIFFSetField(file.tif, TIFFTAG_IMAGELENGTH, side);
  TIFFSetField(file.tif, TIFFTAG_BITSPERSAMPLE, bits);
  if (sampleFormat != SAMPLEFORMAT_UINT) TIFFSetField(file.tif, TIFFTAG_SAMPLEFORMAT, sampleFormat);
  TIFFSetField(file.tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(file.tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(file.tif, TIFFTAG_ROWSPERSTRIP, side);
  if (tags) tags(file.tif);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(side) * ((side * bits + 7) / 8), fill);
  if (TIFFWriteEncodedStrip(file.tif, 0, pixels.data(), static_cast<tmsize_t>(pixels.size())) < 0) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::vector<std::uint16_t> GreyRamp(int width, int height) {
  std::vector<std::uint16_t> values(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      values[static_cast<std::size_t>(y) * width + x] =
          static_cast<std::uint16_t>((x * 7 + y * 3) % 256);
    }
  }
  return values;
}

std::string HandMadeTiff(std::uint32_t width, std::uint32_t height, std::size_t keptDataBytes,
                         std::optional<std::uint32_t> hugeCountStrip) {
  std::string out;
  auto put16 = [&](std::uint16_t v) { out.append({char(v & 0xff), char(v >> 8)}); };
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
  };
  const std::uint32_t strips = height;
  const std::uint16_t tags = 9;
  const std::uint32_t ifdSize = 2 + tags * 12 + 4;
  const std::uint32_t offsetsAt = 8 + ifdSize;
  const std::uint32_t countsAt = offsetsAt + 4 * strips;
  const std::uint32_t dataStart = countsAt + 4 * strips;
  const auto count = [&](std::uint32_t strip) {
    return hugeCountStrip == strip ? 0xFFFFFFF0u : width;
  };
  out += "II";
  put16(42);
  put32(8);
  put16(tags);
  auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t n, std::uint32_t v) {
    put16(tag);
    put16(type);
    put32(n);
    if (type == 3 && n == 1) {
      put16(static_cast<std::uint16_t>(v));
      put16(0);
    } else {
      put32(v);
    }
  };
  entry(256, 4, 1, width);
  entry(257, 4, 1, height);
  entry(258, 3, 1, 8);
  entry(259, 3, 1, 1);
  entry(262, 3, 1, 1);
  entry(273, 4, strips, strips == 1 ? dataStart : offsetsAt);
  entry(277, 3, 1, 1);
  entry(278, 4, 1, 1);
  entry(279, 4, strips, strips == 1 ? count(0) : countsAt);
  put32(0);
  if (strips > 1) {
    for (std::uint32_t s = 0; s < strips; ++s) put32(dataStart + s * width);
    for (std::uint32_t s = 0; s < strips; ++s) put32(count(s));
  }
  for (std::size_t i = 0; i < keptDataBytes; ++i) out.push_back(char(100 + i % 50));
  return out;
}

}  // namespace vembrel::testing
