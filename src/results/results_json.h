#pragma once
// A well's results as JSON, as `vembrel well --json`, `vembrel batch --json`
// and Python's to_dict give them: the measures of the measure table.
#include <nlohmann/json_fwd.hpp>

#include "results/table.h"

namespace vembrel {

class WellSession;
struct MeasureDescriptor;
struct WellResults;

/// A measure's value as JSON: null when empty; quality notes as a list.
nlohmann::ordered_json MeasureJson(const MeasureDescriptor& measure, const WellResults& well,
                                   std::size_t item);

/// A well's results: "well", then the well measures it has, in table order
/// (the cell level's with cells, the micrometre twins with a pixel size,
/// "ring_source" with a reviewed ring; "qc" a list of notes), then
/// "zone_contrast" when the zone's size was fitted, "density" (one object of
/// density measures per ring), "radii" and "max_text" as the density chart
/// shows them, and at cell level "cells" (its "orientation_bins" and a
/// "list" of one object of cell measures per kept cell).
nlohmann::ordered_json WellResultsJson(const WellResults& results);

/// The session's results, as above.
nlohmann::ordered_json WellResultsJson(const WellSession& session);

}  // namespace vembrel
