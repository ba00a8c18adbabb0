#pragma once
// A well's results as JSON, as `vembrel well --json` prints them.
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace vembrel {

class WellSession;
struct CellResults;
struct WellResults;

/// The "cells" object: counts, classes, orientation, the measured cells
/// (with their sizes in micrometres as well when the pixel size is given).
nlohmann::ordered_json CellResultsJson(const CellResults& cells,
                                       std::optional<double> pixelSize = std::nullopt);

/// A well's results: well, ring, counts, density profile with its radii
/// and maximum text, quality notes ("qc") and the cells at cell level. With
/// a pixel size, the micrometre twins of the measures in pixels ("*_um",
/// "*_um2", "*_mm2", "*_per_mm2") and the size itself ("pixel_size_um").
nlohmann::ordered_json WellResultsJson(const WellResults& results);

/// The session's results, as above.
nlohmann::ordered_json WellResultsJson(const WellSession& session);

}  // namespace vembrel
