#pragma once
// A perceptually uniform colour map for pictures of values (the plate map's
// result colouring, plate heatmaps): viridis, from dark violet for the lowest
// value through blue and green to yellow for the highest. Equal steps in value
// look like equal steps in colour, also to readers with red-green colour
// blindness and in greyscale print.
#include <array>

#include "render/canvas.h"

namespace vembrel {

inline constexpr int kColourMapSize = 256;

/// The 256 colours of viridis, lowest first.
const std::array<Rgb, kColourMapSize>& ViridisColours();

/// The colour of a share of the scale (0 lowest, 1 highest): entry
/// share x 255 rounded to nearest, shares outside 0..1 clamped, NaN the lowest.
Rgb ViridisColour(double share);

/// The colour of value on the scale low..high. A scale without width (every
/// value equal) gives the middle colour.
Rgb ViridisColour(double value, double low, double high);

}  // namespace vembrel
