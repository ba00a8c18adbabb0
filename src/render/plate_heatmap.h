#pragma once
// Heatmaps of a plate's results: one panel of 8 x 12 wells per result, each
// well filled with its value's viridis colour and the value written in it,
// with a colour scale beside the panel. Excluded wells are hatched, wells
// whose analysis failed are grey, and flagged wells carry an orange
// triangle in their upper right corner; a legend at the bottom says so.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture.h"

namespace vembrel {

inline constexpr int kHeatmapWells = 96;

struct HeatmapPanel {
  std::string title;
  std::array<std::optional<double>, kHeatmapWells> values;  // A01 .. H12; none: no value
  std::array<std::string, kHeatmapWells> labels;            // written in the wells with a value
};

struct HeatmapPlate {
  std::string heading;  // above the panels
  std::array<bool, kHeatmapWells> excluded{};
  std::array<bool, kHeatmapWells> failed{};
  std::array<bool, kHeatmapWells> flagged{};
  std::vector<HeatmapPanel> panels;  // laid out two per row
};

/// Draws the panels. The colour scale of each panel runs from its lowest
/// value to its highest.
Picture DrawPlateHeatmaps(const HeatmapPlate& plate);

/// Where a well's box lies in the picture of DrawPlateHeatmaps, in top-down
/// coordinates, right and bottom excluded.
struct HeatmapBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};
HeatmapBox HeatmapWellBox(int panel, int well);

}  // namespace vembrel
