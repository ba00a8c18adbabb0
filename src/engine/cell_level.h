#pragma once
// The cell level of a well window: DoTheCell with DoTheShape on the window's
// pictures and controls, and the well data export ("Save Welldata").
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "imaging/cell_shape.h"

namespace vembrel {

class WellWindow;

/// What one run of the cell level found.
struct CellLevelResult {
  int kept = 0;
  int seeds = 0;
  std::optional<ShapeAnalysis> shapes;  // present when at least one cell is kept
};

/// Everything besides the pictures that decides a cell-level run, and the
/// program's analysis generation when the run ended.
struct CellRunKey {
  int well = 0;
  int ringX = 0, ringY = 0, radius = 0;
  int cutoffBlue = 0, cutoffGreen = 0, cellCutoff = 0, minSize = 0, maxSize = 0;
  int elongation = 0, smoothness = 0;
  bool colourView = false;
  std::uint64_t generation = 0;
  bool operator==(const CellRunKey&) const = default;
};

/// A window's last cell-level run. While its key still holds, the window's
/// pictures, labels and the program-wide buffers are exactly as that run left
/// them, so running again would only repeat it.
struct CellRunMemo {
  CellRunKey key;
  CellLevelResult result;
};

class CellLevel {
 public:
  explicit CellLevel(WellWindow& window) : window_(window) {}

  /// Segments, measures and draws the cells of the window's well from the
  /// buffers of its latest pass; with a file, appends the statistics and the
  /// cell table to it when a cell is kept.
  CellLevelResult DoTheCell(AtomicTextFile* file);

  /// "Save Welldata": writes the cell data file (header, statistics, table)
  /// atomically and the cell snapshot. Throws Error naming the path on failure.
  void Export();

 private:
  void DoTheShape(CellList& cells, AtomicTextFile* file, CellLevelResult& result);
  /// The window's own ring (its pass leaves it program-wide as well).
  RingGeometry ring() const;
  /// Makes ObjectList this window's seeds again when another window's pass ran since.
  void takeOverSeeds();
  CellRunKey key();

  WellWindow& window_;
};

/// The "cells" object of `vembrel well --json`.
nlohmann::ordered_json CellLevelJson(const CellLevelResult& result);

}  // namespace vembrel
