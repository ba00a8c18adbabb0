#include "cli/plate_map_options.h"

#include <algorithm>

#include "core/error.h"

namespace vembrel::cli {

void AddPlateMapOptions(CLI::App& command, PlateMapOptions& options) {
  CLI::Option* map =
      command
          .add_option("--plate-map", options.file,
                      "Plate map (CSV, plate-shaped or tidy): roles, compounds, concentrations, "
                      "conditions; adds normalised readouts, plate quality, conditions and "
                      "dose-response tables")
          ->type_name("FILE");
  command
      .add_option("--readouts", options.readouts,
                  "Readouts the plate map's statistics use: nuclei, calculated_nuclei, "
                  "average_distance, radial_share (default: all of the run's level)")
      ->type_name("LIST")
      ->needs(map);
  command
      .add_flag("--drop-flagged", options.dropFlagged,
                "Leave wells with a quality note out of the plate map's statistics")
      ->needs(map);
}

std::optional<MapRequest> ReadPlateMapOptions(const PlateMapOptions& options,
                                              std::optional<bool> cellLevel) {
  if (options.file.empty()) return std::nullopt;
  MapRequest request;
  if (!options.readouts.empty()) {
    request.readouts = ParseReadouts(options.readouts);
    const bool radial = std::find(request.readouts.begin(), request.readouts.end(),
                                  Readout::RadialShare) != request.readouts.end();
    if (radial && cellLevel == false) {
      throw UsageError("The readout radial_share is measured at cell level; add --cells");
    }
  }
  request.map = ReadPlateMap(options.file);
  request.dropFlagged = options.dropFlagged;
  return request;
}

}  // namespace vembrel::cli
