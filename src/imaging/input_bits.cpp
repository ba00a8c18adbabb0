#include "imaging/input_bits.h"

#include <cstdint>
#include <cstring>

#include "imaging/tiff_file.h"

namespace vembrel {

int ProbeInputBits(const std::vector<std::string>& fieldFiles) {
  bool anyEightBit = false;
  bool anyWide = false;
  std::uint32_t used = 0;  // every bit set in any 16-bit sample
  for (const std::string& name : fieldFiles) {
    TiffFile file(name);
    if (file.status() != TiffOpenStatus::kOpened) continue;
    const int bits = PlainGreyBits(file.get());
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
  if (!anyWide) return anyEightBit ? 8 : 16;
  if (used < (1u << 10)) return 10;
  if (used < (1u << 12)) return 12;
  if (used < (1u << 14)) return 14;
  return 16;
}

}  // namespace vembrel
