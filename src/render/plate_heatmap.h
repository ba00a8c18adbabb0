#pragma once
// Heatmaps of a plate's results: one panel of the plate's wells (8 x 12 on a
// 96-well plate, cells smaller on larger plates) per result, each
// well filled with its value's viridis colour and the value written in it,
// with a colour scale beside the panel. Excluded wells are hatched, wells
// whose analysis failed are grey, and flagged wells carry an orange
// triangle in their upper right corner; a legend at the bottom says so.
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture.h"

namespace vembrel {

/// The grid of a plate's wells: rows x columns, wells numbered row by row.
struct HeatmapGrid {
  int rows = 8;
  int columns = 12;
  std::vector<std::string> rowNames;  // "A", ..., one per row
  int wells() const { return rows * columns; }
};

struct HeatmapPanel {
  std::string title;
  std::vector<std::optional<double>> values;  // one per well from A01; none: no value
  std::vector<std::string> labels;            // written in the wells with a value, where they fit
};

struct HeatmapPlate {
  /// A heatmap of a plate of rows x columns wells, named by rowNames.
  HeatmapPlate(int rows, int columns, std::vector<std::string> rowNames);
  /// A panel for this plate, without values.
  HeatmapPanel emptyPanel(std::string title) const;

  std::string heading;  // above the panels
  HeatmapGrid grid;
  std::vector<bool> excluded;  // one per well
  std::vector<bool> failed;
  std::vector<bool> flagged;
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
HeatmapBox HeatmapWellBox(const HeatmapGrid& grid, int panel, int well);

}  // namespace vembrel
