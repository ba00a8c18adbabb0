#pragma once
// A well's results as JSON, as `vembrel well --json` prints them.
#include <nlohmann/json.hpp>

namespace vembrel {

class WellSession;
struct CellResults;

/// The "cells" object: counts, classes, orientation, the measured cells.
nlohmann::ordered_json CellResultsJson(const CellResults& cells);

/// The session's results: well, ring, counts, density profile with its radii
/// and maximum text, and the cells at cell level.
nlohmann::ordered_json WellResultsJson(const WellSession& session);

}  // namespace vembrel
