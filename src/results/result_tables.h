#pragma once
// The analysis-ready tables of a plate's results, one row per well, ring,
// immigrant nucleus or cell, with the summary file's numbers. Positions are
// mosaic pixels: x the column from the left, y the row counted from the
// bottom, as the ring's centre in the summary file.
#include <string>

#include "engine/plate_results.h"
#include "results/table.h"

namespace vembrel {

struct Plate;

/// results folder + plate prefix + "Vembrel_" + kind + ".csv" (kind: wells,
/// density, nuclei, cells).
std::string TableFileName(const std::string& resultsFolder, const std::string& platePrefix,
                          const std::string& kind);

/// The plate's name in the tables: its results prefix without a trailing "_".
std::string PlateLabel(const Plate& plate);

/// One row per well of the plate, A01 to H12: plate, well, included, ring,
/// counts, nuclei_outside, qc (quality notes joined by ";") and, with
/// cellLevel, the cell columns. A well without results has empty fields.
Table WellsTable(const Plate& plate, const PlateResults& results, bool cellLevel);

/// One row per well and ring of the density profile: ring counted from 1,
/// inner and outer radius (empty for the last ring, which holds everything
/// beyond its inner radius), nuclei ("cells"), area and cells / area.
Table DensityProfileTable(const PlateResults& results);

/// One row per immigrant nucleus: its first pixel in scan order, size and
/// migration distance.
Table NucleiTable(const PlateResults& results);

/// One row per kept cell, numbered from 0 in each well as in its cell data
/// file; class as round_rough, round_smooth, oval_rough or oval_smooth.
Table CellsTable(const PlateResults& results);

/// round_rough, round_smooth, oval_rough, oval_smooth.
const char* CellClassWord(CellClass shapeClass);

}  // namespace vembrel
