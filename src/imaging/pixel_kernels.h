#pragma once
// The whole-picture loops of the object scans, on raw 32-bit pixels (blue,
// green, red, spare). They run on every slider movement, so they have a
// vector path; the plain loop defines the result.
#include <cstdint>

namespace vembrel {

/// marks[k] = 1 when pixel k has blue >= cutoffBlue and green >= cutoffGreen, else 0.
void MarkPixelsAtLeast(const std::uint8_t* pixels, std::int64_t count, int cutoffBlue,
                       int cutoffGreen, std::uint8_t* marks);

/// The ring cut of the analysis pass, written to out: a pixel inside the
/// ring (ring red byte 255) that reaches both cut-offs becomes blue 0,
/// green 0, red 255; other pixels inside stay; outside the ring blue and
/// green become 0. marks[k] = 1 where the resulting red byte is 255. Returns
/// the number of marks. out may alias either input.
std::int64_t CutPixelsToRing(const std::uint8_t* composite, const std::uint8_t* ring,
                             std::int64_t count, int cutoffBlue, int cutoffGreen, std::uint8_t* out,
                             std::uint8_t* marks);

/// The number of pixels whose blue byte equals value.
std::int64_t CountBlueEqual(const std::uint8_t* pixels, std::int64_t count, std::uint8_t value);

/// sums[k] = the grey values (blue bytes) of pixels 0 .. k added up, for k <
/// count; count is at most kGreySumRun, so that every sum fits 16 bits.
inline constexpr std::int64_t kGreySumRun = 256;
void GreyPrefixSums(const std::uint8_t* pixels, std::int64_t count, std::uint16_t* sums);

}  // namespace vembrel
