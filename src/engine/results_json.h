#pragma once
// A well's results as JSON, as `vembrel well --json` prints them.
#include <nlohmann/json_fwd.hpp>

namespace vembrel {

class WellSession;
struct CellResults;
struct WellResults;

/// The "cells" object: counts, classes, orientation, the measured cells.
nlohmann::ordered_json CellResultsJson(const CellResults& cells);

/// A well's results: well, ring, counts, density profile with its radii
/// and maximum text, quality notes ("qc") and the cells at cell level.
nlohmann::ordered_json WellResultsJson(const WellResults& results);

/// The session's results, as above.
nlohmann::ordered_json WellResultsJson(const WellSession& session);

}  // namespace vembrel
