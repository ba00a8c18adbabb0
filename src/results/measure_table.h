#pragma once
// The measures of a plate's results declared once: the column each has in
// the tables, its caption, unit, range, definition, level, when it is shown,
// which selective faces show it, and how its value is read from a well's
// results. The wells, density, nuclei and cells tables, the workbook's
// sheets, `well --json` / `batch --json`, Python's to_dict and to_pandas, the
// report's well table, the plate heatmaps, the desktop's colour-by choices
// and `vembrel measures` (the README's reference) are all made from it, in
// its order. Adding a measure is one entry here plus its computation.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/well_results.h"
#include "results/table.h"

namespace vembrel {

/// What one row of a measure's table stands for.
enum class MeasureLevel {
  Well,        // the wells table: one row per well
  DensityBin,  // the density table: one row per ring of the density profile
  Nucleus,     // the nuclei table: one row per immigrant nucleus
  Cell,        // the cells table: one row per kept cell
};

/// The kind of value a measure takes.
enum class MeasureType {
  Integer,
  Decimal,
  Text,
  Notes,  // quality notes: a list in JSON, joined by ";" in the tables
};

/// When a measure's column is shown: always, or only with what it needs.
enum class MeasureShown {
  Always,
  CellLevel,      // at cell level
  PixelSize,      // when a pixel size is known: the micrometre twins
  ReviewedRings,  // when reviewed or held rings were used
  OwnCutoffs,     // when wells chose their own nucleus cut-offs (--cutoffs well)
  ZoneCoverage,   // when the zone's coverage was measured (time courses, or asked for)
};

/// The faces that show a selection of the well measures; every other face
/// shows them all.
enum MeasureFace : unsigned {
  kInReport = 1,    // the report's well table
  kInHeatmap = 2,   // a panel of the plate heatmaps
  kInColourBy = 4,  // a colour-by choice of the desktop's plate map
};

/// A measure's value in one row of its level: the well's results and the
/// row's item within them (cell, density ring or immigrant nucleus; 0 for a
/// well). Empty where the well has no value (no cells, no pixel size, ...).
using MeasureReader = TableValue (*)(const WellResults& well, std::size_t item);

struct MeasureDescriptor {
  std::string_view column;      // the column name, also the key in JSON and Python
  std::string_view caption;     // as the report, heatmaps and desktop name it
  std::string_view unit;        // "nuclei", "pixels", "µm", ...
  std::string_view range;       // what values it takes
  std::string_view definition;  // how it is made
  MeasureLevel level = MeasureLevel::Well;
  MeasureType type = MeasureType::Integer;
  MeasureShown shown = MeasureShown::Always;
  unsigned faces = 0;  // MeasureFace bits
  MeasureReader read = nullptr;
};

/// What a run or a well has, which decides the conditional columns.
struct MeasureConditions {
  bool cellLevel = false;
  bool pixelSize = false;
  bool reviewedRings = false;
  bool ownCutoffs = false;
  bool zoneCoverage = false;
  bool shows(const MeasureDescriptor& measure) const;
  /// Adds what a well has: cell level when it has cells, its pixel size,
  /// its reviewed ring, its own cut-offs.
  void add(const WellResults& well);
};

/// The conditions of one well's results.
MeasureConditions ConditionsOf(const WellResults& well);

/// Every measure, in table order within each level.
std::span<const MeasureDescriptor> AllMeasures();

/// The measures of a level shown under the conditions, in table order; with
/// a face, only those the face shows.
std::vector<const MeasureDescriptor*> MeasuresOf(MeasureLevel level,
                                                 const MeasureConditions& conditions,
                                                 unsigned face = 0);

/// The measure of a level's column; nullptr for identifying columns
/// (plate, well, included, ring, cell) and unknown names.
const MeasureDescriptor* FindMeasure(MeasureLevel level, std::string_view column);

/// Every measure as a Markdown table: column (marked "density.", "nuclei."
/// or "cells." outside the wells table), caption, unit, range, definition.
std::string MeasuresReferenceMarkdown();

}  // namespace vembrel
