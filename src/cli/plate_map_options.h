#pragma once
// --plate-map, --readouts and --drop-flagged, shared by `batch` and `merge`.
#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "results/plate_statistics.h"

namespace vembrel::cli {

struct PlateMapOptions {
  std::string file;      // "" without a map
  std::string readouts;  // "" for those of the run's level
  bool dropFlagged = false;
};

/// Adds the options to the command; --readouts and --drop-flagged need --plate-map.
void AddPlateMapOptions(CLI::App& command, PlateMapOptions& options);

/// The map and what to read from it, before any work is done; none without
/// --plate-map. A map that cannot be read or used and a readout that does
/// not exist are UsageErrors (exit 2); so is radial_share when the run is
/// known not to be at cell level.
std::optional<MapRequest> ReadPlateMapOptions(const PlateMapOptions& options,
                                              std::optional<bool> cellLevel);

}  // namespace vembrel::cli
