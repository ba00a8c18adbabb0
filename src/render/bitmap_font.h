#pragma once
// The built-in bitmap font of the canvas: printable ASCII in cells of
// 6 x 10 pixels (a 5 x 7 body one row below the cell top, two rows for
// descenders, one column of spacing on the right).
#include <cstdint>

namespace vembrel {

inline constexpr int kGlyphCellWidth = 6;
inline constexpr int kGlyphCellHeight = 10;

/// Rows of the glyph for ch (0 .. kGlyphCellHeight - 1), bit 4 the leftmost
/// of five columns. Characters outside 32 .. 126 show as '?'.
const std::uint8_t* GlyphRows(char ch);

}  // namespace vembrel
