#pragma once
// The tabs of a well window, in their order.

namespace vembrel {

/// The tab a newly opened well shows first; wells open at cell level on Cells.
enum class WellTab { BlueChannel, GreenChannel, TwoChannels, ImmigrantCells, Cells };

}  // namespace vembrel
