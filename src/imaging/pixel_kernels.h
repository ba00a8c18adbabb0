#pragma once
// The whole-picture loops of the object scans, on raw 32-bit pixels (blue,
// green, red, spare). They run on every slider movement, so they have a
// vector path; the plain loop defines the result.
#include <cstdint>

namespace vembrel {

/// marks[k] = 1 when pixel k has blue >= cutoffBlue and green >= cutoffGreen, else 0.
void MarkPixelsAtLeast(const std::uint8_t* pixels, std::int64_t count, int cutoffBlue,
                       int cutoffGreen, std::uint8_t* marks);

/// One row of the ring cut of the analysis pass, written to out: columns
/// inFrom .. inTo - 1 lie inside the ring, the others outside. A pixel
/// inside that reaches both cut-offs becomes blue 0, green 0, red 255; other
/// pixels inside stay; outside blue and green become 0. marks[k] = 1 where
/// the resulting red byte is 255. Returns the number of marks. out may alias
/// composite.
std::int64_t CutRowToRing(const std::uint8_t* composite, std::int64_t width, std::int64_t inFrom,
                          std::int64_t inTo, int cutoffBlue, int cutoffGreen, std::uint8_t* out,
                          std::uint8_t* marks);

/// Two rows of pixels halved across and down into out: each output byte is
/// (a + b + c + d + 2) / 4 of the 2 x 2 block it covers, columns pixels long
/// (the source rows hold 2 * columns pixels or more; a last odd one is left out).
void HalvePixelRows(const std::uint8_t* lower, const std::uint8_t* upper, std::uint8_t* out,
                    int columns);

/// sums[k] = the grey values (blue bytes) of pixels 0 .. k added up, for k <
/// count; count is at most kGreySumRun, so that every sum fits 16 bits.
inline constexpr std::int64_t kGreySumRun = 256;
void GreyPrefixSums(const std::uint8_t* pixels, std::int64_t count, std::uint16_t* sums);
/// The same over grey bytes, one per pixel.
void GreyBytePrefixSums(const std::uint8_t* grey, std::int64_t count, std::uint16_t* sums);

}  // namespace vembrel
