#include "imaging/input_bits.h"

#include <cstdint>
#include <cstring>

#include "imaging/tiff_file.h"

namespace vembrel {

namespace {

// What a picture that is not plain grey is, from its tags.
std::string ConvertedKind(TIFF* tif) {
  std::uint16_t bits = 0, samples = 0, photometric = PHOTOMETRIC_MINISBLACK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  if (photometric == PHOTOMETRIC_PALETTE) return "palette";
  if (bits == 1) return "1-bit";
  return std::to_string(bits) + (samples >= 3 ? "-bit RGB" : "-bit grey");
}

}  // namespace

int ProbeInputBits(const std::vector<std::string>& fieldFiles) {
  return ProbeInputPictures(fieldFiles).bits;
}

InputPictures ProbeInputPictures(const std::vector<std::string>& fieldFiles) {
  std::string converted;  // the first picture read through the colour conversion
  bool anyEightBit = false;
  bool anyWide = false;
  std::uint32_t used = 0;  // every bit set in any 16-bit sample
  for (const std::string& name : fieldFiles) {
    TiffFile file(name);
    if (file.status() != TiffOpenStatus::kOpened) continue;
    const int bits = PlainGreyBits(file.get());
    if (bits == 0 && converted.empty()) converted = ConvertedKind(file.get());
    if (bits == 8) {
      anyEightBit = true;
    } else if (bits == 16) {
      const std::size_t width = file.width();
      std::uint32_t fileUsed = 0;
      const int failed = ReadGreyRows(file, false, [&](int, const std::uint8_t* samples) {
        if (samples == nullptr) return;
        std::uint16_t row = 0;
        for (std::size_t x = 0; x < width; ++x) {
          std::uint16_t sample;
          std::memcpy(&sample, samples + 2 * x, 2);
          row |= sample;
        }
        fileUsed |= row;
      });
      if (failed < 0) continue;
      anyWide = true;
      used |= fileUsed;
    }
  }
  if (!anyWide) {
    if (!converted.empty()) return {8, converted};
    return anyEightBit ? InputPictures{8, "8-bit grey"} : InputPictures{16, ""};
  }
  if (used < (1u << 10)) return {10, "16-bit grey"};
  if (used < (1u << 12)) return {12, "16-bit grey"};
  if (used < (1u << 14)) return {14, "16-bit grey"};
  return {16, "16-bit grey"};
}

}  // namespace vembrel
